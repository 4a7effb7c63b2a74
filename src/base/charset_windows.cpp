// Named charsets through the Windows code pages: the name chooses a code page and
// MultiByteToWideChar decodes, so a message reads as Windows' own mail programs read it.
// UTF-8 and Windows-1252 are decoded by our own code, as in every build (the ANSI code page of
// the history file is Windows-1252 everywhere); so is UTF-16, which MultiByteToWideChar does not
// take. ISO-2022-JP is moved to Shift_JIS and read through code page 932, which holds the same
// characters as Windows' ISO-2022-JP code pages (50220 to 50222); those need an extra part of
// Windows that not every system has (Wine lacks them).
#include <windows.h>

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "base/iso2022jp.h"

namespace kv {
namespace {

constexpr UINT kCp1252 = 1252, kUtf8 = 65001;
// Our own decoders, not code pages.
constexpr UINT kUtf16Le = 1200, kUtf16Be = 1201, kUtf16Bom = 0x10001, kIso2022Jp = 50220;

std::optional<UINT> Number(std::string_view digits) {
  UINT n = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
    return std::nullopt;
  return n;
}

struct TName {
  std::string_view Name;
  UINT CodePage;
};

// The names mail software writes, with the code page Windows reads each one through.
constexpr TName kNames[] = {
    {"utf-8", kUtf8},
    {"utf8", kUtf8},
    {"unicode-1-1-utf-8", kUtf8},
    {"utf-7", 65000},
    {"unicode-1-1-utf-7", 65000},
    {"x-unicode-2-0-utf-7", 65000},
    {"utf-16", kUtf16Bom},
    {"utf-16le", kUtf16Le},
    {"utf-16be", kUtf16Be},
    {"ucs-2", kUtf16Bom},
    {"us-ascii", kCp1252},
    {"ascii", kCp1252},
    {"ansi_x3.4-1968", kCp1252},
    {"windows-1252", kCp1252},
    {"iso-8859-1", 28591},
    {"latin1", 28591},
    {"iso_8859-1", 28591},
    {"iso-8859-2", 28592},
    {"latin2", 28592},
    {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},
    {"iso-8859-5", 28595},
    {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},
    {"iso-8859-8-i", 38598},
    {"iso-8859-9", 28599},
    {"latin5", 28599},
    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},
    {"latin-9", 28605},
    {"latin9", 28605},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"koi8-ru", 21866},
    // Windows writes its code page 932 (Shift_JIS with the NEC and IBM extensions) under these.
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"x-sjis", 932},
    {"sjis", 932},
    {"ms_kanji", 932},
    {"csshiftjis", 932},
    {"windows-31j", 932},
    {"euc-jp", 20932},
    {"x-euc-jp", 20932},
    {"cseucpkdfmtjapanese", 20932},
    {"iso-2022-jp", kIso2022Jp},
    {"csiso2022jp", kIso2022Jp},
    {"iso-2022-jp-1", kIso2022Jp},
    {"iso-2022-jp-ms", kIso2022Jp},
    {"cp50220", kIso2022Jp},
    {"cp50221", kIso2022Jp},
    {"cp50222", kIso2022Jp},
    {"gb2312", 936},
    {"x-gbk", 936},
    {"gbk", 936},
    {"euc-cn", 936},
    {"csgb2312", 936},
    {"gb18030", 54936},
    {"hz-gb-2312", 52936},
    {"big5", 950},
    {"big5-hkscs", 950},
    {"x-x-big5", 950},
    {"csbig5", 950},
    // Windows reads EUC-KR through its superset, the Unified Hangul Code of code page 949.
    {"euc-kr", 949},
    {"ks_c_5601-1987", 949},
    {"ks_c_5601", 949},
    {"ks_c_5601-1989", 949},
    {"cseuckr", 949},
    {"iso-2022-kr", 50225},
    {"tis-620", 874},
    {"iso-8859-11", 874},
    {"ibm437", 437},
    {"ibm850", 850},
    {"ibm852", 852},
    {"ibm866", 866},
    {"macintosh", 10000},
    {"x-mac-cyrillic", 10007},
};

std::optional<UINT> CodePageOf(const std::string& name) {
  for (const TName& n : kNames)
    if (n.Name == name) return n.CodePage;
  // "windows-1250", "cp1250", "cp50220" and the like name their code page.
  for (std::string_view prefix : {"windows-", "cp", "x-cp", "ibm"}) {
    if (name.starts_with(prefix)) {
      if (auto n = Number(std::string_view(name).substr(prefix.size()))) return *n;
    }
  }
  return std::nullopt;
}

// UTF-16 text of either byte order; an odd last byte is an incomplete character: U+FFFD.
std::u16string Utf16Text(std::string_view bytes, bool bigEndian) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t a = uint8_t(bytes[2 * i]), b = uint8_t(bytes[2 * i + 1]);
    out[i] = bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
  }
  if (bytes.size() % 2) out.push_back(u'\uFFFD');
  return out;
}

std::optional<std::u16string> DecodeCodePage(UINT codePage, std::string_view bytes) {
  // Code pages a system may lack (Wine does) stand in for by those holding the same characters:
  // GBK for the two-byte part of GB18030, ISO-8859-8 for its logical-order twin.
  if (codePage == 54936 && !IsValidCodePage(codePage)) codePage = 936;
  if (codePage == 38598 && !IsValidCodePage(codePage)) codePage = 28598;
  if (!IsValidCodePage(codePage)) return std::nullopt;
  if (bytes.empty()) return std::u16string();
  // Inputs are single header values and mail-store texts; larger ones are cut into pieces that
  // stay within the call's int sizes.
  if (bytes.size() > 0x3FFFFFFF) bytes = bytes.substr(0, 0x3FFFFFFF);
  const int size = int(bytes.size());
  const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::wstring wide(size_t(needed), L'\0');
  const int made = MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), needed);
  if (made <= 0) return std::nullopt;
  return std::u16string(wide.begin(), wide.begin() + made);
}

// ISO-2022-JP as Shift_JIS: every character but those of JIS X 0212, which code page 932 lacks.
class TIso2022JpDecoder final : public TIso2022JpSink {
 public:
  std::u16string Decode(std::string_view bytes) {
    ScanIso2022Jp(bytes, *this);
    Flush();
    return std::move(FOut);
  }
  void Ascii(char c) override { FPending.push_back(c); }
  void Katakana(uint8_t c) override { FPending.push_back(char(c | 0x80)); }
  void Jis0208(uint8_t row, uint8_t cell) override {
    char lead, trail;
    JisToShiftJis(row, cell, lead, trail);
    FPending.push_back(lead);
    FPending.push_back(trail);
  }
  void Jis0212(uint8_t, uint8_t) override { Invalid(); }
  void Invalid() override {
    Flush();
    FOut.push_back(u'\uFFFD');
  }

 private:
  void Flush() {
    if (FPending.empty()) return;
    FOut += DecodeCodePage(932, FPending).value_or(std::u16string(FPending.size(), u'\uFFFD'));
    FPending.clear();
  }
  std::string FPending;
  std::u16string FOut;
};

}  // namespace

std::optional<std::u16string> DecodeCharset(std::string_view charset, std::string_view bytes) {
  const std::string name = CharsetKey(charset);
  if (name.empty()) return std::nullopt;
  const std::optional<UINT> codePage = CodePageOf(name);
  if (!codePage) return std::nullopt;
  switch (*codePage) {
    case kUtf8: return Utf8ToUtf16(bytes);
    case kCp1252: return Cp1252ToUtf16(bytes);
    case kUtf16Le: return Utf16Text(bytes, false);
    case kUtf16Be: return Utf16Text(bytes, true);
    case kUtf16Bom:
      // A byte-order mark tells; without one the text is little-endian, as Windows takes the
      // name (its code page 1200).
      if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFE && uint8_t(bytes[1]) == 0xFF)
        return Utf16Text(bytes.substr(2), true);
      if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE)
        bytes.remove_prefix(2);
      return Utf16Text(bytes, false);
    case kIso2022Jp: return TIso2022JpDecoder().Decode(bytes);
    default: return DecodeCodePage(*codePage, bytes);
  }
}

}  // namespace kv

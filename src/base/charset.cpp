// Named charsets through iconv. Conversion goes to UTF-16LE; an invalid or incomplete input
// sequence becomes U+FFFD and conversion resumes after it.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/iso2022jp.h"
#include "base/text.h"

namespace kv {

namespace {

std::string NormalizeCharset(std::string_view name) {
  const std::string n = CharsetKey(name);
  // Names mail software writes that iconv spells differently.
  if (n == "utf8") return "utf-8";
  // Windows writes its code page 932 (Shift_JIS with the NEC and IBM extensions, "\" as a
  // backslash) under these names; strict Shift_JIS would lose those characters.
  if (n == "shift_jis" || n == "shift-jis" || n == "x-sjis" || n == "sjis" || n == "ms_kanji" ||
      n == "csshiftjis" || n == "windows-31j")
    return "cp932";
  if (n == "ks_c_5601-1987" || n == "ks_c_5601") return "cp949";
  if (n == "gb2312" || n == "x-gbk") return "gbk";  // GBK is a superset senders rely on
  if (n == "x-euc-jp") return "euc-jp";
  if (n == "iso-8859-8-i") return "iso-8859-8";
  if (n == "ansi_x3.4-1968" || n == "us-ascii" || n == "ascii") return "windows-1252";
  // ISO-2022-JP and the names Windows gives its forms of it (code pages 50220 to 50222).
  if (n == "csiso2022jp" || n == "iso-2022-jp-1" || n == "iso-2022-jp-ms" || n == "cp50220" ||
      n == "cp50221" || n == "cp50222")
    return "iso-2022-jp";
  return n;
}

class TIconv {
 public:
  explicit TIconv(const char* from) : FCd(iconv_open("UTF-16LE", from)) {}
  ~TIconv() {
    if (Ok()) iconv_close(FCd);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool Ok() const { return FCd != (iconv_t)-1; }

  // Appends `bytes` decoded to `out`. At an invalid or incomplete sequence a U+FFFD is appended
  // and decoding goes on `skip(byte at the sequence)` bytes further; the shift state of a
  // stateful charset starts afresh there.
  template <class Skip>
  void Decode(std::string_view bytes, std::u16string& out, Skip skip) {
    iconv(FCd, nullptr, nullptr, nullptr, nullptr);  // the initial shift state
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    std::string buffer(input.size() * 4 + 16, '\0');
    auto drain = [&](char* dst) {
      out += Utf16LeToUtf16(std::string_view(buffer.data(), size_t(dst - buffer.data())));
    };
    while (inLeft > 0) {
      char* dst = buffer.data();
      size_t dstLeft = buffer.size();
      const size_t r = iconv(FCd, &in, &inLeft, &dst, &dstLeft);
      const int error = r == (size_t)-1 ? errno : 0;
      drain(dst);
      if (error == 0 || error == E2BIG) continue;
      // EILSEQ or EINVAL: one replacement for the sequence.
      out.push_back(u'\uFFFD');
      const size_t n = std::min(inLeft, std::max<size_t>(1, skip(static_cast<unsigned char>(*in))));
      in += n;
      inLeft -= n;
      iconv(FCd, nullptr, nullptr, nullptr, nullptr);
    }
    // Back to the initial shift state, writing out what a stateful charset still holds.
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    iconv(FCd, nullptr, nullptr, &dst, &dstLeft);
    drain(dst);
  }

 private:
  iconv_t FCd;
};

// ISO-2022-JP (base/iso2022jp.h) whose JIS X 0208 holds the NEC and IBM extensions of Shift_JIS
// on Windows. iconv's ISO-2022-JP knows neither. Its EUC-JP-MS holds the NEC signs of row 13,
// maps the rest of JIS X 0208 as Windows does and has the IBM extensions in JIS X 0212, so the
// text is re-encoded as EUC-JP (the high bit set on each byte of a two-byte character, 0x8E
// before a half-width katakana, 0x8F before a JIS X 0212 character) and read through it.
// EUC-JP-MS gives rows 89 to 92 to user-defined characters: those are read through Windows' code
// page 932, as Shift_JIS.
class TIso2022JpDecoder final : public TIso2022JpSink {
 public:
  bool Ok() const { return FEucJpMs.Ok(); }

  std::u16string Decode(std::string_view bytes) {
    ScanIso2022Jp(bytes, *this);
    Flush();
    return std::move(FOut);
  }

  void Ascii(char c) override { Add(rEucJp, c); }
  void Katakana(uint8_t c) override { Add(rEucJp, '\x8E', char(c | 0x80)); }
  void Jis0208(uint8_t row, uint8_t cell) override {
    if (row >= 0x79 && row <= 0x7C) {
      char lead, trail;
      JisToShiftJis(row, cell, lead, trail);
      Add(rCp932, lead, trail);
    } else {
      Add(rEucJp, char(row | 0x80), char(cell | 0x80));
    }
  }
  void Jis0212(uint8_t row, uint8_t cell) override {
    Add(rEucJp, '\x8F', char(row | 0x80), char(cell | 0x80));
  }
  void Invalid() override {
    Flush();
    FOut.push_back(u'\uFFFD');
  }

 private:
  enum TRun { rEucJp, rCp932 };

  template <class... Bytes>
  void Add(TRun run, Bytes... bytes) {
    if (run != FRun) Flush();
    FRun = run;
    (FPending.push_back(bytes), ...);
  }

  void Flush() {
    if (FPending.empty()) return;
    // The bytes are whole characters of our own making: an invalid one is skipped whole.
    if (FRun == rEucJp) {
      FEucJpMs.Decode(FPending, FOut, [](unsigned char b) {
        return b == 0x8F ? 3 : b >= 0x80 ? 2 : 1;
      });
    } else {
      if (!FCp932) FCp932.emplace("CP932");  // opened when first needed: those rows are rare
      if (FCp932->Ok())
        FCp932->Decode(FPending, FOut, [](unsigned char b) { return b >= 0x80 ? 2 : 1; });
      else
        FOut.append(FPending.size() / 2, u'\uFFFD');
    }
    FPending.clear();
  }

  TIconv FEucJpMs{"EUC-JP-MS"};
  std::optional<TIconv> FCp932;
  TRun FRun = rEucJp;
  std::string FPending;
  std::u16string FOut;
};

// Whether a converter of the charset can be used again: the Unicode forms read a byte-order
// mark only on a converter's first use, which no reset undoes.
bool Reusable(const std::string& name) {
  for (const char* form : {"utf", "ucs", "unicode", "10646", "wchar", "internal"})
    if (name.find(form) != std::string::npos) return false;
  return true;
}

// The converters of the charsets met lately, kept per thread: opening one loads the charset's
// module, and mail names a handful of charsets over and over. Names iconv does not know are
// kept too, so they are not looked up again for every message.
TIconv& Converter(const std::string& name) {
  struct TKept {
    std::string Name;
    std::unique_ptr<TIconv> Converter;
  };
  constexpr size_t kKept = 8;
  thread_local std::vector<TKept> kept;
  for (size_t i = 0; i < kept.size(); ++i) {
    if (kept[i].Name != name) continue;
    std::rotate(kept.begin(), kept.begin() + std::ptrdiff_t(i),
                kept.begin() + std::ptrdiff_t(i) + 1);
    return *kept.front().Converter;
  }
  if (kept.size() == kKept) kept.pop_back();  // the one used longest ago
  kept.insert(kept.begin(), TKept{name, std::make_unique<TIconv>(name.c_str())});
  return *kept.front().Converter;
}

}  // namespace

std::optional<std::u16string> DecodeCharset(std::string_view charset, std::string_view bytes) {
  std::string name = NormalizeCharset(charset);
  if (name.empty()) return std::nullopt;
  if (name == "utf-8") return Utf8ToUtf16(bytes);
  if (name == "windows-1252" || name == "cp1252") return Cp1252ToUtf16(bytes);
  if (name == "iso-2022-jp") {
    TIso2022JpDecoder jp;
    if (jp.Ok()) return jp.Decode(bytes);  // else iconv's own, without the extensions
  }
  std::optional<TIconv> own;
  TIconv& h = Reusable(name) ? Converter(name) : own.emplace(name.c_str());
  if (!h.Ok()) return std::nullopt;
  std::u16string out;
  h.Decode(bytes, out, [](unsigned char) { return 1; });
  return out;
}

}  // namespace kv

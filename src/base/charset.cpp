// Named charsets through iconv. Conversion goes to UTF-16LE; an invalid or incomplete input
// sequence becomes U+FFFD and conversion resumes at the next byte.
#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/codepage.h"
#include "base/text.h"

namespace kv {

namespace {

std::string NormalizeCharset(std::string_view name) {
  std::string n;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
    if (c == '"' || c == '\'' || static_cast<unsigned char>(c) <= ' ') continue;
    n.push_back(c);
  }
  // Names mail software writes that iconv spells differently.
  if (n == "utf8") return "utf-8";
  if (n == "x-sjis" || n == "sjis") return "shift_jis";
  if (n == "ks_c_5601-1987" || n == "ks_c_5601") return "cp949";
  if (n == "gb2312" || n == "x-gbk") return "gbk";  // GBK is a superset senders rely on
  if (n == "x-euc-jp") return "euc-jp";
  if (n == "iso-8859-8-i") return "iso-8859-8";
  if (n == "ansi_x3.4-1968" || n == "us-ascii" || n == "ascii") return "windows-1252";
  return n;
}

struct IconvHandle {
  iconv_t cd;
  explicit IconvHandle(const std::string& from) : cd(iconv_open("UTF-16LE", from.c_str())) {}
  ~IconvHandle() {
    if (cd != (iconv_t)-1) iconv_close(cd);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
};

}  // namespace

std::optional<std::u16string> DecodeCharset(std::string_view charset, std::string_view bytes) {
  std::string name = NormalizeCharset(charset);
  if (name.empty()) return std::nullopt;
  if (name == "utf-8") return Utf8ToUtf16(bytes);
  if (name == "windows-1252" || name == "cp1252") return Cp1252ToUtf16(bytes);
  IconvHandle h(name);
  if (h.cd == (iconv_t)-1) return std::nullopt;

  std::string out;
  out.resize(bytes.size() * 4 + 16);
  std::string input(bytes);
  char* in = input.data();
  size_t inLeft = input.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  auto appendReplacement = [&] {
    if (dstLeft < 2) return;
    *dst++ = char(0xFD);
    *dst++ = char(0xFF);
    dstLeft -= 2;
  };
  while (inLeft > 0) {
    size_t r = iconv(h.cd, &in, &inLeft, &dst, &dstLeft);
    if (r != (size_t)-1) break;
    if (errno == E2BIG) {
      size_t used = size_t(dst - out.data());
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
    } else {  // EILSEQ or EINVAL: skip one byte
      appendReplacement();
      ++in;
      --inLeft;
      iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  // Flush any shift state (ISO-2022-JP and friends).
  iconv(h.cd, nullptr, nullptr, &dst, &dstLeft);
  out.resize(size_t(dst - out.data()));
  return Utf16LeToUtf16(out);
}

}  // namespace kv

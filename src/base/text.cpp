#include "base/text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kv {

char16_t AsciiUpperChar(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
static char16_t AsciiLowerChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

std::u16string AsciiUpper(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = AsciiUpperChar(c);
  return out;
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = AsciiLowerChar(c);
  return out;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i])) return false;
  return true;
}

bool StartsWithAscii(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

size_t FindAscii(std::u16string_view text, std::u16string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::u16string_view::npos;
  if (needle.size() > text.size()) return std::u16string_view::npos;
  for (size_t i = from; i + needle.size() <= text.size(); ++i)
    if (SameTextAscii(text.substr(i, needle.size()), needle)) return i;
  return std::u16string_view::npos;
}

std::u16string_view TrimView(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] <= u' ') ++b;
  while (e > b && text[e - 1] <= u' ') --e;
  return text.substr(b, e - b);
}

std::u16string Trim(std::u16string_view text) { return std::u16string(TrimView(text)); }

std::u16string TrimLeft(std::u16string_view text) {
  size_t b = 0;
  while (b < text.size() && text[b] <= u' ') ++b;
  return std::u16string(text.substr(b));
}

std::u16string TrimRight(std::u16string_view text) {
  size_t e = text.size();
  while (e > 0 && text[e - 1] <= u' ') --e;
  return std::u16string(text.substr(0, e));
}

namespace {

int DigitValue(char16_t c, int base) {
  int v;
  if (c >= u'0' && c <= u'9')
    v = c - u'0';
  else if (c >= u'a' && c <= u'f')
    v = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F')
    v = c - u'A' + 10;
  else
    return -1;
  return v < base ? v : -1;
}

// Parses the integer rule into a magnitude and sign; hexadecimal reports itself so callers can
// take 32- or 64-bit patterns.
struct RawInteger {
  bool negative = false;
  bool hex = false;
  uint64_t magnitude = 0;
};

std::optional<RawInteger> ParseRaw(std::u16string_view t) {
  RawInteger r;
  size_t i = 0;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) r.negative = t[i++] == u'-';
  int base = 10;
  if (i < t.size() && t[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  r.hex = base == 16;
  if (i >= t.size()) return std::nullopt;
  for (; i < t.size(); ++i) {
    int d = DigitValue(t[i], base);
    if (d < 0) return std::nullopt;
    if (r.magnitude > (std::numeric_limits<uint64_t>::max() - uint64_t(d)) / uint64_t(base))
      return std::nullopt;
    r.magnitude = r.magnitude * uint64_t(base) + uint64_t(d);
  }
  return r;
}

}  // namespace

std::optional<int32_t> ParseInt32(std::u16string_view text) {
  auto r = ParseRaw(text);
  if (!r) return std::nullopt;
  if (r->hex) {
    if (r->magnitude > 0xFFFFFFFFu) return std::nullopt;
    uint32_t bits = uint32_t(r->magnitude);
    if (r->negative) bits = 0u - bits;
    return int32_t(bits);
  }
  if (r->negative) {
    if (r->magnitude > 0x80000000u) return std::nullopt;
    return int32_t(-int64_t(r->magnitude));
  }
  if (r->magnitude > 0x7FFFFFFFu) return std::nullopt;
  return int32_t(r->magnitude);
}

std::optional<int64_t> ParseInt64(std::u16string_view text) {
  auto r = ParseRaw(text);
  if (!r) return std::nullopt;
  constexpr uint64_t kMax = uint64_t(std::numeric_limits<int64_t>::max());
  if (r->hex) {
    uint64_t bits = uint64_t(r->magnitude);
    if (r->negative) bits = 0u - bits;
    return int64_t(bits);
  }
  if (r->negative) {
    if (r->magnitude > kMax + 1) return std::nullopt;
    return int64_t(0u - uint64_t(r->magnitude));
  }
  if (r->magnitude > kMax) return std::nullopt;
  return int64_t(r->magnitude);
}

int32_t StrToIntDef(std::u16string_view text, int32_t fallback) {
  auto v = ParseInt32(text);
  return v ? *v : fallback;
}

std::optional<double> ParseDouble(std::u16string_view text) {
  if (text.empty() || text.size() > 128) return std::nullopt;
  char buf[130];
  size_t n = 0;
  size_t i = 0;
  if (text[0] == u'+') i = 1;  // from_chars takes no plus sign
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c > 0x7F) return std::nullopt;
    buf[n++] = char(c);
  }
  if (n == 0) return std::nullopt;
  // Only decimal digits, sign, "." and an exponent: no "inf", "nan" or hexadecimal floats.
  for (size_t k = 0; k < n; ++k) {
    char c = buf[k];
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return std::nullopt;
  }
  double value = 0;
  auto [end, ec] = std::from_chars(buf, buf + n, value, std::chars_format::general);
  if (ec != std::errc() || end != buf + n || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::u16string FormatFixed(double value, int decimals) {
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return u"0";
  return Ascii(std::string_view(buf, size_t(end - buf)));
}

std::u16string IntToStr(int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  return Ascii(std::string_view(buf, size_t(end - buf)));
}

std::u16string UIntToStr(uint64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  return Ascii(std::string_view(buf, size_t(end - buf)));
}

TStringList Split(std::u16string_view text, char16_t separator) {
  TStringList parts;
  size_t start = 0;
  for (;;) {
    size_t p = text.find(separator, start);
    if (p == std::u16string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, p - start));
    start = p + 1;
  }
}

std::u16string Join(const TStringList& parts, std::u16string_view separator) {
  std::u16string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to) {
  if (from.empty()) return std::u16string(text);
  std::u16string out;
  size_t start = 0;
  for (;;) {
    size_t p = text.find(from, start);
    if (p == std::u16string_view::npos) break;
    out.append(text.substr(start, p - start));
    out.append(to);
    start = p + from.size();
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace kv

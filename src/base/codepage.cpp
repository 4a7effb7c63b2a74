#include "base/codepage.h"

#include "base/text.h"

namespace kv {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five undefined ones keep their byte value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte for a code unit, or -1 when Windows-1252 has no such character.
int Cp1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return 0x80 + i;
  return -1;
}

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(char16_t(cp));
  } else {
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 + (cp >> 10)));
    out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
  }
}

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not one.
size_t Utf8SequenceAt(std::string_view s, size_t i, char32_t& cp) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  size_t len;
  char32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
    min = 0x10000;
  } else
    return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

void Cp1252ToUtf16(std::string_view bytes, char16_t* out) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto c = static_cast<unsigned char>(bytes[i]);
    out[i] = (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : char16_t(c);
  }
}

std::u16string Cp1252ToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  Cp1252ToUtf16(bytes, out.data());
  return out;
}

std::string Utf16ToCp1252(std::u16string_view text) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    int b = Cp1252Byte(text[i]);
    out[i] = b < 0 ? '?' : char(b);
  }
  return out;
}

bool FitsCp1252(std::u16string_view text) {
  for (char16_t c : text)
    if (Cp1252Byte(c) < 0) return false;
  return true;
}

std::u16string Ascii(std::string_view text) { return Cp1252ToUtf16(text); }

std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  Utf8ToUtf16(bytes, out);
  return out;
}

void Utf8ToUtf16(std::string_view bytes, std::u16string& out) {
  out.clear();
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    char32_t cp;
    size_t len = Utf8SequenceAt(bytes, i, cp);
    if (len == 0) {
      out.push_back(kReplacement);
      ++i;
    } else {
      AppendUtf16(out, cp);
      i += len;
    }
  }
}

char32_t NextCodePoint(std::u16string_view text, size_t& i) {
  char32_t cp = text[i++];
  if (cp >= 0xD800 && cp <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
    return 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
  return (cp >= 0xD800 && cp <= 0xDFFF) ? kReplacement : cp;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    size_t len = Utf8SequenceAt(bytes, i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool HasHighBytes(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

std::u16string Utf16LeToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = char16_t(static_cast<unsigned char>(bytes[2 * i]) |
                      (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return out;
}

std::u16string Utf16BeToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = char16_t((static_cast<unsigned char>(bytes[2 * i]) << 8) |
                      static_cast<unsigned char>(bytes[2 * i + 1]));
  return out;
}

TByteOrderMark SniffByteOrderMark(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return TByteOrderMark::bomUtf8;
  if (bytes.substr(0, 2) == "\xFF\xFE") return TByteOrderMark::bomUtf16Le;
  if (bytes.substr(0, 2) == "\xFE\xFF") return TByteOrderMark::bomUtf16Be;
  return TByteOrderMark::bomNone;
}

size_t ByteOrderMarkSize(TByteOrderMark mark) {
  switch (mark) {
    case TByteOrderMark::bomUtf8: return 3;
    case TByteOrderMark::bomUtf16Le:
    case TByteOrderMark::bomUtf16Be: return 2;
    default: return 0;
  }
}

std::u16string DecodeMarkedText(std::string_view bytes,
                                std::u16string (*unmarked)(std::string_view)) {
  const TByteOrderMark mark = SniffByteOrderMark(bytes);
  const std::string_view rest = bytes.substr(ByteOrderMarkSize(mark));
  switch (mark) {
    case TByteOrderMark::bomUtf8: return Utf8ToUtf16(rest);
    case TByteOrderMark::bomUtf16Le: return Utf16LeToUtf16(rest);
    case TByteOrderMark::bomUtf16Be: return Utf16BeToUtf16(rest);
    default: return unmarked(rest);
  }
}

std::string Utf16ToUtf16Le(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = char(text[i] & 0xFF);
    out[2 * i + 1] = char(text[i] >> 8);
  }
  return out;
}

std::string CharsetKey(std::string_view name) {
  std::string n;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
    if (c == '"' || c == '\'' || static_cast<unsigned char>(c) <= ' ') continue;
    n.push_back(c);
  }
  return n;
}

}  // namespace kv

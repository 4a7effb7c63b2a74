#include "formats/mime_decode.h"

#include <array>
#include <cstdint>

namespace kv {

namespace {

constexpr std::array<int8_t, 256> MakeBase64Table() {
  std::array<int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int i = 0; i < 26; ++i) {
    t[size_t('A' + i)] = int8_t(i);
    t[size_t('a' + i)] = int8_t(26 + i);
  }
  for (int i = 0; i < 10; ++i) t[size_t('0' + i)] = int8_t(52 + i);
  t[size_t('+')] = 62;
  t[size_t('/')] = 63;
  t[size_t('=')] = -2;  // padding
  return t;
}
constexpr std::array<int8_t, 256> kBase64 = MakeBase64Table();

int HexValue(unsigned c) {
  if (c >= '0' && c <= '9') return int(c - '0');
  if (c >= 'A' && c <= 'F') return int(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return int(c - 'a' + 10);
  return -1;
}

// The byte that the two hexadecimal digits (either letter case) at text[at] give; -1 when they
// are not two such digits. The caller makes sure both lie inside the text.
int HexByte(std::string_view text, size_t at) {
  const int hi = HexValue(static_cast<unsigned char>(text[at]));
  const int lo = HexValue(static_cast<unsigned char>(text[at + 1]));
  return hi >= 0 && lo >= 0 ? hi * 16 + lo : -1;
}

int UpperHexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return int(c - u'0');
  if (c >= u'A' && c <= u'F') return int(c - u'A' + 10);
  return -1;
}

}  // namespace

std::string DecodeBase64Bytes(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  int group[4];
  int n = 0;
  for (unsigned char c : text) {
    const int v = kBase64[c];
    if (v == -1) continue;  // outside the alphabet: line breaks, blanks, stray characters
    group[n++] = v;
    if (n < 4) continue;
    n = 0;
    // Padding in the first two places carries no bits; such a group gives nothing.
    if (group[0] < 0 || group[1] < 0) continue;
    out.push_back(char((group[0] << 2) | (group[1] >> 4)));
    if (group[2] < 0) continue;
    out.push_back(char(((group[1] & 0x0F) << 4) | (group[2] >> 2)));
    if (group[3] < 0) continue;
    out.push_back(char(((group[2] & 0x03) << 6) | group[3]));
  }
  return out;
}

namespace {

// The loop both byte forms of quoted-printable share: "_" is a blank and other characters
// stand for themselves, but an "=" at position i is read by `escape(i, out)`, which returns the
// position of the escape's last character, or npos when the text ends there.
template <class Escape>
std::string DecodeEscapedBytes(std::string_view text, Escape escape) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '=') {
      i = escape(i, out);
      if (i == std::string_view::npos) break;
    } else {
      out.push_back(c == '_' ? ' ' : c);
    }
  }
  return out;
}

}  // namespace

std::string DecodeQEncodingBytes(std::string_view text) {
  return DecodeEscapedBytes(text, [text](size_t i, std::string& out) {
    const int value = i + 2 < text.size() ? HexByte(text, i + 1) : -1;
    if (value < 0) {
      out.push_back('=');
      return i;
    }
    out.push_back(char(value));
    return i + 2;
  });
}

std::string DecodeQuotedPrintableBytes(std::string_view text) {
  return DecodeEscapedBytes(text, [text](size_t i, std::string& out) {
    if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n')) {
      return i + 2;  // soft line break: "=", the break character and the one after it
    }
    if (i + 2 >= text.size()) return std::string_view::npos;
    const int byte = HexByte(text, i + 1);
    unsigned value = byte >= 0 ? unsigned(byte) : 0x40u;
    if (value == 0xB9) value = 0x9A;
    if (value == 0xBE) value = 0x9E;
    out.push_back(char(value));
    return i + 2;
  });
}

std::u16string DecodeQuotedPrintableText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'=') {
      out.push_back(c);
      continue;
    }
    if (i + 2 >= text.size()) break;
    const int hi = UpperHexValue(text[i + 1]);
    const int lo = UpperHexValue(text[i + 2]);
    if (hi >= 0 && lo >= 0) out.push_back(char16_t(hi * 16 + lo));
    i += 2;
  }
  return out;
}

std::string DecodeUULine(std::string_view line) {
  if (line.empty()) return {};
  auto value = [](unsigned char c) -> int {
    if (c == 0x60 || c == 0x20) return 0;
    if (c >= 0x21 && c <= 0x5F) return int(c - 0x20);
    return -1;
  };
  const int count = value(static_cast<unsigned char>(line[0]));
  if (count < 0) return {};
  std::string_view body = line.substr(1);
  if (count == 45) {
    if (body.size() < 60) return {};
    body = body.substr(0, 60);
  } else if (body.size() > 60) {
    body = body.substr(0, 60);
  }
  std::string out;
  out.reserve(body.size() * 3 / 4 + 1);
  uint32_t bits = 0;
  int nbits = 0;
  for (unsigned char c : body) {
    const int v = value(c);
    if (v < 0) return {};
    bits = (bits << 6) | unsigned(v);
    nbits += 6;
    if (nbits >= 8) {
      nbits -= 8;
      out.push_back(char((bits >> nbits) & 0xFF));
    }
  }
  if (nbits > 0) out.push_back(char((bits << (8 - nbits)) & 0xFF));  // missing bits are zero
  if (out.size() > size_t(count)) out.resize(size_t(count));
  return out;
}

}  // namespace kv

// Folder streams as other writers, damage and chance leave them, for tests that hold two
// readers of a history file to the same result: record lines with odd fields (numbers out of
// range, signed, hexadecimal; dates no writer makes; texts with separators, quotes, control
// characters, every Windows-1252 byte, valid and invalid UTF-8), every kind of line end, NUL
// bytes, byte-order marks and UTF-16, and streams plain, zlib-packed, cut short or corrupted.
// The same seed gives the same streams.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"
#include "storage/byte_stream.h"
#include "storage/zlib_codec.h"

namespace kv::test {

class TOddStreams {
 public:
  explicit TOddStreams(uint32_t seed) : FRandom(seed) {}

  // One record line's bytes, without a line end: Windows-1252 or UTF-8 text alike.
  std::string Line() {
    if (Pick(12) < 2) return Pick(2) ? RandomBytes(Pick(40)) : TextField();
    const size_t fields = Pick(10) < 7 ? 14 : Pick(21);
    std::string line;
    for (size_t f = 0; f < fields; ++f) {
      if (f) line += ';';
      line += f == 0 || f == 2 || f == 12 || f == 13 ? Number() : f == 7 ? Date() : TextField();
    }
    return line;
  }

  // A stream's text: lines with their ends, sometimes a NUL, a byte-order mark or UTF-16.
  std::string Text(size_t lines) {
    static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\r\r\n", "\n\r"};
    std::string text;
    for (size_t i = 0; i < lines; ++i) {
      text += Line();
      if (i + 1 < lines || Pick(3)) text += kEnds[Pick(std::size(kEnds))];
    }
    if (!text.empty() && Pick(12) == 0) text.insert(Pick(text.size()), 1, '\0');
    const size_t form = Pick(10);
    return form == 0 ? "\xEF\xBB\xBF" + text : form < 3 ? Utf16(text, form == 1) : text;
  }

  // The bytes of a folder stream: packed (most often), plain, cut, corrupted, or anything.
  std::string Stream(size_t lines) {
    const std::string text = Text(lines);
    std::string packed = Pack(text);
    switch (Pick(16)) {
      case 0: return text;
      case 1:
      case 2: return packed.substr(0, 2 + Pick(packed.size() - 1));  // cut short
      case 3: packed[2 + Pick(packed.size() - 2)] ^= char(1 + Pick(255)); return packed;
      case 4: return "";
      case 5: return RandomBytes(Pick(300));
      case 6: return packed + RandomBytes(1 + Pick(20));   // bytes after the stream's end
      case 7: return "\x78\x9C" + RandomBytes(Pick(100));  // a zlib header, then noise
      default: return packed;
    }
  }

  static std::string Pack(const std::string& text) {
    TMemoryStream source(text), packed;
    ZCompressStream(source, packed);
    return packed.Bytes();
  }

  size_t Pick(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(FRandom) : 0; }

 private:
  // One of the texts of a list written one a line.
  std::string OneOf(std::string_view list) {
    std::vector<std::string_view> items;
    for (size_t at = 0, end; at <= list.size(); at = end + 1) {
      end = std::min(list.find('\n', at), list.size());
      items.push_back(list.substr(at, end - at));
    }
    return std::string(items[Pick(items.size())]);
  }

  std::string Number() {
    if (Pick(3) == 0) return std::to_string(Pick(100000));
    return OneOf(
        "0\n1\n42\n007\n123456789\n999999999\n1000000000\n2147483647\n2147483648\n4294967295\n"
        "4294967296\n-1\n-2147483648\n-2147483649\n+5\n0x1F\n0XffFFffFF\n0x100000000\n$FF\n-$10\n"
        "-0x1\n\n 5\n5 \n1.5\nabc\n\xEF\xBC\x91\n\xB2\n99999999999999999999999\n0x\n-\n+\n$");
  }

  std::string Date() {
    switch (Pick(4)) {
      case 0:
        return OneOf(
            "41000.5000000000\n0\n0.0000000000\n-0\n-1.25\n1e5\n4.1e4\n+41000.5\n41000.\n41000\n"
            ".5\nnan\ninf\n-inf\n1e400\n-700000\n2958465.9999999999\n2958466\n-693593\n-693594\n"
            "41000,5\n\n  41000\n4\xA0"
            "1000\n0x1p4\n1E+4\n1e-320\n41000.99999999999\n-41000.99999999999\n+\ne\n--1\n"
            "4\xC2\xA0"
            "1");
      case 1: return std::string(1 + Pick(200), char('0' + Pick(10)));
      default: {  // as the line writer gives them, the time often next to a whole second
        const double ms = double(Pick(86400)) * 1000 +
                          (Pick(2) ? 999.499 + double(Pick(3)) / 1e3 : double(Pick(1000)));
        const double day = double(Pick(2) ? Pick(100000) : Pick(3000000)) * (Pick(8) ? 1 : -1);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", int(Pick(12)), day + ms / 86400000.0);
        return buf;
      }
    }
  }

  std::string TextField() {
    if (Pick(4) == 0) return RandomBytes(Pick(30));
    return OneOf(
        "\nplain\nHello, world\nsay \"hi\"\n'quoted'\n=SUM(A1)\n+1\n-2\n@home\n\tTab\nback\\slash\n"
        "\x01\x1F\x7F\ncaf\xE9\n\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xFF\n\xC3\xA9t\xC3\xA9\n"
        "\xE2\x80\xA8 and "
        "\xE2\x80\xA9\n\xF0\x9F\x98\x80\n\xC3\n\xED\xA0\x80\n\xF8\x88\x80\x80\x80\n"
        "\xE2\x80\n\xC0\xAF\n\xE2\x80\xA8\xE2\n,\"\n\"\n,\n<m1@example.org>\nAnn Example\n"
        "ann@example.org\nTue, 1 Jan 2013 12:00:00 +0100");
  }

  // Any bytes but the line ends and NUL, a ";" now and then.
  std::string RandomBytes(size_t n) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i) {
      const char c = char(1 + Pick(255));
      bytes += c == '\r' || c == '\n' ? ';' : c;
    }
    return bytes;
  }

  // The text read as UTF-8, in UTF-16 with its mark, sometimes with a lone surrogate or an odd
  // last byte.
  std::string Utf16(const std::string& text, bool little) {
    std::u16string units = Utf8ToUtf16(text);
    if (Pick(3) == 0) units.insert(Pick(units.size() + 1), 1, char16_t(0xD800 + Pick(0x800)));
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : units) {
      const char lo = char(u & 0xFF), hi = char(u >> 8);
      bytes += {little ? lo : hi, little ? hi : lo};
    }
    return Pick(4) == 0 ? bytes + 'x' : bytes;
  }

  std::mt19937 FRandom;
};

}  // namespace kv::test

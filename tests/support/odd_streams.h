// Folder streams as other writers, damage and chance leave them, for tests that hold two
// readers of a history file to the same result: record lines with odd fields (numbers out of
// range, signed, hexadecimal; dates no writer makes; texts with separators, quotes, control
// characters, every Windows-1252 byte, valid and invalid UTF-8), every kind of line end, NUL
// bytes, byte-order marks and UTF-16, and streams plain, zlib-packed, cut short or corrupted.
// The same seed gives the same streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
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
    switch (Pick(12)) {
      case 0: return "";
      case 1: return TextField();  // no field separator, most likely
      case 2: return RandomBytes(Pick(40));
      default: break;
    }
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
    static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n",   "\r\n",
                                        "\n",   "\r",   "\r\r\n", "\n\r"};
    std::string text;
    for (size_t i = 0; i < lines; ++i) {
      text += Line();
      if (i + 1 < lines || Pick(3)) text += kEnds[Pick(8)];
    }
    if (!text.empty() && Pick(12) == 0) text.insert(Pick(text.size()), 1, '\0');
    switch (Pick(10)) {
      case 0: return "\xEF\xBB\xBF" + text;
      case 1: return Utf16(text, true);
      case 2: return Utf16(text, false);
      default: return text;
    }
  }

  // The bytes of a folder stream: packed (most often), plain, cut, corrupted, or anything.
  std::string Stream(size_t lines) {
    const std::string text = Text(lines);
    const std::string packed = Pack(text);
    switch (Pick(16)) {
      case 0: return text;
      case 1:
      case 2: return packed.substr(0, 2 + Pick(packed.size() - 1));  // cut short
      case 3: {
        std::string flipped = packed;
        flipped[2 + Pick(flipped.size() - 2)] ^= char(1 + Pick(255));
        return flipped;
      }
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
  std::string Number() {
    static const char* const kNumbers[] = {"0",
                                           "1",
                                           "42",
                                           "007",
                                           "123456789",
                                           "999999999",
                                           "1000000000",
                                           "2147483647",
                                           "2147483648",
                                           "4294967295",
                                           "4294967296",
                                           "-1",
                                           "-2147483648",
                                           "-2147483649",
                                           "+5",
                                           "0x1F",
                                           "0XffFFffFF",
                                           "0x100000000",
                                           "$FF",
                                           "-$10",
                                           "-0x1",
                                           "",
                                           " 5",
                                           "5 ",
                                           "1.5",
                                           "abc",
                                           "\xEF\xBC\x91",
                                           "\xB2",
                                           "99999999999999999999999",
                                           "0x",
                                           "-",
                                           "+",
                                           "$"};
    if (Pick(3) == 0) return std::to_string(Pick(100000));
    return kNumbers[Pick(std::size(kNumbers))];
  }

  std::string Date() {
    static const char* const kDates[] = {"41000.5000000000",
                                         "0",
                                         "0.0000000000",
                                         "-0",
                                         "-1.25",
                                         "1e5",
                                         "4.1e4",
                                         "+41000.5",
                                         "41000.",
                                         "41000",
                                         ".5",
                                         "nan",
                                         "inf",
                                         "-inf",
                                         "1e400",
                                         "-700000",
                                         "2958465.9999999999",
                                         "2958466",
                                         "-693593",
                                         "-693594",
                                         "41000,5",
                                         "",
                                         "  41000",
                                         "4\xA0"
                                         "1000",
                                         "0x1p4",
                                         "1E+4",
                                         "1e-320",
                                         "41000.99999999999",
                                         "-41000.99999999999",
                                         "+",
                                         "e",
                                         "--1",
                                         "4\xC2\xA0"
                                         "1"};
    switch (Pick(4)) {
      case 0: return kDates[Pick(std::size(kDates))];
      case 1: return std::string(1 + Pick(200), char('0' + Pick(10)));
      default: {  // as the line writer gives them, the time often next to a whole second
        const double ms = double(Pick(86400)) * 1000 +
                          (Pick(2) ? 999.499 + double(Pick(3)) / 1e3 : double(Pick(1000)));
        char buf[64];
        std::snprintf(
            buf, sizeof buf, "%.*f", int(Pick(12)),
            double(Pick(2) ? Pick(100000) : Pick(3000000)) * (Pick(8) ? 1 : -1) + ms / 86400000.0);
        return buf;
      }
    }
  }

  std::string TextField() {
    static const char* const kTexts[] = {"",
                                         "plain",
                                         "Hello, world",
                                         "say \"hi\"",
                                         "'quoted'",
                                         "=SUM(A1)",
                                         "+1",
                                         "-2",
                                         "@home",
                                         "\tTab",
                                         "back\\slash",
                                         "\x01\x1F\x7F",
                                         "caf\xE9",
                                         "\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xFF",
                                         "\xC3\xA9t\xC3\xA9",
                                         "\xE2\x80\xA8 and \xE2\x80\xA9",
                                         "\xF0\x9F\x98\x80",
                                         "\xC3",
                                         "\xED\xA0\x80",
                                         "\xF8\x88\x80\x80\x80",
                                         "\xE2\x80",
                                         "\xC0\xAF",
                                         "\xE2\x80\xA8\xE2",
                                         ",\"",
                                         "\"",
                                         ",",
                                         "<m1@example.org>",
                                         "Ann Example",
                                         "ann@example.org",
                                         "Tue, 1 Jan 2013 12:00:00 +0100"};
    if (Pick(4) == 0) return RandomBytes(Pick(30));
    return kTexts[Pick(std::size(kTexts))];
  }

  // Any bytes but the line ends and NUL, a ";" now and then.
  std::string RandomBytes(size_t n) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i) {
      char c = char(1 + Pick(255));
      if (c == '\r' || c == '\n') c = ';';
      bytes += c;
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
      bytes += little ? lo : hi;
      bytes += little ? hi : lo;
    }
    if (Pick(4) == 0) bytes += 'x';
    return bytes;
  }

  std::mt19937 FRandom;
};

}  // namespace kv::test

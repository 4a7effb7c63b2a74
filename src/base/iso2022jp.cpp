#include "base/iso2022jp.h"

namespace kv {
namespace {

enum TSet { sAscii, sKatakana, sJis0208, sJis0212, sOtherDouble };

// The escape sequence at `i`: ESC, intermediate bytes 0x20-0x2F, a final byte 0x30-0x7E.
// Returns the position after it; an incomplete one is the ESC and its intermediates.
size_t Escape(std::string_view bytes, size_t i, TSet& set, TIso2022JpSink& sink) {
  size_t end = i + 1;
  while (end < bytes.size() && end - i <= 3 && bytes[end] >= 0x20 && bytes[end] <= 0x2F) ++end;
  if (end >= bytes.size() || bytes[end] < 0x30 || bytes[end] > 0x7E) {
    sink.Invalid();
    return end;
  }
  const std::string_view seq = bytes.substr(i + 1, end + 1 - (i + 1));
  if (seq == "(B" || seq == "(J" || seq == "(H")
    set = sAscii;
  else if (seq == "(I")
    set = sKatakana;
  else if (seq == "$@" || seq == "$B" || seq == "$(@" || seq == "$(B")
    set = sJis0208;
  else if (seq == "$(D")
    set = sJis0212;
  else if (seq == "&@") {
  }  // announces the 1990 edition of JIS X 0208 before ESC $ B
  else if (seq[0] == '$' && (seq.size() == 2 || seq[1] == '('))
    set = sOtherDouble;
  else
    sink.Invalid();  // a set of another ISO 2022 form (G1 to G3, single shifts, 96-sets)
  return end + 1;
}

}  // namespace

void ScanIso2022Jp(std::string_view bytes, TIso2022JpSink& sink) {
  TSet set = sAscii;
  bool shiftOut = false;  // SO: half-width katakana up to SI
  for (size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c == 0x1B) {
      i = Escape(bytes, i, set, sink);
    } else if (c == 0x0E || c == 0x0F) {
      shiftOut = c == 0x0E;
      ++i;
    } else if (c == '\n' || c == '\r') {
      set = sAscii;
      shiftOut = false;
      sink.Ascii(char(c));
      ++i;
    } else if (c <= ' ') {
      sink.Ascii(char(c));
      ++i;
    } else if (c >= 0x7F) {
      sink.Invalid();
      ++i;
    } else if (shiftOut || set == sKatakana) {
      if (c <= 0x5F)
        sink.Katakana(c);
      else
        sink.Invalid();
      ++i;
    } else if (set == sAscii) {
      sink.Ascii(char(c));
      ++i;
    } else {
      const auto d = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
      if (d < 0x21 || d > 0x7E) {
        sink.Invalid();
        ++i;
        continue;
      }
      if (set == sJis0212)
        sink.Jis0212(c, d);
      else if (set == sJis0208)
        sink.Jis0208(c, d);
      else
        sink.Invalid();
      i += 2;
    }
  }
}

void JisToShiftJis(uint8_t row, uint8_t cell, char& lead, char& trail) {
  const unsigned r = row - 0x21u;
  lead = char(0x81 + r / 2 + (r >= 62 ? 0x40 : 0));
  trail = char(r % 2 ? cell + 0x7E : cell + (cell >= 0x60 ? 0x20 : 0x1F));
}

}  // namespace kv

// ISO-2022-JP as the mail programs of Windows write and read it (code pages 50220 to 50222):
// the escape sequences and shift states, walked once for both builds. Each character is handed
// to a sink in the set it belongs to; the sink turns it into text (through iconv's EUC-JP-MS on
// POSIX, through code page 932 on Windows).
//
// Sets: ESC ( B ASCII; ESC ( J JIS X 0201 Roman, read as ASCII as Windows reads it (a backslash
// stays a backslash); ESC ( I, or SO up to SI, half-width katakana; ESC $ @, ESC $ B JIS X
// 0208; ESC $ ( D JIS X 0212. A line end returns to ASCII; blanks and controls stand for
// themselves in every set. Invalid input is one Invalid() per character: a byte with its high
// bit set, a two-byte character with a byte out of range or of a set we do not know (ESC $ A
// and the like), a katakana out of range, an escape sequence that designates no set we know.
#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

class TIso2022JpSink {
 public:
  virtual ~TIso2022JpSink() = default;
  virtual void Ascii(char c) = 0;
  virtual void Katakana(uint8_t c) = 0;                 // 0x21 to 0x5F
  virtual void Jis0208(uint8_t row, uint8_t cell) = 0;  // both 0x21 to 0x7E
  virtual void Jis0212(uint8_t row, uint8_t cell) = 0;
  virtual void Invalid() = 0;
};

void ScanIso2022Jp(std::string_view bytes, TIso2022JpSink& sink);

// The Shift_JIS bytes (code page 932) of a JIS X 0208 character, extensions included: the NEC
// signs of row 13 and the NEC-selected IBM kanji of rows 89 to 92 lie where Windows puts them.
void JisToShiftJis(uint8_t row, uint8_t cell, char& lead, char& trail);

}  // namespace kv

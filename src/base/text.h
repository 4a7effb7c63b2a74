// UTF-16 text helpers. Text inside Kolvane is std::u16string; lengths and positions count
// UTF-16 code units. Case folding here touches the ASCII letters only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

using TStringList = std::vector<std::u16string>;

// ASCII-only case mapping: 'a'..'z' <-> 'A'..'Z', every other code unit unchanged.
char16_t AsciiUpperChar(char16_t c);
std::u16string AsciiUpper(std::u16string_view text);
std::u16string AsciiLower(std::u16string_view text);
bool SameTextAscii(std::u16string_view a, std::u16string_view b);
bool StartsWithAscii(std::u16string_view text, std::u16string_view prefix);  // case-insensitive
// Position of needle in text, ASCII case folded; npos when absent.
size_t FindAscii(std::u16string_view text, std::u16string_view needle, size_t from = 0);

// Trimming removes code units at or below U+0020 at the ends.
std::u16string_view TrimView(std::u16string_view text);
std::u16string Trim(std::u16string_view text);
std::u16string TrimLeft(std::u16string_view text);
std::u16string TrimRight(std::u16string_view text);

// The integer rule: an optional sign and decimal digits, or a hexadecimal number after "$" or
// "0x"/"0X" (the sign may precede those too); nothing else, not even blanks, the empty text
// included. Hexadecimal values up to 0xFFFFFFFF are taken as the 32-bit pattern.
std::optional<int32_t> ParseInt32(std::u16string_view text);
std::optional<int64_t> ParseInt64(std::u16string_view text);
int32_t StrToIntDef(std::u16string_view text, int32_t fallback);

// A decimal floating-point number with "." as separator (optional sign, exponent allowed),
// whatever the process locale. nullopt when the whole text is not such a number.
std::optional<double> ParseDouble(std::u16string_view text);
// Fixed-point with `decimals` digits after ".", locale independent ("%1.10f" for 10).
std::u16string FormatFixed(double value, int decimals);

std::u16string IntToStr(int64_t value);
std::u16string UIntToStr(uint64_t value);

// ASCII text <-> UTF-16 for literals and protocol words (bytes above 0x7F map through cp1252
// on the way in; use the code-page helpers for real 8-bit text).
std::u16string Ascii(std::string_view text);

// Splits on a single code unit; empty fields are kept.
TStringList Split(std::u16string_view text, char16_t separator);
std::u16string Join(const TStringList& parts, std::u16string_view separator);
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to);

}  // namespace kv

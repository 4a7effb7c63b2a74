// Case-insensitive comparison of names and paths as a Windows file system and registry make it:
// every code unit folds to its simple upper-case form (ASCII and beyond: "ä" equals "Ä").
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Code units from U+0080 on go through the Unicode case tables.
char16_t FoldCaseBeyondAscii(char16_t c);
inline char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
  return FoldCaseBeyondAscii(c);
}
std::u16string FoldCase(std::u16string_view text);
bool SameTextFold(std::u16string_view a, std::u16string_view b);
// Position of the first occurrence of `needle` in `text` at or after `from`, case folded;
// npos when absent. An empty needle is found at `from`.
size_t FindFold(std::u16string_view text, std::u16string_view needle, size_t from = 0);
// Replaces the first case-folded occurrence of `from`; `text` unchanged when absent.
std::u16string ReplaceFirstFold(std::u16string_view text, std::u16string_view from,
                                std::u16string_view to);

}  // namespace kv

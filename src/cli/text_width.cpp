#include "cli/text_width.h"

#include "base/codepage.h"

#include <algorithm>

namespace kv {

namespace {

struct TCharRange {
  char32_t First, Last;
};

#include "cli/char_width_table.inc"

template <size_t N>
bool InRanges(const TCharRange (&ranges)[N], char32_t cp) {
  auto it = std::upper_bound(std::begin(ranges), std::end(ranges), cp,
                             [](char32_t v, const TCharRange& r) { return v < r.First; });
  return it != std::begin(ranges) && cp <= std::prev(it)->Last;
}

bool IsControl(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0x2028 || cp == 0x2029;
}

// The code point at `i`, and how many code units it takes.
char32_t CodePointAt(std::u16string_view text, size_t i, size_t& units) {
  size_t next = i;
  const char32_t cp = NextCodePoint(text, next);
  units = next - i;
  return cp;
}

}  // namespace

int CharWidth(char32_t cp) {
  if (IsControl(cp)) return 0;
  if (cp < 0x300) return 1;
  if (InRanges(kZeroWidth, cp)) return 0;
  if (InRanges(kDoubleWidth, cp)) return 2;
  return 1;
}

size_t DisplayWidth(std::u16string_view text) {
  size_t width = 0, units = 0;
  for (size_t i = 0; i < text.size(); i += units)
    width += size_t(CharWidth(CodePointAt(text, i, units)));
  return width;
}

std::u16string OneLine(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out)
    if (IsControl(c)) c = u' ';
  return out;
}

std::u16string FitWidth(std::u16string_view text, size_t width) {
  if (DisplayWidth(text) <= width) return std::u16string(text);
  if (width == 0) return {};
  // Keep whole characters (with their combining marks) within width - 1 cells, then "…".
  size_t used = 0, units = 0, end = 0;
  for (size_t i = 0; i < text.size(); i += units) {
    int w = CharWidth(CodePointAt(text, i, units));
    if (used + size_t(w) > width - 1) break;
    used += size_t(w);
    end = i + units;
  }
  std::u16string out(text.substr(0, end));
  out += u'\u2026';
  return out;
}

}  // namespace kv

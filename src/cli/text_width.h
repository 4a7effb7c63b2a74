// The width of text on a terminal, in character cells: most characters take one cell, East
// Asian wide and fullwidth characters two, combining marks and format characters none.
// Tables measure their cells with these so that columns line up whatever the script.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// Cells of one code point; control characters count 0 (tables replace them before measuring).
int CharWidth(char32_t cp);

// Cells of a UTF-16 text; an unpaired surrogate counts as one replacement character.
size_t DisplayWidth(std::u16string_view text);

// The text with control characters (C0, DEL, C1, line and paragraph separators) replaced by
// blanks, so that one cell stays on one line.
std::u16string OneLine(std::u16string_view text);

// The longest start of `text` that fits `width` cells, followed by "…" when the text was cut.
// A text that fits comes back whole.
std::u16string FitWidth(std::u16string_view text, size_t width);

}  // namespace kv

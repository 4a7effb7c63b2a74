#include "system/case_fold.h"

namespace kv {

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldCase(c);
  return out;
}

bool SameTextFold(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

size_t FindFold(std::u16string_view text, std::u16string_view needle, size_t from) {
  if (from > text.size()) return std::u16string_view::npos;
  if (needle.size() > text.size() - from) return std::u16string_view::npos;
  for (size_t i = from; i + needle.size() <= text.size(); ++i) {
    if (SameTextFold(text.substr(i, needle.size()), needle)) return i;
  }
  return std::u16string_view::npos;
}

std::u16string ReplaceFirstFold(std::u16string_view text, std::u16string_view from,
                                std::u16string_view to) {
  size_t pos = FindFold(text, from);
  if (pos == std::u16string_view::npos || from.empty()) return std::u16string(text);
  std::u16string out(text.substr(0, pos));
  out += to;
  out += text.substr(pos + from.size());
  return out;
}

}  // namespace kv

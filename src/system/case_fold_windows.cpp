// Case folding beyond ASCII as Windows compares file and registry names: the invariant
// locale's upper case, which does not depend on the user's language.
#include <windows.h>

#include <array>
#include <string>
#include <utility>

#include "system/case_fold.h"

namespace kv {
namespace {

// The upper case of every code unit from U+0080 on, asked of the system once.
const std::array<char16_t, 0x10000>& UpperTable() {
  static const std::array<char16_t, 0x10000> table = [] {
    std::array<char16_t, 0x10000> t{};
    for (size_t i = 0; i < t.size(); ++i) t[i] = char16_t(i);
    // Two runs that leave out the surrogate halves, which stay as they are.
    for (const auto& [first, last] : {std::pair<size_t, size_t>{0x80, 0xD800}, {0xE000, 0x10000}}) {
      std::wstring in(last - first, L'\0'), out(last - first, L'\0');
      for (size_t i = 0; i < in.size(); ++i) in[i] = wchar_t(first + i);
      if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, in.data(), int(in.size()),
                        out.data(), int(out.size()), nullptr, nullptr, 0) != int(in.size()))
        continue;
      for (size_t i = 0; i < in.size(); ++i) t[first + i] = char16_t(out[i]);
    }
    return t;
  }();
  return table;
}

}  // namespace

char16_t FoldCaseBeyondAscii(char16_t c) {
  if (c < 0x80) return FoldCase(c);
  return UpperTable()[c];
}

}  // namespace kv

// Case folding beyond ASCII through the C library's Unicode case tables.
#include <locale.h>
#include <wctype.h>

#include "system/case_fold.h"

namespace kv {
namespace {

// The C.UTF-8 locale carries the Unicode case tables whatever locale the process runs in.
locale_t UnicodeLocale() {
  static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  return loc;
}

}  // namespace

char16_t FoldCaseBeyondAscii(char16_t c) {
  if (c < 0x80) return FoldCase(c);
  if (c >= 0xD800 && c <= 0xDFFF) return c;  // surrogate halves stay as they are
  locale_t loc = UnicodeLocale();
  if (loc == locale_t(0)) return c;
  wint_t up = towupper_l(wint_t(c), loc);
  return up <= 0xFFFF ? char16_t(up) : c;
}

}  // namespace kv

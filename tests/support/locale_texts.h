// The date and time texts a locale gives, for tests of rules that combine them (which parts a
// cell shows, how it rounds) rather than of the locale's own forms, which differ between the C
// library's locales and Windows'.
#pragma once

#include <string>

#include "ui/locale.h"

namespace kv::test {

inline std::u16string DateText(const TLocale& locale, int year, int month, int day) {
  return locale.FormatShortDate(TCalendar{year, month, day});
}

inline std::u16string DateTimeText(const TLocale& locale, int year, int month, int day, int hour,
                                   int minute, int second) {
  const TCalendar c{year, month, day, hour, minute, second, 0};
  return locale.FormatShortDate(c) + u" " + locale.FormatLongTime(c);
}

}  // namespace kv::test

// The system's part of a named locale, behind TLocale: the C library's locales on POSIX
// (locale_posix.cpp), the Windows locale functions there (locale_windows.cpp). TLocale itself
// keeps the plain locale, the grouping of digits and the choice of a locale by the environment.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"

namespace kv {

struct TNativeLocale;  // defined by each system's part

// "C", "POSIX", "C.UTF-8" and the empty name stand for the plain locale.
bool IsPlainLocaleName(std::string_view name);
// A text as the collation functions take it: code points, surrogate pairs joined, unpaired
// halves replaced by U+FFFD, NULs dropped (they would end the text early).
std::u32string CollationCodePoints(std::u16string_view text);

// `name` as the user gave it; nullptr when the system has no such locale. `thousandsSep` (empty:
// no grouping) and `grouping` (group sizes from the right, the last one repeating) get its digit
// grouping.
std::shared_ptr<const TNativeLocale> OpenNativeLocale(const std::string& name,
                                                      std::u16string& thousandsSep,
                                                      std::vector<int>& grouping);
// The locale the environment (LC_ALL, LC_xxx, LANG) or, on Windows without those, the user's
// settings select; nullptr when that is the plain one or unknown. `name` gets its name.
std::shared_ptr<const TNativeLocale> OpenEnvironmentLocale(std::string& name,
                                                           std::u16string& thousandsSep,
                                                           std::vector<int>& grouping);

std::u16string NativeShortDate(const TNativeLocale& locale, const TCalendar& c);
std::u16string NativeLongTime(const TNativeLocale& locale, const TCalendar& c);
// -1, 0 or +1.
int NativeCompare(const TNativeLocale& locale, std::u16string_view a, std::u16string_view b);
// A collation key: comparing two keys as plain wide strings orders as NativeCompare.
std::wstring NativeKey(const TNativeLocale& locale, std::u16string_view text);

}  // namespace kv

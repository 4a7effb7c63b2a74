// Calendar arithmetic for the system's date-time: a double counting days since 1899-12-30 00:00,
// the fraction being the time of day. No time-zone shift happens here.
#pragma once

#include <cstdint>
#include <optional>

namespace kv {

using TDateTime = double;

struct TCalendar {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);            // 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day);  // year 1..9999

// Days since 1899-12-30 of a valid date; nullopt for an invalid one.
std::optional<TDateTime> EncodeDate(int year, int month, int day);
// Fields must be in range (hour < 24, ...); nullopt otherwise.
std::optional<TDateTime> EncodeDateTime(const TCalendar& c);
// The calendar fields of a date-time, milliseconds rounded as Delphi's DecodeDateTime does;
// nullopt when the value is outside years 1..9999 or not finite.
std::optional<TCalendar> DecodeDateTime(TDateTime value);

// FILETIME: 100-nanosecond intervals since 1601-01-01 00:00 UTC, stored low half first.
struct TFileTime {
  uint32_t Low = 0;
  uint32_t High = 0;
  uint64_t Value() const { return (uint64_t(High) << 32) | Low; }
  static TFileTime FromValue(uint64_t v) { return {uint32_t(v), uint32_t(v >> 32)}; }
};

// Field by field, millisecond precision (the finer part truncated); nullopt past year 9999.
std::optional<TCalendar> FileTimeToCalendar(TFileTime ft);
std::optional<TFileTime> CalendarToFileTime(const TCalendar& c);

// Seconds since the Unix epoch <-> date-time, both read as the same wall clock (no zone shift).
TDateTime UnixToDateTime(int64_t seconds);
int64_t DateTimeToUnix(TDateTime value);  // rounded to the nearest second

}  // namespace kv

namespace kv {
// The current local date and time of this machine, to the millisecond.
TDateTime NowLocal();
}  // namespace kv

namespace kv {
// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (no range check), and back.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);
// Seconds since 1970-01-01 00:00 of a calendar time, and back (the millisecond carried along).
int64_t CalendarToUnixSeconds(const TCalendar& c);
TCalendar UnixSecondsToCalendar(int64_t seconds, int millisecond = 0);
}  // namespace kv

#include "base/datetime.h"

#include <cmath>

namespace kv {

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kDateDelta = 693593;         // days from 0001-01-01 to 1899-12-30
constexpr int64_t kFileTimeEpochDay = 584388;  // days from 0001-01-01 to 1601-01-01
constexpr int64_t kMaxDay = 3652058;           // 9999-12-31 counted from 0001-01-01

// Days from 0001-01-01 of a valid date.
int64_t DayNumber(int year, int month, int day) {
  int64_t y = year - 1;
  int64_t n = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) n += DaysInMonth(year, m);
  return n + day - 1;
}

void CivilFromDayNumber(int64_t n, int& year, int& month, int& day) {
  // 400-year cycles of 146097 days, then centuries, 4-year cycles and years.
  int64_t y400 = n / 146097;
  n %= 146097;
  int64_t y100 = std::min<int64_t>(n / 36524, 3);
  n -= y100 * 36524;
  int64_t y4 = n / 1461;
  n %= 1461;
  int64_t y1 = std::min<int64_t>(n / 365, 3);
  n -= y1 * 365;
  year = int(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  month = 1;
  while (n >= DaysInMonth(year, month)) {
    n -= DaysInMonth(year, month);
    ++month;
  }
  day = int(n + 1);
}

// The calendar fields of a day number and the milliseconds into that day.
TCalendar CalendarOf(int64_t days, int64_t msOfDay) {
  TCalendar c;
  CivilFromDayNumber(days, c.Year, c.Month, c.Day);
  c.Hour = int(msOfDay / 3600000);
  c.Minute = int(msOfDay / 60000 % 60);
  c.Second = int(msOfDay / 1000 % 60);
  c.Millisecond = int(msOfDay % 1000);
  return c;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

std::optional<TDateTime> EncodeDate(int year, int month, int day) {
  if (!IsValidDate(year, month, day)) return std::nullopt;
  return double(DayNumber(year, month, day) - kDateDelta);
}

std::optional<TDateTime> EncodeDateTime(const TCalendar& c) {
  auto date = EncodeDate(c.Year, c.Month, c.Day);
  if (!date || c.Hour < 0 || c.Hour > 23 || c.Minute < 0 || c.Minute > 59 || c.Second < 0 ||
      c.Second > 59 || c.Millisecond < 0 || c.Millisecond > 999)
    return std::nullopt;
  double time =
      double(((c.Hour * 60 + c.Minute) * 60 + c.Second) * 1000 + c.Millisecond) / double(kMsPerDay);
  // Before 1899-12-30 the day counts down while the time of day still counts up.
  return *date >= 0 ? *date + time : *date - time;
}

std::optional<TCalendar> DecodeDateTime(TDateTime value) {
  if (!std::isfinite(value)) return std::nullopt;
  double whole = std::trunc(value);
  if (whole < double(-kDateDelta) || whole > double(kMaxDay - kDateDelta)) return std::nullopt;
  int64_t days = int64_t(whole) + kDateDelta;
  int64_t ms = std::llround(std::fabs(value - whole) * double(kMsPerDay));
  if (ms >= kMsPerDay) {  // rounding reached midnight
    ms -= kMsPerDay;
    days += value >= 0 ? 1 : -1;
  }
  if (days < 0 || days > kMaxDay) return std::nullopt;
  return CalendarOf(days, int64_t(ms));
}

std::optional<TCalendar> FileTimeToCalendar(TFileTime ft) {
  uint64_t ms = ft.Value() / 10000;
  int64_t days = int64_t(ms / kMsPerDay) + kFileTimeEpochDay;
  if (days > kMaxDay) return std::nullopt;
  int64_t rest = int64_t(ms % kMsPerDay);
  return CalendarOf(days, rest);
}

std::optional<TFileTime> CalendarToFileTime(const TCalendar& c) {
  if (!IsValidDate(c.Year, c.Month, c.Day) || c.Year < 1601 || c.Hour < 0 || c.Hour > 23 ||
      c.Minute < 0 || c.Minute > 59 || c.Second < 0 || c.Second > 59 || c.Millisecond < 0 ||
      c.Millisecond > 999)
    return std::nullopt;
  int64_t days = DayNumber(c.Year, c.Month, c.Day) - kFileTimeEpochDay;
  int64_t ms = days * kMsPerDay + ((c.Hour * 60 + c.Minute) * 60 + c.Second) * 1000 + c.Millisecond;
  return TFileTime::FromValue(uint64_t(ms) * 10000);
}

TDateTime UnixToDateTime(int64_t seconds) {
  int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  int64_t rest = seconds - days * 86400;
  double date = double(days + 25569);
  double time = double(rest) / 86400.0;
  return date >= 0 ? date + time : date - time;
}

int64_t DateTimeToUnix(TDateTime value) {
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  return (int64_t(whole) - 25569) * 86400 + std::llround(frac * 86400.0);
}

}  // namespace kv

#include "base/local_time.h"

namespace kv {

TDateTime NowLocal() {
  int ms = 0;
  const int64_t utc = UtcNowSeconds(ms);
  auto value = EncodeDateTime(UnixSecondsToCalendar(utc + LocalOffsetAt(utc).value_or(0), ms));
  return value ? *value : 0;
}

}  // namespace kv

namespace kv {

// H. Hinnant's algorithms for the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t CalendarToUnixSeconds(const TCalendar& c) {
  return DaysFromCivil(c.Year, c.Month, c.Day) * 86400 + int64_t(c.Hour) * 3600 +
         int64_t(c.Minute) * 60 + c.Second;
}

TCalendar UnixSecondsToCalendar(int64_t seconds, int millisecond) {
  int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  TCalendar c;
  CivilFromDays(days, c.Year, c.Month, c.Day);
  c.Hour = int(rest / 3600);
  c.Minute = int(rest / 60 % 60);
  c.Second = int(rest % 60);
  c.Millisecond = millisecond;
  return c;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(yoe + era * 400 + (month <= 2));
}

}  // namespace kv

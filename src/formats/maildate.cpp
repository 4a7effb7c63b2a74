// Header dates and FILETIME values. All zone work happens on whole seconds since the Unix epoch:
// the offset of an instant comes from the system's zone rules in force on that instant's own
// date (base/local_time.h).
#include "formats/maildate.h"

#include <time.h>

#include <array>
#include <cstdint>
#include <optional>

#include "base/local_time.h"
#include "base/text.h"

namespace kv {

namespace {

// Unix seconds ever representable as a date-time: years 1..9999.
constexpr int64_t kFirstSecond = -62135596800;  // 0001-01-01 00:00:00
constexpr int64_t kLastSecond = 253402300799;   // 9999-12-31 23:59:59

// Days of the date-time (0 is 1899-12-30) of 1601-01-01, the FILETIME epoch; of 1970-01-01,
// the Unix epoch; and of 9999-12-31, the last day a date-time holds.
constexpr int64_t kFileTimeEpochDay = -109205;
constexpr int64_t kUnixEpochDay = 25569;
constexpr int64_t kLastDay = 2958465;
constexpr int64_t kMsPerDay = 86400000;

// The date-time of day `day` and `ms` milliseconds into it, as EncodeDateTime makes it: before
// 1899-12-30 the day counts down while the time of day still counts up.
TDateTime DayAndTime(int64_t day, int64_t ms) {
  const double date = double(day);
  const double time = double(ms) / double(kMsPerDay);
  return date >= 0 ? date + time : date - time;
}

std::optional<TDateTime> SecondsToDateTime(int64_t seconds, int millisecond) {
  if (seconds < kFirstSecond || seconds > kLastSecond) return std::nullopt;
  return EncodeDateTime(UnixSecondsToCalendar(seconds, millisecond));
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Offset of a zone field in minutes east of UTC; nullopt for an out-of-range numeric zone.
std::optional<int> ZoneOffsetMinutes(std::u16string_view zone) {
  const size_t comment = zone.find(u'(');  // "+0100(CET)": the comment may follow directly
  if (comment != std::u16string_view::npos) zone = zone.substr(0, comment);
  zone = TrimView(zone);
  if (zone.size() == 5 && !(zone[0] >= u'A' && zone[0] <= u'z')) {
    const int sign = zone[0] == u'-' ? -1 : 1;
    const int hours = ParseInt32(zone.substr(1, 2)).value_or(0);
    const int minutes = ParseInt32(zone.substr(3, 2)).value_or(0);
    if (hours < 0 || hours >= 24 || minutes < 0 || minutes >= 60) return std::nullopt;
    return sign * (hours * 60 + minutes);
  }
  struct TZoneName {
    std::u16string_view Name;
    int Hours;
  };
  static constexpr std::array<TZoneName, 10> kZones = {{{u"UT", 0},
                                                        {u"GMT", 0},
                                                        {u"EST", -5},
                                                        {u"EDT", -4},
                                                        {u"CST", -6},
                                                        {u"CDT", -5},
                                                        {u"MST", -7},
                                                        {u"MDT", -6},
                                                        {u"PST", -8},
                                                        {u"PDT", -7}}};
  for (const TZoneName& z : kZones)
    if (SameTextAscii(zone, z.Name)) return z.Hours * 60;
  return 0;  // "Z", military letters, unknown names: UTC
}

int MonthFromName(std::u16string_view field) {
  static constexpr std::u16string_view kMonths = u"JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
  if (field.size() < 3) return 1;  // a name that is not found reads as January
  const std::u16string key = AsciiUpper(field.substr(0, 3));
  for (int m = 0; m < 12; ++m)
    if (kMonths.substr(size_t(m) * 3, 3) == key) return m + 1;
  return 1;
}

// The UTC instant of a header date in seconds since the Unix epoch, with its milliseconds (0).
std::optional<int64_t> ParseMailDateSeconds(std::u16string_view text) {
  text = TrimView(text);
  if (text.empty()) return std::nullopt;

  // Fields by state: 1 day, 2 month, 3 year, 4 hour, 5 minute, 6 second, 7 zone. State 0 holds
  // a leading weekday, states above 7 what follows the zone; both are dropped.
  std::array<std::u16string_view, 8> fields{};
  std::array<size_t, 8> starts{};
  starts.fill(std::u16string_view::npos);
  int state = IsDigit(text[0]) ? 1 : 0;
  bool afterSeparator = false;  // a blank right after a separator adds no field
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsBlank(c)) {
      if (afterSeparator) continue;
      afterSeparator = true;
      ++state;
      if (state == 6) state = 7;  // a time without seconds goes straight on to the zone
      continue;
    }
    if (c == u'/' || c == u':' || (c == u',' && state == 0)) {
      ++state;
      afterSeparator = c == u',';  // "Mon, 5": the blank after the weekday's comma is no field
      continue;
    }
    afterSeparator = false;
    if (state >= 1 && state <= 7) {
      if (starts[state] == std::u16string_view::npos) starts[state] = i;
      fields[state] = text.substr(starts[state], i + 1 - starts[state]);
    }
  }

  const std::u16string_view monthField = fields[2];
  if (monthField.empty() || fields[3].empty()) return std::nullopt;
  int month = 0;
  if (IsDigit(monthField[0]))
    month = ParseInt32(monthField).value_or(0);
  else
    month = MonthFromName(monthField);
  const std::optional<int32_t> yearValue = ParseInt32(fields[3]);
  if (!yearValue || *yearValue < 0) return std::nullopt;
  int year = *yearValue;
  if (year < 100)
    year += year >= 50 ? 1900 : 2000;
  else if (year < 1000)
    year += 1900;  // three digits: years since 1900, as old mailers wrote them
  const int day = ParseInt32(fields[1]).value_or(0);
  if (month == 0 || !IsValidDate(year, month, day)) return std::nullopt;

  const std::optional<int> zone = ZoneOffsetMinutes(fields[7]);
  if (!zone) return std::nullopt;
  // Hour, minute and second are not range-checked: an hour of 25 moves into the next day.
  const int64_t hour = ParseInt32(fields[4]).value_or(0);
  const int64_t minute = ParseInt32(fields[5]).value_or(0);
  const int64_t second = ParseInt32(fields[6]).value_or(0);
  const int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 +
                          second - int64_t(*zone) * 60;
  if (seconds < kFirstSecond || seconds > kLastSecond) return std::nullopt;
  return seconds;
}

}  // namespace

TDateTime ParseMailDateUtc(std::u16string_view text) {
  const std::optional<int64_t> seconds = ParseMailDateSeconds(text);
  if (!seconds) return 0;
  return SecondsToDateTime(*seconds, 0).value_or(0);
}

TDateTime ParseMailDate(std::u16string_view text) {
  const std::optional<int64_t> seconds = ParseMailDateSeconds(text);
  if (!seconds) return 0;
  const int64_t offset = LocalOffsetAt(*seconds).value_or(0);
  if (auto local = SecondsToDateTime(*seconds + offset, 0)) return *local;
  return SecondsToDateTime(*seconds, 0).value_or(0);
}

TDateTime LocalTimeBias() {
  const std::optional<int64_t> offset = LocalOffsetAt(static_cast<int64_t>(time(nullptr)));
  return offset ? TDateTime(*offset) / 86400.0 : 0.0;
}

TDateTime UTCToLocalDateTime(TDateTime utc) {
  const std::optional<TCalendar> c = DecodeDateTime(utc);
  if (!c) return utc;
  const int64_t seconds = CalendarToUnixSeconds(*c);
  const std::optional<int64_t> offset = LocalOffsetAt(seconds);
  if (!offset) return utc;
  return SecondsToDateTime(seconds + *offset, c->Millisecond).value_or(utc);
}

namespace {

// A FILETIME as its day (date-time days) and the milliseconds into it; false past year 9999.
bool SplitFileTime(TFileTime fileTime, int64_t& day, int64_t& ms) {
  const uint64_t all = fileTime.Value() / 10000;
  day = int64_t(all / kMsPerDay) + kFileTimeEpochDay;
  ms = int64_t(all % kMsPerDay);
  return day <= kLastDay;
}

// The UTC instant `day`, `ms` shifted by `offset` seconds; unshifted when that leaves the years a
// date-time holds.
TDateTime ShiftedDateTime(int64_t day, int64_t ms, int64_t offset) {
  const int64_t local = (day - kUnixEpochDay) * 86400 + ms / 1000 + offset;
  if (local < kFirstSecond || local > kLastSecond) return DayAndTime(day, ms);
  const int64_t localDay = local / 86400 - (local % 86400 < 0 ? 1 : 0);
  return DayAndTime(localDay + kUnixEpochDay, (local - localDay * 86400) * 1000 + ms % 1000);
}

}  // namespace

// A folder listing converts one FILETIME per message, so this one works on the count of
// milliseconds alone, without calendar fields; the values are those of going through them
// (FileTimeToCalendar, EncodeDateTime, UTCToLocalDateTime), bit for bit.
TDateTime FileTimeToDateTime(TFileTime fileTime, bool toLocal) {
  int64_t day = 0, ms = 0;
  if (!SplitFileTime(fileTime, day, ms)) return 0;
  if (!toLocal) return DayAndTime(day, ms);
  const std::optional<int64_t> offset = LocalOffsetAt((day - kUnixEpochDay) * 86400 + ms / 1000);
  return offset ? ShiftedDateTime(day, ms, *offset) : DayAndTime(day, ms);
}

TFileTime DateTimeToFileTime(TDateTime value) {
  const std::optional<TCalendar> c = DecodeDateTime(value);
  if (!c) return {};
  return CalendarToFileTime(*c).value_or(TFileTime{});
}

}  // namespace kv

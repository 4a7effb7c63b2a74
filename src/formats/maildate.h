// Mail dates: the text of a "Date:" header field and Windows FILETIME values, turned into the
// system's date-time (days since 1899-12-30, time of day as the fraction, local time) and back.
//
// Local time comes from the system's zone rules: off Windows the zone database (TZ,
// /etc/localtime); a UTC instant converts by the rules in force on its own date, so a message
// keeps the same local date-time whatever season it is parsed in.
//
// None of these functions raises.
#pragma once

#include <string_view>

#include "base/datetime.h"

namespace kv {

// Parses a header date ("Mon, 5 Jan 2013 10:20:30 +0100") into local time; 0 when the text is
// not a usable date. Weekday and seconds are optional, month names match by their first three
// letters in any ASCII case, a run of blanks is one separator, "/" and ":" separate fields too
// ("5/1/2013 10:00" is day first). Zones: "+hhmm"/"-hhmm", UT, GMT, the US zone names of
// RFC 5322; anything else (single military letters included) counts as UTC. Two-digit years
// are 1950..2049, three-digit years count from 1900; a date without a year is not usable.
// Hour, minute and second are not range-checked: an hour of 25 moves into the next day.
TDateTime ParseMailDate(std::u16string_view text);
// The same date in UTC; 0 when unusable.
TDateTime ParseMailDateUtc(std::u16string_view text);

// The machine's current offset from UTC in days, positive east of Greenwich.
TDateTime LocalTimeBias();

// FILETIME -> date-time (millisecond precision, finer part truncated); with toLocal the result
// goes through UTCToLocalDateTime. 0 when the value cannot be converted.
TDateTime FileTimeToDateTime(TFileTime fileTime, bool toLocal);

// A UTC date-time in local time by the zone rules in force on that date; the input unchanged
// when the zone information cannot be read or the conversion fails.
TDateTime UTCToLocalDateTime(TDateTime utc);

// The reverse of FileTimeToDateTime without a zone shift; a zero FILETIME when the value is
// outside years 1..9999.
TFileTime DateTimeToFileTime(TDateTime value);

}  // namespace kv

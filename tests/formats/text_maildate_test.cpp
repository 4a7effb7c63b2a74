#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "base/local_time.h"
#include "formats/maildate.h"
#include "support/time_zone.h"

namespace kv {
namespace {

// "YYYY-MM-DD HH:MM:SS.mmm" of a date-time, "0" for 0.
std::string Text(TDateTime value) {
  if (value == 0) return "0";
  const std::optional<TCalendar> c = DecodeDateTime(value);
  if (!c) return "invalid";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", c->Year, c->Month, c->Day,
                c->Hour, c->Minute, c->Second, c->Millisecond);
  return buf;
}

std::string Utc(std::u16string_view date) { return Text(ParseMailDateUtc(date)); }

TEST(MailDate, CommonFormsInUtc) {
  EXPECT_EQ(Utc(u"Mon, 5 Jan 2013 10:20:30 +0100"), "2013-01-05 09:20:30.000");
  EXPECT_EQ(Utc(u"5 Jan 13 10:20 GMT"), "2013-01-05 10:20:00.000");
  EXPECT_EQ(Utc(u"5 Jan 99"), "1999-01-05 00:00:00.000");
  EXPECT_EQ(Utc(u"5 Jan 49"), "2049-01-05 00:00:00.000");
  EXPECT_EQ(Utc(u"5 Jan 113"), "2013-01-05 00:00:00.000");
  EXPECT_EQ(Utc(u"Tue, 1 Jan 2013 10:00:00 -0500"), "2013-01-01 15:00:00.000");
  EXPECT_EQ(Utc(u"5/1/2013 10:00"), "2013-01-05 10:00:00.000");  // day first
  EXPECT_EQ(Utc(u"  Tue, 01 Jan 2013 10:00:00 +0000  "), "2013-01-01 10:00:00.000");
  EXPECT_EQ(Utc(u"5 Jan 2013 10:20:30 +0530"), "2013-01-05 04:50:30.000");
}

TEST(MailDate, TextAfterTheZoneIsIgnored) {
  EXPECT_EQ(Utc(u"Sat, 5 Jan 2013 10:20:30 +0100 (CET)"), "2013-01-05 09:20:30.000");
  EXPECT_EQ(Utc(u"Sat, 5 Jan 2013 10:20:30 +0100(CET)"), "2013-01-05 09:20:30.000");
}

TEST(MailDate, HourBeyondTheDayMovesIntoTheNextDay) {
  EXPECT_EQ(Utc(u"31 Dec 2013 25:00:00 +0000"), "2014-01-01 01:00:00.000");
}

TEST(MailDate, BlanksAndMonthNamesAreReadLeniently) {
  EXPECT_EQ(Utc(u"Sat,  5 Jan 2013 10:00:00 +0000"), "2013-01-05 10:00:00.000");
  EXPECT_EQ(Utc(u"Sat, 5\tJan  2013   10:00:00\t+0000"), "2013-01-05 10:00:00.000");
  EXPECT_EQ(Utc(u"Sat,5 Jan 2013 10:00:00 +0000"), "2013-01-05 10:00:00.000");
  EXPECT_EQ(Utc(u"5 feb 2013"), "2013-02-05 00:00:00.000");
  EXPECT_EQ(Utc(u"5 Sept 2013"), "2013-09-05 00:00:00.000");
  EXPECT_EQ(Utc(u"5 DECEMBER 2013"), "2013-12-05 00:00:00.000");
  EXPECT_EQ(Utc(u"5 Foo 2013"), "2013-01-05 00:00:00.000");  // an unknown name reads as January
}

TEST(MailDate, ZoneNames) {
  EXPECT_EQ(Utc(u"1 Jan 2013 10:00:00 EST"), "2013-01-01 15:00:00.000");
  EXPECT_EQ(Utc(u"1 Jul 2013 10:00:00 EDT"), "2013-07-01 14:00:00.000");
  EXPECT_EQ(Utc(u"1 Jan 2013 10:00:00 cst"), "2013-01-01 16:00:00.000");
  EXPECT_EQ(Utc(u"1 Jan 2013 10:00:00 CDT"), "2013-01-01 15:00:00.000");
  EXPECT_EQ(Utc(u"1 Jan 2013 10:00:00 MST"), "2013-01-01 17:00:00.000");
  EXPECT_EQ(Utc(u"1 Jan 2013 10:00:00 MDT"), "2013-01-01 16:00:00.000");
  EXPECT_EQ(Utc(u"1 Jan 2013 10:00:00 PST"), "2013-01-01 18:00:00.000");
  EXPECT_EQ(Utc(u"1 Jan 2013 10:00:00 PDT"), "2013-01-01 17:00:00.000");
  for (const char16_t* zone : {u"UT", u"GMT", u"Z", u"A", u"CET", u"-0000"}) {
    std::u16string date = u"1 Jan 2013 10:00:00 ";
    date += zone;
    EXPECT_EQ(Utc(date), "2013-01-01 10:00:00.000") << std::string(date.begin(), date.end());
  }
}

TEST(MailDate, UnusableTextsGiveZero) {
  for (const char16_t* text :
       {u"", u"   ", u"20130105", u"31 Feb 2013", u"29 Feb 2013", u"0 Jan 2013", u"5/13/2013",
        u"1 Jan 2013 10:00 +2400", u"1 Jan 2013 10:00 +0160", u"5 Jan", u"Mon, 5", u"5 Jan 2013x",
        u"31 Dec 9999 23:00:00 -0200", u"Mon"}) {
    EXPECT_EQ(ParseMailDateUtc(text), 0)
        << std::string(text, text + std::char_traits<char16_t>::length(text));
    EXPECT_EQ(ParseMailDate(text), 0);
  }
  EXPECT_EQ(Utc(u"29 Feb 2012"), "2012-02-29 00:00:00.000");
}

TEST(MailDate, LocalTimeFollowsTheRulesOfTheMessagesOwnDate) {
  KOLVANE_IN_ZONE("Europe/Berlin");
  // The same offset whatever season the parse runs in: winter +1, summer +2.
  EXPECT_EQ(Text(ParseMailDate(u"Tue, 1 Jan 2013 10:00:00 +0000")), "2013-01-01 11:00:00.000");
  EXPECT_EQ(Text(ParseMailDate(u"Mon, 1 Jul 2013 10:00:00 +0000")), "2013-07-01 12:00:00.000");
  EXPECT_EQ(Text(ParseMailDate(u"Mon, 1 Jul 2013 12:00:00 +0200")), "2013-07-01 12:00:00.000");
  // Around the autumn change both UTC instants map to 02:30 local, one hour apart in UTC.
  EXPECT_EQ(Text(ParseMailDate(u"27 Oct 2013 00:30:00 +0000")), "2013-10-27 02:30:00.000");
  EXPECT_EQ(Text(ParseMailDate(u"27 Oct 2013 01:30:00 +0000")), "2013-10-27 02:30:00.000");
}

TEST(MailDate, LocalTimeAcrossTheSpringChangeInNewYork) {
  KOLVANE_IN_ZONE("America/New_York");
  EXPECT_EQ(Text(ParseMailDate(u"10 Mar 2013 06:30:00 +0000")), "2013-03-10 01:30:00.000");
  EXPECT_EQ(Text(ParseMailDate(u"10 Mar 2013 07:30:00 +0000")), "2013-03-10 03:30:00.000");
}

// The offsets kept per day are the system's own for every instant: every half hour of two
// years (so the instant of each change and the one before it), the days of the changes
// included, in zones whose changes fall at different UTC hours (Adelaide's on the half hour);
// and a change of zone is followed at once.
TEST(MailDate, KeptOffsetsAreTheSystemsOwn) {
  for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Adelaide"}) {
    KOLVANE_IN_ZONE(zone);
    const int64_t start = 1356998400;  // 2013-01-01 UTC
    for (int64_t t = start; t < start + 2 * 365 * 86400; t += 1800)
      ASSERT_EQ(LocalOffsetAt(t), SystemOffsetAt(t)) << zone << " " << t;
  }
  {
    KOLVANE_IN_ZONE("UTC");
    EXPECT_EQ(LocalOffsetAt(1372680000), 0);
  }
  {
    KOLVANE_IN_ZONE("Asia/Kolkata");
    EXPECT_EQ(LocalOffsetAt(1372680000), 19800);
  }
}

TEST(MailDate, LocalTimeBiasWithoutDaylightSaving) {
  KOLVANE_IN_ZONE("Asia/Kolkata");
  EXPECT_NEAR(LocalTimeBias(), 5.5 / 24, 1e-12);
}

TEST(MailDate, LocalTimeBiasInUtc) {
  KOLVANE_IN_ZONE("UTC");
  EXPECT_EQ(LocalTimeBias(), 0);
  EXPECT_EQ(Text(ParseMailDate(u"1 Jul 2013 10:00:00 +0200")), "2013-07-01 08:00:00.000");
}

constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

TEST(MailDate, FileTimeConversions) {
  // 2013-01-05 09:20:30.123 UTC, plus 4567 100-ns units below the millisecond.
  const uint64_t ft = kUnixEpochFileTime + (1357377630ull * 1000 + 123) * 10000 + 4567;
  EXPECT_EQ(Text(FileTimeToDateTime(TFileTime::FromValue(ft), false)), "2013-01-05 09:20:30.123");
  EXPECT_EQ(DateTimeToFileTime(FileTimeToDateTime(TFileTime::FromValue(ft), false)).Value(),
            ft - 4567);
  EXPECT_EQ(Text(FileTimeToDateTime(TFileTime{}, false)), "1601-01-01 00:00:00.000");
  EXPECT_EQ(FileTimeToDateTime(TFileTime::FromValue(~0ull), false), 0);
  EXPECT_EQ(FileTimeToDateTime(TFileTime::FromValue(~0ull), true), 0);
  EXPECT_EQ(DateTimeToFileTime(1e9).Value(), 0u);
  EXPECT_EQ(DateTimeToFileTime(NAN).Value(), 0u);
  EXPECT_EQ(DateTimeToFileTime(*EncodeDate(1970, 1, 1)).Value(), kUnixEpochFileTime);
}

TEST(MailDate, FileTimeToLocalUsesTheRulesOfItsDate) {
  KOLVANE_IN_ZONE("Europe/Berlin");
  const uint64_t winter = kUnixEpochFileTime + 1357034400ull * 10000000;  // 2013-01-01 10:00 UTC
  const uint64_t summer = kUnixEpochFileTime + 1372672800ull * 10000000;  // 2013-07-01 10:00 UTC
  EXPECT_EQ(Text(FileTimeToDateTime(TFileTime::FromValue(winter), true)),
            "2013-01-01 11:00:00.000");
  EXPECT_EQ(Text(FileTimeToDateTime(TFileTime::FromValue(summer), true)),
            "2013-07-01 12:00:00.000");
  TCalendar c{2013, 7, 1, 10, 0, 0, 500};
  EXPECT_EQ(Text(UTCToLocalDateTime(*EncodeDateTime(c))), "2013-07-01 12:00:00.500");
  // A value outside the calendar comes back unchanged.
  EXPECT_EQ(UTCToLocalDateTime(1e9), 1e9);
}

}  // namespace
}  // namespace kv

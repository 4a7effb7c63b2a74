#include "base/datetime.h"

#include <cmath>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(DateTime, EncodesDaysSinceDecember30th1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(2013, 1, 1), 41275.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_FALSE(EncodeDate(2013, 2, 29).has_value());
  EXPECT_TRUE(EncodeDate(2012, 2, 29).has_value());
  EXPECT_FALSE(EncodeDate(1900, 2, 29).has_value());
  EXPECT_FALSE(EncodeDate(10000, 1, 1).has_value());
  EXPECT_FALSE(EncodeDate(2013, 13, 1).has_value());
  EXPECT_EQ(EncodeDateTime({2013, 1, 1, 12, 0, 0, 0}), 41275.5);
}

TEST(DateTime, DecodeIsTheInverseIncludingDatesBefore1900) {
  for (TCalendar c : {TCalendar{2013, 1, 5, 9, 20, 30, 0}, TCalendar{1899, 12, 29, 6, 0, 0, 0},
                      TCalendar{1601, 1, 1, 0, 0, 0, 0}, TCalendar{9999, 12, 31, 23, 59, 59, 999},
                      TCalendar{2000, 2, 29, 0, 0, 0, 1}}) {
    auto v = EncodeDateTime(c);
    ASSERT_TRUE(v);
    auto back = DecodeDateTime(*v);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Year, c.Year);
    EXPECT_EQ(back->Month, c.Month);
    EXPECT_EQ(back->Day, c.Day);
    EXPECT_EQ(back->Hour, c.Hour);
    EXPECT_EQ(back->Second, c.Second);
    EXPECT_EQ(back->Millisecond, c.Millisecond);
  }
  EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
  EXPECT_FALSE(DecodeDateTime(1e12).has_value());
  EXPECT_FALSE(DecodeDateTime(std::nan("")).has_value());
}

TEST(DateTime, FileTimeFieldsWithoutZoneShift) {
  // 2013-01-05 09:20:30.123 UTC
  auto ft = CalendarToFileTime({2013, 1, 5, 9, 20, 30, 123});
  ASSERT_TRUE(ft);
  EXPECT_EQ(ft->Value(), 130018512301230000ull);
  auto c = FileTimeToCalendar(TFileTime::FromValue(ft->Value() + 9999));  // sub-ms truncated
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Millisecond, 123);
  EXPECT_EQ(c->Second, 30);
  auto epoch = FileTimeToCalendar({0, 0});
  ASSERT_TRUE(epoch);
  EXPECT_EQ(epoch->Year, 1601);
  EXPECT_FALSE(FileTimeToCalendar({0xFFFFFFFF, 0xFFFFFFFF}).has_value());
  EXPECT_FALSE(CalendarToFileTime({1600, 12, 31, 0, 0, 0, 0}).has_value());
}

TEST(DateTime, UnixSecondsMapToTheSameWallClock) {
  EXPECT_EQ(UnixToDateTime(0), 25569.0);
  EXPECT_EQ(DateTimeToUnix(25569.5), 43200);
  EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1357377630)), 1357377630);
  EXPECT_EQ(DateTimeToUnix(UnixToDateTime(-2209075200 - 3600)), -2209075200 - 3600);
}

}  // namespace
}  // namespace kv

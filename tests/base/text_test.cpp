#include "base/codepage.h"
#include "base/text.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Text, AsciiCaseFoldingLeavesOtherLettersAlone) {
  EXPECT_EQ(AsciiUpper(u"abc\u00e9z"), u"ABC\u00e9Z");
  EXPECT_EQ(AsciiLower(u"ABC\u00c9Z"), u"abc\u00c9z");
  EXPECT_TRUE(SameTextAscii(u"Inbox", u"INBOX"));
  EXPECT_FALSE(SameTextAscii(u"\u00e9", u"\u00c9"));
  EXPECT_EQ(FindAscii(u"Hello World", u"WORLD"), 6u);
  EXPECT_EQ(FindAscii(u"Hello", u"xyz"), std::u16string_view::npos);
  EXPECT_TRUE(StartsWithAscii(u"Content-Type: x", u"content-type:"));
}

TEST(Text, TrimRemovesControlAndBlankAtBothEndsOnly) {
  EXPECT_EQ(Trim(u"\t \x01 a b \r\n"), u"a b");
  EXPECT_EQ(Trim(u"   "), u"");
  EXPECT_EQ(Trim(u"\u00a0x\u00a0"), u"\u00a0x\u00a0");  // no-break space is above U+0020
  EXPECT_EQ(TrimLeft(u"  x "), u"x ");
  EXPECT_EQ(TrimRight(u"  x "), u"  x");
}

TEST(Text, IntegerRuleAcceptsSignDecimalAndHexOnly) {
  EXPECT_EQ(ParseInt32(u"42"), 42);
  EXPECT_EQ(ParseInt32(u"-7"), -7);
  EXPECT_EQ(ParseInt32(u"+7"), 7);
  EXPECT_EQ(ParseInt32(u"$1F"), 31);
  EXPECT_EQ(ParseInt32(u"0x1f"), 31);
  EXPECT_EQ(ParseInt32(u"$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInt32(u"2147483647"), 2147483647);
  EXPECT_EQ(ParseInt32(u"-2147483648"), INT32_MIN);
  for (auto bad : {u"", u" 1", u"1 ", u"1.0", u"abc", u"$", u"0x", u"-", u"2147483648",
                   u"$100000000", u"1e3", u"\uff11"})
    EXPECT_FALSE(ParseInt32(bad).has_value()) << Utf16ToUtf8(bad);
  EXPECT_EQ(StrToIntDef(u"x", -1), -1);
  EXPECT_EQ(ParseInt64(u"-9223372036854775808"), INT64_MIN);
  EXPECT_FALSE(ParseInt64(u"99999999999999999999").has_value());
}

TEST(Text, NumbersFormatAndParseWithDotWhateverTheLocale) {
  EXPECT_EQ(FormatFixed(41275.5, 10), u"41275.5000000000");
  EXPECT_EQ(FormatFixed(0, 10), u"0.0000000000");
  EXPECT_EQ(FormatFixed(-1.25, 10), u"-1.2500000000");
  EXPECT_EQ(ParseDouble(u"41275.5000000000"), 41275.5);
  EXPECT_EQ(ParseDouble(u"-3"), -3.0);
  EXPECT_EQ(ParseDouble(u"1e2"), 100.0);
  for (auto bad : {u"", u"1,5", u"nan", u"inf", u"0x10", u"1.5x", u" 1"})
    EXPECT_FALSE(ParseDouble(bad).has_value());
}

TEST(Text, SplitJoinReplace) {
  EXPECT_EQ(Split(u"a;;b", u';'), (TStringList{u"a", u"", u"b"}));
  EXPECT_EQ(Split(u"", u';'), (TStringList{u""}));
  EXPECT_EQ(Join({u"a", u"b"}, u", "), u"a, b");
  EXPECT_EQ(ReplaceAll(u"a..b..", u"..", u"."), u"a.b.");
}

}  // namespace
}  // namespace kv

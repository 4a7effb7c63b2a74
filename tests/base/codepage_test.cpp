#include "base/codepage.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Codepage, Cp1252RoundTripsItsOwnCharactersAndReplacesOthers) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  std::u16string text = Cp1252ToUtf16(all);
  EXPECT_EQ(text[0x80], u'\u20ac');
  EXPECT_EQ(text[0x9A], u'\u0161');
  EXPECT_EQ(text[0x81], u'\u0081');  // undefined byte keeps its value
  EXPECT_EQ(Utf16ToCp1252(text), all);
  EXPECT_TRUE(FitsCp1252(text));
  EXPECT_EQ(Utf16ToCp1252(u"a\u0416b\U0001F600"), "a?b??");
  EXPECT_FALSE(FitsCp1252(u"\u0416"));
}

TEST(Codepage, Utf8DecodesValidAndReplacesInvalidSequences) {
  EXPECT_EQ(Utf8ToUtf16("\xc5\xa1\xe2\x82\xac\xf0\x9f\x98\x80"), u"\u0161\u20ac\U0001F600");
  EXPECT_EQ(Utf8ToUtf16("a\xffz"), u"a\ufffdz");
  EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\ufffd\ufffd");  // overlong
  EXPECT_EQ(Utf8ToUtf16("\xe2\x82"), u"\ufffd\ufffd");   // cut short
  EXPECT_TRUE(IsValidUtf8("plain \xc3\xa9"));
  EXPECT_FALSE(IsValidUtf8("\xe9t\xe9"));
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(u"\u0161\U0001F600"), "\xc5\xa1\xf0\x9f\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

TEST(Codepage, NamedCharsetsDecodeThroughIconv) {
  EXPECT_EQ(DecodeCharset("windows-1250", "\x9a"), u"\u0161");
  EXPECT_EQ(DecodeCharset("KOI8-R", "\xf0\xd2\xc9\xd7\xc5\xd4"), u"\u041f\u0440\u0438\u0432\u0435\u0442");
  EXPECT_EQ(DecodeCharset("iso-2022-jp", "\x1b$B$3$s\x1b(B"), u"\u3053\u3093");
  EXPECT_EQ(DecodeCharset("gb2312", "\xc4\xe3\xba\xc3"), u"\u4f60\u597d");
  EXPECT_EQ(DecodeCharset("UTF-8", "\xc3\xa9"), u"\u00e9");
  EXPECT_FALSE(DecodeCharset("x-no-such-charset", "abc").has_value());
  EXPECT_EQ(DecodeCharset("shift_jis", "a\x82"), u"a\ufffd");  // cut-off lead byte
}

TEST(Codepage, Utf16LittleEndianBytes) {
  EXPECT_EQ(Utf16LeToUtf16(std::string("a\0\x16\x04", 4)), u"a\u0416");
  EXPECT_EQ(Utf16ToUtf16Le(u"a\u0416"), std::string("a\0\x16\x04", 4));
}

}  // namespace
}  // namespace kv

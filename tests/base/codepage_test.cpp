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
  EXPECT_EQ(Utf8ToUtf16("\xe2\x82"), u"\ufffd\ufffd");  // cut short
  EXPECT_TRUE(IsValidUtf8("plain \xc3\xa9"));
  EXPECT_FALSE(IsValidUtf8("\xe9t\xe9"));
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(u"\u0161\U0001F600"), "\xc5\xa1\xf0\x9f\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

// Where the builds differ: a double-byte sequence that the charset does not define is U+FFFD
// through iconv and U+30FB through Windows' code pages (the default character of code page 932);
// JIS X 0212 exists in iconv's EUC-JP-MS but in no Windows code page.
#ifdef _WIN32
constexpr char16_t kUndefinedPair = u'\u30FB';
constexpr bool kReadsJis0212 = false;
#else
constexpr char16_t kUndefinedPair = u'\uFFFD';
constexpr bool kReadsJis0212 = true;
#endif

TEST(Codepage, NamedCharsetsDecode) {
  EXPECT_EQ(DecodeCharset("windows-1250", "\x9a"), u"\u0161");
  EXPECT_EQ(DecodeCharset("KOI8-R", "\xf0\xd2\xc9\xd7\xc5\xd4"),
            u"\u041f\u0440\u0438\u0432\u0435\u0442");
  EXPECT_EQ(DecodeCharset("iso-2022-jp", "\x1b$B$3$s\x1b(B"), u"\u3053\u3093");
  EXPECT_EQ(DecodeCharset("gb2312", "\xc4\xe3\xba\xc3"), u"\u4f60\u597d");
  EXPECT_EQ(DecodeCharset("UTF-8", "\xc3\xa9"), u"\u00e9");
  EXPECT_FALSE(DecodeCharset("x-no-such-charset", "abc").has_value());
  EXPECT_EQ(DecodeCharset("shift_jis", "a\x82"),
            u"a" + std::u16string(1, kUndefinedPair));  // cut-off lead byte
  EXPECT_EQ(DecodeCharset("KOI8-U", "\xa6"), u"\u0456");
  EXPECT_EQ(DecodeCharset("ISO-8859-15", "\xa4"), u"\u20ac");
  EXPECT_EQ(DecodeCharset("big5", "\xa4\xa4"), u"\u4e2d");
  EXPECT_EQ(DecodeCharset("euc-kr", "\xc7\xd1"), u"\ud55c");
  EXPECT_EQ(DecodeCharset("EUC-JP", "\xc6\xfc"), u"\u65e5");
  EXPECT_EQ(DecodeCharset("gb18030", "\xc4\xe3"), u"\u4f60");
  EXPECT_EQ(DecodeCharset("utf-7", "+AOk-"), u"\u00e9");
  EXPECT_EQ(DecodeCharset("UTF-16LE", std::string("a\0\x16\x04", 4)), u"a\u0416");
  EXPECT_EQ(DecodeCharset("UTF-16", std::string("\xfe\xff\x04\x16", 4)), u"\u0416");
  // Shift_JIS as Windows writes it (code page 932): the NEC signs, and "\\" stays a backslash.
  EXPECT_EQ(DecodeCharset("Shift_JIS", "\x87\x82\x87\x40"), u"\u2116\u2460");
  EXPECT_EQ(DecodeCharset("x-sjis", "C:\\\x82\xa0"), u"C:\\\u3042");
}

#ifndef _WIN32
// iconv's converters are kept for the charsets met lately: a decode after others (of the same
// charset, of many others, after an invalid sequence, of a stateful one) reads as a first one
// does, and the Unicode forms still honour each text's byte-order mark.
TEST(Codepage, KeptConvertersDecodeAsNewOnes) {
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(DecodeCharset("UTF-16", std::string("\xfe\xff\x04\x16", 4)), u"\u0416");
    EXPECT_EQ(DecodeCharset("UTF-16", std::string("\xff\xfe\x16\x04", 4)), u"\u0416");
    EXPECT_EQ(DecodeCharset("utf-7", "+AOk-"), u"\u00e9");
    EXPECT_EQ(DecodeCharset("ISO-2022-KR", "\x1b$)C\x0e\x47\x51\x0f"), u"\ud55c");
    EXPECT_EQ(DecodeCharset("ISO-2022-KR", "\x1b$)C\x0e\x47\x51"), u"\ud55c");
    EXPECT_EQ(DecodeCharset("ISO-2022-KR", "\x1b$)Ca"), u"a");
    EXPECT_EQ(DecodeCharset("shift_jis", "a\x82"), u"a" + std::u16string(1, kUndefinedPair));
    EXPECT_EQ(DecodeCharset("shift_jis", "\x82\xa0"), u"\u3042");
    for (const char* name : {"iso-8859-2", "iso-8859-5", "koi8-r", "cp1251", "cp850", "cp437",
                             "iso-8859-7", "iso-8859-9", "mac", "windows-1250"})
      EXPECT_TRUE(DecodeCharset(name, "abc").has_value()) << name;
    EXPECT_EQ(DecodeCharset("windows-1250", "\x9a"), u"\u0161");
    EXPECT_FALSE(DecodeCharset("x-no-such-charset", "abc").has_value());
  }
}
#endif

// ISO-2022-JP as Windows mail programs write it: the JIS X 0208 of Windows with its NEC and IBM
// extensions, half-width katakana, JIS X 0212; one U+FFFD for each character that cannot be read.
TEST(Codepage, Iso2022JpReadsTheWindowsExtensions) {
  const auto jp = [](std::string_view bytes) {
    return DecodeCharset("ISO-2022-JP", bytes).value();
  };
  EXPECT_EQ(jp("\x1b$B'('%\x1b(B"), u"\u0416\u0414");  // as strict ISO-2022-JP
  EXPECT_EQ(jp("\x1b$B-b\x1b(B41 \x1b$B-!-\"\x1b(B"), u"\u211641 \u2460\u2461");  // NEC row 13
  EXPECT_EQ(jp("\x1b$By!|~\x1b(B"), u"\u7E8A\uFF02");  // NEC-selected IBM rows 89 to 92
  EXPECT_EQ(jp("\x1b$B!A!]\x1b(B"), u"\uFF5E\uFF0D");  // Windows' wave dash and minus
  EXPECT_EQ(jp("\x1b$@F|\x1b(Ja\\~"), u"\u65E5a\\~");  // 1978 kanji; Roman read as ASCII
  EXPECT_EQ(jp("\x1b(I1\x1b(B \x0e"
               "2\x0f"
               "b"),
            u"\uFF71 \uFF72b");                                             // half-width katakana
  EXPECT_EQ(jp("\x1b$(D0!\x1b(B"), kReadsJis0212 ? u"\u4E02" : u"\uFFFD");  // JIS X 0212
  EXPECT_EQ(jp("\x1b&@\x1b$BF|\x1b(B"), u"\u65E5");  // the 1990 announcer changes nothing
  // A line end returns to ASCII; blanks and controls stay in a two-byte set.
  EXPECT_EQ(jp("\x1b$BF|\nF| F|\x1b(B"), u"\u65E5\nF| F|");
  EXPECT_EQ(jp("\x1b$BF| F|"), u"\u65E5 \u65E5");
  // Invalid: a character the set lacks and one with a byte out of range (each whole, so the
  // next one is read right), high-bit bytes, an odd last byte, a katakana out of range, other
  // sets and escapes cut short.
  EXPECT_EQ(jp("\x1b$B)!F|F\x80"
               "F|F"),
            kUndefinedPair + std::u16string(u"\u65E5\uFFFD\uFFFD\u65E5\uFFFD"));
  EXPECT_EQ(jp("a\xA4\xA2"
               "b"),
            u"a\uFFFD\uFFFDb");
  EXPECT_EQ(jp("\x1b(Ia\x1b(B"), u"\uFFFD");
  EXPECT_EQ(jp("\x1b$A:C\x1b(Bx\x1b$)Cy\x1b.Az"), u"\uFFFDx\uFFFDy\uFFFDz");
  EXPECT_EQ(jp("a\x1b$"), u"a\uFFFD");
  EXPECT_EQ(jp("a\x1b\x80"
               "b"),
            u"a\uFFFD\uFFFDb");
  EXPECT_EQ(DecodeCharset("csISO2022JP", "\x1b$B-b\x1b(B"), u"\u2116");
}

TEST(Codepage, Utf16LittleEndianBytes) {
  EXPECT_EQ(Utf16LeToUtf16(std::string("a\0\x16\x04", 4)), u"a\u0416");
  EXPECT_EQ(Utf16ToUtf16Le(u"a\u0416"), std::string("a\0\x16\x04", 4));
}

}  // namespace
}  // namespace kv

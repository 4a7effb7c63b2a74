#include "cli/text_width.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(TextWidth, CellsPerCharacter) {
  EXPECT_EQ(DisplayWidth(u"Report"), 6u);
  EXPECT_EQ(DisplayWidth(u"Gr\u00FC\u00DFe"), 5u);                   // Grüße
  EXPECT_EQ(DisplayWidth(u"\u65E5\u672C\u8A9E"), 6u);                // 日本語, wide
  EXPECT_EQ(DisplayWidth(u"\uFF21"), 2u);                            // fullwidth A
  EXPECT_EQ(DisplayWidth(u"e\u0301"), 1u);                           // e + combining acute
  EXPECT_EQ(DisplayWidth(u"a\u200Bb"), 2u);                          // zero width space
  EXPECT_EQ(DisplayWidth(u"\U0001F600"), 2u);                        // emoji, a surrogate pair
  EXPECT_EQ(DisplayWidth(u"\U00020000"), 2u);                        // CJK extension B
  EXPECT_EQ(DisplayWidth(std::u16string(1, char16_t(0xD800))), 1u);  // lone surrogate
  EXPECT_EQ(DisplayWidth(u"\u2193"), 1u);                            // the low-priority marker
  EXPECT_EQ(DisplayWidth(u"\u00AD"), 1u);                            // soft hyphen
}

TEST(TextWidth, OneLineReplacesControls) {
  EXPECT_EQ(OneLine(u"a\r\nb\tc\u0085d\u2028e\x7F"), u"a  b c d e ");
  EXPECT_EQ(OneLine(u"plain"), u"plain");
}

TEST(TextWidth, FitWidthCutsWholeCharactersWithAnEllipsis) {
  EXPECT_EQ(FitWidth(u"Report", 6), u"Report");
  EXPECT_EQ(FitWidth(u"Report", 5), u"Repo\u2026");
  EXPECT_EQ(FitWidth(u"Report", 1), u"\u2026");
  EXPECT_EQ(FitWidth(u"Report", 0), u"");
  // A wide character that does not fit whole is left out, never halved.
  EXPECT_EQ(FitWidth(u"\u65E5\u672C\u8A9E", 4), u"\u65E5\u2026");
  EXPECT_EQ(DisplayWidth(FitWidth(u"\u65E5\u672C\u8A9E", 4)), 3u);
  // A surrogate pair stays whole; a combining mark stays with its letter.
  EXPECT_EQ(FitWidth(u"\U0001F600\U0001F600", 3), u"\U0001F600\u2026");
  EXPECT_EQ(FitWidth(u"e\u0301xyz", 2), u"e\u0301\u2026");
}

}  // namespace
}  // namespace kv

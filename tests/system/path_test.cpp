// Path helpers and case folding.
#include <gtest/gtest.h>

#include "system/case_fold.h"
#include "system/path.h"

namespace kv {
namespace {

TEST(Path, HelpersTakeTheSeparatorGiven) {
  EXPECT_EQ(IncludeTrailingSeparator(u"C:\\a", u'\\'), u"C:\\a\\");
  EXPECT_EQ(IncludeTrailingSeparator(u"C:\\a\\", u'\\'), u"C:\\a\\");
  EXPECT_EQ(IncludeTrailingSeparator(u"", u'\\'), u"\\");
  EXPECT_EQ(ExcludeTrailingSeparator(u"/home/", u'/'), u"/home");
  EXPECT_EQ(JoinPath(u"C:\\a\\", u"b.eml", u'\\'), u"C:\\a\\b.eml");
  EXPECT_EQ(JoinPath(u"/home", u"/x", u'/'), u"/home/x");
  EXPECT_EQ(JoinPath(u"", u"x", u'/'), u"x");
  EXPECT_EQ(ParentFolder(u"C:\\a\\b", u'\\'), u"C:\\a");
  EXPECT_EQ(ParentFolder(u"/a", u'/'), u"/");
  EXPECT_EQ(ParentFolder(u"name", u'/'), u"");
  EXPECT_EQ(ExtractFileName(u"C:\\a\\b.eml", u'\\'), u"b.eml");
  EXPECT_EQ(ExtractFileName(u"C:b.eml", u'\\'), u"b.eml");
  EXPECT_EQ(ExtractFileName(u"/a/C:b", u'/'), u"C:b") << "no drive colons on Linux";
  EXPECT_EQ(ExtractFileName(u"C:\\a\\b\\c.d", u'/'), u"C:\\a\\b\\c.d");
  EXPECT_EQ(ExtractFileExt(u"C:\\a.b\\c.d.eml", u'\\'), u".eml");
  EXPECT_EQ(ExtractFileExt(u"C:\\a.b\\Inbox", u'\\'), u"");
}

TEST(CaseFold, AsciiAndBeyond) {
  EXPECT_TRUE(SameTextFold(u"Documents and Settings", u"DOCUMENTS AND SETTINGS"));
  EXPECT_TRUE(SameTextFold(u"\u00e4\u00f6\u00fc\u0436", u"\u00c4\u00d6\u00dc\u0416"));
  EXPECT_FALSE(SameTextFold(u"a", u"ab"));
  EXPECT_EQ(FindFold(u"C:\\Users\\Anna\\x", u"\\anna\\"), 8u);
  EXPECT_EQ(FindFold(u"abc", u"abcd"), std::u16string::npos);
  EXPECT_EQ(FindFold(u"abc", u"c", 5), std::u16string::npos);
  EXPECT_EQ(ReplaceFirstFold(u"%UserProfile%\\a\\%USERPROFILE%", u"%USERPROFILE%", u"C:\\U"),
            u"C:\\U\\a\\%USERPROFILE%");
  EXPECT_EQ(FoldCase(char16_t(0xD800)), char16_t(0xD800));
}

}  // namespace
}  // namespace kv

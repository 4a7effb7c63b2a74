#include "ui/locale.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TLocale Named(const char* name) {
  auto locale = TLocale::FromName(name);
  if (!locale) ADD_FAILURE() << "locale " << name << " missing (install locales-all)";
  return locale.value_or(TLocale::Plain());
}

TEST(Locale, ThousandsSeparatorFollowsTheLocale) {
  EXPECT_EQ(Named("en_US.UTF-8").FormatThousands(1234567), u"1,234,567");
  EXPECT_EQ(Named("de_DE.UTF-8").FormatThousands(1234567), u"1.234.567");
  EXPECT_EQ(Named("en_US.UTF-8").FormatThousands(999), u"999");
  EXPECT_EQ(Named("en_US.UTF-8").FormatThousands(1000), u"1,000");
  EXPECT_EQ(Named("en_US.UTF-8").FormatThousands(0), u"0");
  EXPECT_EQ(Named("en_US.UTF-8").FormatThousands(4294967295u), u"4,294,967,295");
  EXPECT_EQ(TLocale::Plain().FormatThousands(1234567), u"1234567");
}

TEST(Locale, UnevenGroupingRepeatsTheLastSize) {
  // India groups the last three digits, then pairs.
  auto india = TLocale::FromName("en_IN.UTF-8");
  if (!india) GTEST_SKIP() << "en_IN.UTF-8 not installed";
  EXPECT_EQ(india->FormatThousands(123456789), u"12,34,56,789");
}

TEST(Locale, ShortDateAndLongTimeForms) {
  TCalendar c{2013, 1, 2, 13, 5, 7, 0};
  EXPECT_EQ(Named("de_DE.UTF-8").FormatShortDate(c), u"02.01.2013");
  EXPECT_EQ(Named("de_DE.UTF-8").FormatLongTime(c), u"13:05:07");
  EXPECT_EQ(Named("en_US.UTF-8").FormatShortDate(c), u"01/02/2013");
  EXPECT_EQ(Named("en_US.UTF-8").FormatLongTime(c), u"01:05:07 PM");
  EXPECT_EQ(TLocale::Plain().FormatShortDate(c), u"2013-01-02");
  EXPECT_EQ(TLocale::Plain().FormatLongTime(c), u"13:05:07");
  EXPECT_EQ(TLocale::Plain().FormatShortDate(TCalendar{33, 4, 5}), u"0033-04-05");
}

TEST(Locale, CollationPutsLettersBeforeCase) {
  for (const TLocale& locale : {Named("en_US.UTF-8"), Named("de_DE.UTF-8"), TLocale::Plain()}) {
    SCOPED_TRACE(locale.Name());
    EXPECT_EQ(locale.Compare(u"apple", u"Banana"), -1);
    EXPECT_EQ(locale.Compare(u"Banana", u"cherry"), -1);
    EXPECT_EQ(locale.Compare(u"cherry", u"apple"), 1);
    // Case decides only between otherwise equal texts, lower case first.
    EXPECT_EQ(locale.Compare(u"banana", u"Banana"), -1);
    EXPECT_EQ(locale.Compare(u"Banana", u"banana"), 1);
    EXPECT_EQ(locale.Compare(u"Banana", u"Banana"), 0);
    EXPECT_EQ(locale.Compare(u"", u"a"), -1);
  }
}

TEST(Locale, CollationTakesAnyUtf16) {
  TLocale en = Named("en_US.UTF-8");
  // Unpaired surrogates and NULs neither crash nor end the text early.
  std::u16string lone = u"a";
  lone.push_back(char16_t(0xD800));
  EXPECT_NE(en.Compare(lone, u"a"), 0);
  EXPECT_EQ(en.Compare(std::u16string(u"x\0y", 3), u"xy"), 0);
  EXPECT_EQ(en.Compare(u"\U0001F600", u"\U0001F600"), 0);
  EXPECT_EQ(en.Compare(u"\u00e4pfel", u"Birne"), -1);  // ä sorts with a in English
}

TEST(Locale, PlainAndUnknownNames) {
  EXPECT_TRUE(TLocale::FromName("C")->IsPlain());
  EXPECT_TRUE(TLocale::FromName("POSIX")->IsPlain());
  EXPECT_TRUE(TLocale::FromName("C.UTF-8")->IsPlain());
  EXPECT_FALSE(TLocale::FromName("xx_NOWHERE.UTF-8").has_value());
  EXPECT_EQ(Named("de_DE.UTF-8").Name(), "de_DE.UTF-8");
}

TEST(Locale, EnvironmentChoosesTheLocale) {
  auto set = [](const char* lang) {
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    unsetenv("LC_NUMERIC");
    unsetenv("LC_COLLATE");
    setenv("LANG", lang, 1);
  };
  const char* saved = getenv("LANG");
  std::string savedLang = saved ? saved : "";
  set("de_DE.UTF-8");
  EXPECT_EQ(TLocale::FromEnvironment().FormatThousands(1234), u"1.234");
  set("C");
  EXPECT_TRUE(TLocale::FromEnvironment().IsPlain());
  set("xx_NOWHERE.UTF-8");
  EXPECT_TRUE(TLocale::FromEnvironment().IsPlain());
  // LC_ALL wins over LANG, either way.
  set("de_DE.UTF-8");
  setenv("LC_ALL", "C", 1);
  EXPECT_TRUE(TLocale::FromEnvironment().IsPlain());
  set("C");
  setenv("LC_ALL", "en_US.UTF-8", 1);
  EXPECT_EQ(TLocale::FromEnvironment().FormatThousands(1234), u"1,234");
  unsetenv("LC_ALL");
  setenv("LANG", savedLang.c_str(), 1);
}

}  // namespace
}  // namespace kv

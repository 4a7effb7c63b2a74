#include "ui/locale.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/test_env.h"

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
  EXPECT_EQ(Named("de_DE.UTF-8").FormatLongTime(c), u"13:05:07");
#ifdef _WIN32
  // Windows' own forms (M/d/yyyy, h:mm:ss tt); its German dates have two-digit days and months,
  // Wine's one digit. Windows names name the same locales.
  EXPECT_THAT(Named("de_DE.UTF-8").FormatShortDate(c),
              ::testing::AnyOf(std::u16string(u"02.01.2013"), std::u16string(u"2.1.2013")));
  EXPECT_EQ(Named("en_US.UTF-8").FormatShortDate(c), u"1/2/2013");
  EXPECT_EQ(Named("en_US.UTF-8").FormatLongTime(c), u"1:05:07 PM");
  EXPECT_EQ(Named("en-US").FormatShortDate(c), u"1/2/2013");
  // A date before the Windows calendar (1601) takes the plain form.
  EXPECT_EQ(Named("en_US.UTF-8").FormatShortDate(TCalendar{1200, 4, 5}), u"1200-04-05");
#else
  EXPECT_EQ(Named("de_DE.UTF-8").FormatShortDate(c), u"02.01.2013");
  EXPECT_EQ(Named("en_US.UTF-8").FormatShortDate(c), u"01/02/2013");
  EXPECT_EQ(Named("en_US.UTF-8").FormatLongTime(c), u"01:05:07 PM");
#endif
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

// The keys a sort makes by the thousand, on two threads and packed into one block, order the
// texts exactly as one key at a time does.
TEST(Locale, KeyTablesOrderAsSingleKeys) {
  std::mt19937 random(3);
  const std::u16string letters = u"aAbBzZ\u00e4\u00c4\u00df\u0431\u0411\u4e2d\u3042 .,-_0189;\U0001F600";
  std::vector<std::u16string> texts(5000);
  for (auto& t : texts)
    for (size_t n = random() % 9; n > 0; --n) t += letters[random() % letters.size()];
  for (const TLocale& locale : {Named("en_US.UTF-8"), Named("de_DE.UTF-8"), TLocale::Plain()}) {
    SCOPED_TRACE(locale.Name());
    const TLocale::TKeyTable table =
        locale.MakeKeys(texts.size(), [&](size_t i) { return std::u16string_view(texts[i]); });
    ASSERT_EQ(table.size(), texts.size());
    for (int k = 0; k < 20000; ++k) {
      const size_t a = random() % texts.size(), b = random() % texts.size();
      ASSERT_EQ(table.Compare(a, b),
                locale.CompareKeys(locale.MakeKey(texts[a]), locale.MakeKey(texts[b])))
          << a << " " << b;
    }
  }
}

TEST(Locale, PlainAndUnknownNames) {
  EXPECT_TRUE(TLocale::FromName("C")->IsPlain());
  EXPECT_TRUE(TLocale::FromName("POSIX")->IsPlain());
  EXPECT_TRUE(TLocale::FromName("C.UTF-8")->IsPlain());
  EXPECT_FALSE(TLocale::FromName("xx_NOWHERE.UTF-8").has_value());
  EXPECT_EQ(Named("de_DE.UTF-8").Name(), "de_DE.UTF-8");
}

TEST(Locale, EnvironmentChoosesTheLocale) {
  using test::SetEnvVar;
  using test::UnsetEnvVar;
  auto set = [](const char* lang) {
    UnsetEnvVar("LC_ALL");
    UnsetEnvVar("LC_TIME");
    UnsetEnvVar("LC_NUMERIC");
    UnsetEnvVar("LC_COLLATE");
    SetEnvVar("LANG", lang);
  };
  const std::string savedLang = test::GetEnvVar("LANG").value_or("");
  set("de_DE.UTF-8");
  EXPECT_EQ(TLocale::FromEnvironment().FormatThousands(1234), u"1.234");
  set("C");
  EXPECT_TRUE(TLocale::FromEnvironment().IsPlain());
  set("xx_NOWHERE.UTF-8");
  EXPECT_TRUE(TLocale::FromEnvironment().IsPlain());
  // LC_ALL wins over LANG, either way.
  set("de_DE.UTF-8");
  SetEnvVar("LC_ALL", "C");
  EXPECT_TRUE(TLocale::FromEnvironment().IsPlain());
  set("C");
  SetEnvVar("LC_ALL", "en_US.UTF-8");
  EXPECT_EQ(TLocale::FromEnvironment().FormatThousands(1234), u"1,234");
  UnsetEnvVar("LC_ALL");
  SetEnvVar("LANG", savedLang);
}

}  // namespace
}  // namespace kv

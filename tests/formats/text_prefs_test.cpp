#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/codepage.h"
#include "formats/prefs.h"
#include "support/realdata.h"

namespace kv {
namespace {

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

std::pair<std::string, std::string> Lookup(const TPrefsJS& prefs, std::u16string_view name) {
  TUserPref pref;
  pref.Name = u"stale";
  prefs.GetUserPref(name, pref);
  return {U8(pref.Name), U8(pref.Value)};
}

TEST(PrefsJS, ValuesAreKeptAsWritten) {
  TPrefsJS prefs;
  prefs.LoadFromBytes(
      "// Mozilla User Preferences\n"
      "\n"
      "/* a comment */\n"
      "user_pref(\"mail.root.none\", \"C:\\\\Users\\\\Ann\\\\Mail\");\n"
      "user_pref(\"mail.server.server2.port\", 110);\n"
      "user_pref(\"mail.server.server2.login_at_startup\", true);\n"
      "user_pref(\"mail.accountmanager.accounts\", \"account1,account2\");\n"
      "user_pref(\"quoted\", \"say \\\"hi\\\" (twice), ok\");\n",
      u"prefs.js");
  EXPECT_EQ(prefs.UserPrefCount(), 5u);
  EXPECT_EQ(U8(prefs.FileName()), "prefs.js");
  EXPECT_EQ(Lookup(prefs, u"mail.root.none").second, "C:\\\\Users\\\\Ann\\\\Mail");
  EXPECT_EQ(Lookup(prefs, u"MAIL.ROOT.NONE").first, "mail.root.none");
  EXPECT_EQ(Lookup(prefs, u"mail.server.server2.port").second, "110");
  EXPECT_EQ(Lookup(prefs, u"mail.server.server2.login_at_startup").second, "true");
  EXPECT_EQ(Lookup(prefs, u"mail.accountmanager.accounts").second, "account1,account2");
  EXPECT_EQ(Lookup(prefs, u"quoted").second, "say \\\"hi\\\" (twice), ok");
  EXPECT_EQ(Lookup(prefs, u"absent"), std::make_pair(std::string(), std::string()));
}

TEST(PrefsJS, IrregularLines) {
  TPrefsJS prefs;
  prefs.LoadFromBytes(
      "   user_pref(\"indented\", 1);\r\n"
      "USER_PREF( \"spaced\" ,  \"v\" ) ;\r"
      "user_pref(\"commented\", 2); // trailing note\n"
      "user_pref(\"long\", \"" +
      std::string(3000, 'x') +
      "\");\n"
      "user_pref(novalue);\n"
      "user_pref(\"unclosed\", \"text);\n"
      "pref(\"other.call\", 1);\n");
  EXPECT_EQ(Lookup(prefs, u"indented").second, "1");
  EXPECT_EQ(Lookup(prefs, u"spaced").second, "v");
  EXPECT_EQ(Lookup(prefs, u"commented").second, "2");
  EXPECT_EQ(Lookup(prefs, u"long").second.size(), 3000u);
  // Lines without the call's structure are cut at their first comma.
  ASSERT_EQ(prefs.UserPrefCount(), 6u);
  EXPECT_EQ(U8(prefs.UserPrefs()[4].Name), "");
  EXPECT_EQ(U8(prefs.UserPrefs()[4].Value), "user_pref(novalue");
  EXPECT_EQ(Lookup(prefs, u"unclosed").second, "\"text");
}

TEST(PrefsJS, TwoFilesAppendAndTheFirstEntryWins) {
  TPrefsJS prefs;
  TMemoryReadStream first("user_pref(\"a\", \"one\");\nuser_pref(\"a\", \"again\");\n");
  TMemoryReadStream second("user_pref(\"a\", \"two\");\nuser_pref(\"b\", \"three\");\n");
  prefs.Load(first, u"first.js");
  prefs.Load(second, u"second.js");
  EXPECT_EQ(prefs.UserPrefCount(), 4u);
  EXPECT_EQ(U8(prefs.FileName()), "second.js");
  EXPECT_EQ(Lookup(prefs, u"a").second, "one");
  EXPECT_EQ(Lookup(prefs, u"b").second, "three");
}

TEST(PrefsJS, TextEncodings) {
  const auto value = [](std::string bytes) {
    TPrefsJS prefs;
    prefs.LoadFromBytes(bytes);
    return Lookup(prefs, u"name").second;
  };
  EXPECT_EQ(value("user_pref(\"name\", \"J\xC3\xB6rg\");"), "Jörg");  // UTF-8 without a mark
  EXPECT_EQ(value("user_pref(\"name\", \"J\xF6rg\");"), "Jörg");      // 8-bit
  EXPECT_EQ(value("\xEF\xBB\xBFuser_pref(\"name\", \"J\xC3\xB6rg\");"), "Jörg");
  const std::string le = "\xFF\xFE" + Utf16ToUtf16Le(u"user_pref(\"name\", \"\u674E\u4F1F\");\r\n");
  EXPECT_EQ(value(le), "李伟");
  std::string be = le;
  be[0] = '\xFE';
  be[1] = '\xFF';
  for (size_t i = 2; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
  EXPECT_EQ(value(be), "李伟");
  EXPECT_EQ(value(""), "");
}

TEST(PrefsJS, ThunderbirdProfile) {
  const auto path = test::RealDataPath("mbox/thunderbird153_profile/og1rnls1.default/prefs.js");
  KV_SKIP_WITHOUT_REAL_DATA(path);
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file) << path;
  std::stringstream bytes;
  bytes << file.rdbuf();
  TMemoryReadStream stream(bytes.str());
  TPrefsJS prefs;
  prefs.Load(stream, u"prefs.js");
  EXPECT_GT(prefs.UserPrefCount(), 90u);
  EXPECT_EQ(Lookup(prefs, u"mail.root.none").second,
            "/tmp/tbhome2/.thunderbird/og1rnls1.default/Mail");
  EXPECT_EQ(Lookup(prefs, u"mail.server.server1.directory-rel").second,
            "[ProfD]Mail/Local Folders");
  EXPECT_EQ(Lookup(prefs, u"mail.identity.id1.fullName").second, "José Müller");
  EXPECT_EQ(Lookup(prefs, u"mail.identity.id2.fullName").second, "李伟");
}

}  // namespace
}  // namespace kv

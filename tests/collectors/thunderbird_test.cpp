// The Thunderbird collector over built trees: finding profiles.ini, the profile and its mail
// folder on a Windows-style and a Linux-style platform, listing the mbox files, reading them, and
// damaged stores. Also the INI reader under it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "collectors/thunderbird.h"
#include "collectors/thunderbird_ini.h"
#include "collectors/thunderbird_store.h"
#include "support/eml_builder.h"
#include "support/mbox_builder.h"
#include "system/context.h"
#include "system/fake_platform.h"
#include "system/offline_windows_platform.h"
#include "system/temp_tree.h"

namespace kv {
namespace {

using fixtures::EmlBuilder;
using fixtures::MboxBuilder;

constexpr char16_t kRoaming[] = u"C:\\Users\\anna\\AppData\\Roaming";
constexpr char16_t kTb[] = u"C:\\Users\\anna\\AppData\\Roaming\\Thunderbird\\";

std::string Mbox(std::initializer_list<std::string> subjects) {
  MboxBuilder mbox;
  int day = 1;
  for (const std::string& s : subjects)
    mbox.Add(EmlBuilder()
                 .MozillaStatus(1)
                 .Subject(s)
                 .Date(fixtures::MailDate(2013, 1, day++, 10, 20, 30))
                 .Body("text\n")
                 .LineEnd("\n")
                 .Build());
  return mbox.Build();
}

std::string Pref(const std::string& name, const std::string& value) {
  return "user_pref(\"" + name + "\", \"" + value + "\");\n";
}

// A fake machine whose user anna has an application-data folder: Windows-style ("\\") or
// Linux-style ("/", the home folder standing for it).
class ThunderbirdFixture : public ::testing::Test {
 protected:
  explicit ThunderbirdFixture(char16_t sep)
      : FOwned(std::make_unique<TFakePlatform>(sep)), Fake(*FOwned) {
    Fake.Facts.SpecialFolders[26] = sep == u'\\' ? std::u16string(kRoaming) : u"/home/anna";
  }
  const TSystemContext& Context() {
    if (!FContext) FContext = std::make_unique<TSystemContext>(std::move(FOwned));
    return *FContext;
  }
  TVix_Thunderbird& Collector() {
    if (!FCollector) FCollector = std::make_unique<TVix_Thunderbird>(Context());
    return *FCollector;
  }

  std::unique_ptr<TFakePlatform> FOwned;
  TFakePlatform& Fake;
  std::unique_ptr<TSystemContext> FContext;
  std::unique_ptr<TVix_Thunderbird> FCollector;
};

class ThunderbirdWindows : public ThunderbirdFixture {
 protected:
  ThunderbirdWindows() : ThunderbirdFixture(u'\\') {}
  // Windows writes the paths in prefs.js with doubled backslashes.
  static std::string Doubled(std::string path) {
    std::string out;
    for (char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
  }
  // A Local Folders tree under `mail`.
  void AddMailTree(const std::u16string& mail) {
    Fake.AddFile(mail + u"\\Local Folders\\Inbox", Mbox({"in one", "in two"}));
    Fake.AddFile(mail + u"\\Local Folders\\Inbox.msf", "// <!-- <mdb:mork:z v=\"1.4\"/> -->");
    Fake.AddFile(mail + u"\\Local Folders\\Inbox.sbd\\Work", Mbox({"work"}));
    Fake.AddFile(mail + u"\\Local Folders\\Inbox.sbd\\Work.msf");
    Fake.AddFile(mail + u"\\Local Folders\\Sent", Mbox({"sent"}));
    Fake.AddFile(mail + u"\\Local Folders\\Trash");
  }
};

TEST_F(ThunderbirdWindows, RelativeProfileAndMailRoot) {
  Fake.AddFile(std::u16string(kTb) + u"profiles.ini",
               "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\n"
               "IsRelative=1\r\nPath=Profiles/abc.default\r\n");
  const std::string mail =
      "C:\\Users\\anna\\AppData\\Roaming\\Thunderbird\\Profiles\\abc.default\\Mail";
  Fake.AddFile(std::u16string(kTb) + u"Profiles\\abc.default\\prefs.js",
               "// Mozilla User Preferences\n\n" + Pref("mail.root.none", Doubled(mail)) +
                   Pref("mail.server.server1.directory", Doubled("C:\\Elsewhere\\Local Folders")));
  AddMailTree(Ascii(mail));
  Fake.AddFolder(u"C:\\Elsewhere\\Local Folders");

  TVix_Thunderbird& tb = Collector();
  EXPECT_EQ(tb.StorageFolder(), u"Thunderbird");
  EXPECT_EQ(tb.EID(), TEmailClient::ecThunderbird);
  tb.GetMailboxFolders(u"", u"");
  const std::u16string store = Ascii(mail) + u"\\";
  EXPECT_EQ(tb.Store(), store);
  const std::u16string lf = store + u"Local Folders";
  EXPECT_EQ(tb.Folders(), (TStringList{lf, lf + u"\\Inbox", lf + u"\\Inbox.sbd\\Work",
                                       lf + u"\\Sent", lf + u"\\Trash"}));

  tb.SetFolder(lf + u"\\Inbox");
  ASSERT_EQ(tb.RecordCount(), 2u);
  EXPECT_EQ(tb.Record(0).Subject, u"in one");
  EXPECT_EQ(tb.Record(0)._Folder, u"Inbox");
  tb.SetFolder(lf + u"\\Inbox.sbd\\Work");
  ASSERT_EQ(tb.RecordCount(), 1u);
  EXPECT_EQ(tb.Record(0)._Folder, u"Work");
  tb.SetFolder(lf + u"\\Trash");  // an empty mbox
  EXPECT_EQ(tb.RecordCount(), 0u);
  EXPECT_FALSE(tb.DataAvailable());
  tb.SetFolder(lf);  // the listed folder itself
  EXPECT_EQ(tb.RecordCount(), 0u);
  tb.SetFolder(lf + u"\\Missing");
  EXPECT_EQ(tb.RecordCount(), 0u);
  tb.SetFolder(lf + u"\\Sent");  // the scan goes on
  EXPECT_EQ(tb.RecordCount(), 1u);
}

TEST_F(ThunderbirdWindows, AbsoluteAndForwardSlashProfilePaths) {
  Fake.AddFile(std::u16string(kTb) + u"profiles.ini",
               "[Profile0]\nPath=D:/Mail Profiles/x.default\n");
  Fake.AddFile(u"D:\\Mail Profiles\\x.default\\prefs.js",
               Pref("mail.root.none", Doubled("D:\\Mail Profiles\\x.default\\Mail")));
  Fake.AddFile(u"D:\\Mail Profiles\\x.default\\Mail\\Local Folders\\Inbox", Mbox({"a"}));
  std::u16string profile;
  const TStringList prefs = FindProfilePrefs(Context(), kTb, profile);
  EXPECT_EQ(prefs, (TStringList{u"D:\\Mail Profiles\\x.default\\prefs.js"}));
  EXPECT_EQ(profile, u"D:\\Mail Profiles\\x.default\\");
  Collector().GetMailboxFolders(u"", u"");
  EXPECT_EQ(Collector().Store(), u"D:\\Mail Profiles\\x.default\\Mail\\");
  EXPECT_EQ(Collector().Folders().size(), 2u);
}

TEST_F(ThunderbirdWindows, FirstProfileWithPreferencesAndEndOfTheSearch) {
  Fake.AddFile(std::u16string(kTb) + u"profiles.ini",
               "[Profile0]\nPath=Profiles\\none\n[Profile1]\nPath=Profiles\\one\n"
               "[Profile2]\nPath=Profiles\\two\n");
  Fake.AddFolder(std::u16string(kTb) + u"Profiles\\none");
  Fake.AddFile(std::u16string(kTb) + u"Profiles\\one\\prefs.js",
               Pref("mail.root.none", "C:\\\\M1"));
  Fake.AddFile(std::u16string(kTb) + u"Profiles\\one\\prefs.js.init", Pref("x", "y"));
  Fake.AddFile(std::u16string(kTb) + u"Profiles\\two\\prefs.js",
               Pref("mail.root.none", "C:\\\\M2"));
  std::u16string profile;
  EXPECT_EQ(FindProfilePrefs(Context(), kTb, profile),
            (TStringList{std::u16string(kTb) + u"Profiles\\one\\prefs.js.init",
                         std::u16string(kTb) + u"Profiles\\one\\prefs.js"}));
  // prefs.js.init names no folder, prefs.js does.
  Fake.AddFolder(u"C:\\M1");
  std::u16string store;
  EXPECT_TRUE(FindThunderbirdStore(Context(), u"", store));
  EXPECT_EQ(store, u"C:\\M1\\");
}

TEST_F(ThunderbirdWindows, AnEmptyProfilePathEndsTheSearch) {
  Fake.AddFile(std::u16string(kTb) + u"profiles.ini",
               "[Profile0]\nPath=Profiles\\none\n[Profile1]\nName=broken\n"
               "[Profile2]\nPath=Profiles\\two\n");
  Fake.AddFile(std::u16string(kTb) + u"Profiles\\two\\prefs.js",
               Pref("mail.root.none", "C:\\\\M2"));
  Fake.AddFolder(u"C:\\M2");
  std::u16string profile;
  EXPECT_TRUE(FindProfilePrefs(Context(), kTb, profile).empty());
  // An empty path is tried once, as the Thunderbird folder itself.
  Fake.AddFile(std::u16string(kTb) + u"prefs.js", Pref("mail.root.none", "C:\\\\M2"));
  EXPECT_EQ(FindProfilePrefs(Context(), kTb, profile),
            (TStringList{std::u16string(kTb) + u"prefs.js"}));
  EXPECT_EQ(profile, kTb);
}

TEST_F(ThunderbirdWindows, ServerDirectoryParentWhenTheRootIsMissing) {
  Fake.AddFile(std::u16string(kTb) + u"profiles.ini", "[Profile0]\nPath=p\n");
  Fake.AddFile(
      std::u16string(kTb) + u"p\\prefs.js",
      Pref("mail.root.none", "C:\\\\Gone\\\\Mail") +
          Pref("mail.server.server1.directory", "C:\\\\Data\\\\Mail\\\\Local Folders\\\\"));
  Fake.AddFile(u"C:\\Data\\Mail\\Local Folders\\Inbox", Mbox({"x"}));
  Collector().GetMailboxFolders(u"", u"");
  EXPECT_EQ(Collector().Store(), u"C:\\Data\\Mail\\");
  EXPECT_EQ(Collector().Folders(), (TStringList{u"C:\\Data\\Mail\\Local Folders",
                                                u"C:\\Data\\Mail\\Local Folders\\Inbox"}));
}

TEST_F(ThunderbirdWindows, NoUsableMailFolder) {
  // Both preferences missing or empty; the Linux "-rel" twins do not count on Windows.
  Fake.AddFile(std::u16string(kTb) + u"profiles.ini", "[Profile0]\nPath=p\n");
  Fake.AddFile(std::u16string(kTb) + u"p\\prefs.js",
               Pref("mail.root.none", "") + Pref("mail.root.none-rel", "[ProfD]Mail") +
                   // a bare name has no parent folder: it must not stand for the drive's root
                   Pref("mail.server.server1.directory", "Local Folders"));
  Fake.AddFile(std::u16string(kTb) + u"p\\Mail\\Inbox", Mbox({"x"}));
  TVix_Thunderbird& tb = Collector();
  tb.SetFolders({u"stale"});
  tb.GetMailboxFolders(u"", u"");
  EXPECT_TRUE(tb.Folders().empty());
}

TEST_F(ThunderbirdWindows, DamagedAndMissingProfiles) {
  TVix_Thunderbird& tb = Collector();
  tb.GetMailboxFolders(u"", u"");  // no profiles.ini at all
  EXPECT_TRUE(tb.Folders().empty());
  EXPECT_EQ(tb.Store(), u"");
  // profiles.ini pointing nowhere, binary garbage, a folder named profiles.ini.
  for (std::string ini : {std::string("[Profile0]\nPath=Profiles/gone\n"),
                          std::string("\xFF\x00\x01[Profile0\n=\n\0Path", 16), std::string()}) {
    Fake.AddFile(std::u16string(kTb) + u"profiles.ini", ini);
    tb.GetMailboxFolders(u"", u"");
    EXPECT_TRUE(tb.Folders().empty());
  }
  Fake.Remove(std::u16string(kTb) + u"profiles.ini");
  Fake.AddFolder(std::u16string(kTb) + u"profiles.ini");
  EXPECT_EQ(FindThunderbirdFolder(Context(), u""), u"");
}

TEST_F(ThunderbirdWindows, GivenStoreAndStoredMode) {
  Fake.AddFile(u"C:\\Store\\Inbox", Mbox({"a", "b"}));
  TVix_Thunderbird& tb = Collector();
  tb.GetMailboxFolders(u"", u"C:\\Store");
  EXPECT_EQ(tb.Store(), u"C:\\Store\\");
  EXPECT_EQ(tb.Folders(), (TStringList{u"C:\\Store\\Inbox"}));
}

// ---- Linux-style platform: "/" paths, the home folder as application-data folder ----

class ThunderbirdLinux : public ThunderbirdFixture {
 protected:
  ThunderbirdLinux() : ThunderbirdFixture(u'/') {}
};

TEST_F(ThunderbirdLinux, HomeFlatpakAndSnapFolders) {
  TFakePlatform& fake = Fake;
  fake.AddFile(u"/home/anna/snap/thunderbird/common/.thunderbird/profiles.ini", "");
  EXPECT_EQ(FindThunderbirdFolder(Context(), u""),
            u"/home/anna/snap/thunderbird/common/.thunderbird/");
  fake.AddFile(u"/home/anna/.var/app/org.mozilla.Thunderbird/.thunderbird/profiles.ini", "");
  EXPECT_EQ(FindThunderbirdFolder(Context(), u""),
            u"/home/anna/.var/app/org.mozilla.Thunderbird/.thunderbird/");
  fake.AddFolder(u"/home/anna/.thunderbird");  // no profiles.ini in it
  EXPECT_EQ(FindThunderbirdFolder(Context(), u""),
            u"/home/anna/.var/app/org.mozilla.Thunderbird/.thunderbird/");
  fake.AddFile(u"/home/anna/.thunderbird/profiles.ini", "");
  EXPECT_EQ(FindThunderbirdFolder(Context(), u""), u"/home/anna/.thunderbird/");
  // The Windows place means nothing here.
  fake.AddFile(u"/home/anna/Thunderbird/profiles.ini", "");
  EXPECT_EQ(FindThunderbirdFolder(Context(), u""), u"/home/anna/.thunderbird/");
}

TEST_F(ThunderbirdLinux, RelativeAndAbsoluteProfilesWithPosixPrefs) {
  TFakePlatform& fake = Fake;
  fake.AddFile(u"/home/anna/.thunderbird/profiles.ini",
               "[Profile1]\nPath=/srv/tb/p1\n[Profile0]\nPath=x1.default\nIsRelative=1\n");
  fake.AddFile(u"/home/anna/.thunderbird/x1.default/prefs.js",
               Pref("mail.root.none", "/home/anna/.thunderbird/x1.default/Mail") +
                   Pref("mail.root.none-rel", "[ProfD]Elsewhere"));
  fake.AddFile(u"/home/anna/.thunderbird/x1.default/Mail/Local Folders/Inbox", Mbox({"a"}));
  fake.AddFile(u"/home/anna/.thunderbird/x1.default/Elsewhere/Inbox", Mbox({"b"}));
  fake.AddFile(u"/srv/tb/p1/prefs.js", Pref("mail.root.none", "/srv/tb/p1/Mail"));
  TVix_Thunderbird& tb = Collector();
  tb.GetMailboxFolders(u"", u"");
  // The absolute path exists, so its twin is not looked at.
  EXPECT_EQ(tb.Store(), u"/home/anna/.thunderbird/x1.default/Mail/");
  EXPECT_EQ(tb.Folders().size(), 2u);
  std::u16string profile;
  fake.Remove(u"/home/anna/.thunderbird/x1.default/prefs.js");
  EXPECT_EQ(FindProfilePrefs(Context(), u"/home/anna/.thunderbird/", profile),
            (TStringList{u"/srv/tb/p1/prefs.js"}));
  EXPECT_EQ(profile, u"/srv/tb/p1/");
}

TEST_F(ThunderbirdLinux, RelativeTwinsOfAProfileFromAnotherHome) {
  TFakePlatform& fake = Fake;
  const std::u16string profile = u"/home/anna/.thunderbird/og.default/";
  fake.AddFile(u"/home/anna/.thunderbird/profiles.ini", "[Profile0]\nPath=og.default\n");
  fake.AddFile(profile + u"Mail/Local Folders/RealMail", Mbox({"one", "two"}));
  fake.AddFile(profile + u"Mail/Local Folders/RealMail.sbd/Sub", Mbox({"three"}));
  fake.AddFile(profile + u"Mail/Local Folders/RealMail.msf");

  // mail.root.none names a folder of another home: its twin holds.
  fake.AddFile(profile + u"prefs.js",
               Pref("mail.root.none", "/tmp/other/.thunderbird/og.default/Mail") +
                   Pref("mail.root.none-rel", "[ProfD]Mail") +
                   Pref("mail.server.server1.directory", "/tmp/other/x/Local Folders") +
                   Pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders"));
  TVix_Thunderbird& tb = Collector();
  tb.GetMailboxFolders(u"", u"");
  EXPECT_EQ(tb.Store(), profile + u"Mail/");
  const std::u16string lf = profile + u"Mail/Local Folders";
  EXPECT_EQ(tb.Folders(), (TStringList{lf, lf + u"/RealMail", lf + u"/RealMail.sbd/Sub"}));
  tb.SetFolder(lf + u"/RealMail.sbd/Sub");
  ASSERT_EQ(tb.RecordCount(), 1u);
  EXPECT_EQ(tb.Record(0)._Folder, u"Sub");

  // The root's twin is missing too: the server directory's twin gives the parent folder.
  fake.AddFile(profile + u"prefs.js",
               Pref("mail.root.none", "/tmp/other/Mail") +
                   Pref("mail.server.server1.directory", "/tmp/other/x/Local Folders") +
                   Pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders"));
  tb.GetMailboxFolders(u"", u"");
  EXPECT_EQ(tb.Store(), profile + u"Mail/");
  // Twins relative to anything but the profile folder are not used.
  fake.AddFile(profile + u"prefs.js", Pref("mail.root.none", "/tmp/other/Mail") +
                                          Pref("mail.root.none-rel", "[Home]Mail"));
  tb.GetMailboxFolders(u"", u"");
  EXPECT_TRUE(tb.Folders().empty());
}

// ---- on an offline Windows drive, read through hivex (the Linux build) ----
#if KOLVANE_HAVE_OFFLINE_TREE

TEST(ThunderbirdOfflineTree, FindsAndReadsTheProfileThroughTheTree) {
  test::TTempTree tree;
  const std::string roaming = "Users/anna/AppData/Roaming/";
  tree.Write(roaming + "Thunderbird/profiles.ini", "[Profile0]\r\nPath=Profiles/k2.default\r\n");
  // Real Windows profiles name their folders with the drive letter and other letter cases.
  tree.Write(roaming + "Thunderbird/Profiles/k2.default/prefs.js",
             Pref("mail.root.none",
                  "C:\\\\Users\\\\Anna\\\\AppData\\\\Roaming\\\\Thunderbird\\\\Profiles\\\\"
                  "k2.default\\\\Mail"));
  tree.Write(roaming + "Thunderbird/Profiles/k2.default/Mail/Local Folders/Inbox",
             Mbox({"first", "second", "third"}));
  tree.Write(roaming + "Thunderbird/Profiles/k2.default/Mail/Local Folders/Inbox.msf", "mork");
  TSystemContext context(OpenOfflineWindowsTree(tree.Root().string()));
  TVix_Thunderbird tb(context);
  tb.GetMailboxFolders(u"", u"");
  const std::u16string store =
      u"C:\\Users\\Anna\\AppData\\Roaming\\Thunderbird\\Profiles\\k2.default\\Mail\\";
  EXPECT_EQ(tb.Store(), store);
  ASSERT_EQ(tb.Folders().size(), 2u);
  tb.SetFolder(tb.Folders()[1]);
  ASSERT_EQ(tb.RecordCount(), 3u);
  EXPECT_EQ(tb.Record(0).Subject, u"first");
  EXPECT_EQ(tb.Record(2).Subject, u"third");
}

TEST(ThunderbirdOfflineTree, UnreadableMailboxYieldsNothingAndTheScanGoesOn) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  test::TTempTree tree;
  const std::string mail = "Users/anna/AppData/Roaming/Thunderbird/Profiles/p/Mail/";
  tree.Write("Users/anna/AppData/Roaming/Thunderbird/profiles.ini",
             "[Profile0]\nPath=Profiles/p\n");
  tree.Write(
      "Users/anna/AppData/Roaming/Thunderbird/Profiles/p/prefs.js",
      Pref("mail.root.none",
           "C:\\\\Users\\\\anna\\\\AppData\\\\Roaming\\\\Thunderbird\\\\Profiles\\\\p\\\\Mail"));
  const std::string locked = tree.Write(mail + "A", Mbox({"a"}));
  tree.Write(mail + "B", Mbox({"b"}));
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  TSystemContext context(OpenOfflineWindowsTree(tree.Root().string()));
  TVix_Thunderbird tb(context);
  tb.GetMailboxFolders(u"", u"");
  ASSERT_EQ(tb.Folders().size(), 2u);
  tb.SetFolder(tb.Folders()[0]);
  EXPECT_EQ(tb.RecordCount(), 0u);
  tb.SetFolder(tb.Folders()[1]);
  EXPECT_EQ(tb.RecordCount(), 1u);
}

#endif  // KOLVANE_HAVE_OFFLINE_TREE

// ---- INI reader ----

TEST(ThunderbirdIni, SectionsKeysCommentsAndEncodings) {
  TIniFile ini;
  ini.LoadFromBytes(
      "\xEF\xBB\xBF; comment\r\n[General]\r\nVersion=2\r\n"
      "[profile0]\r\n  name = d\xC3\xA9"
      "faut  \r\n# Path=commented\r\npath=Profiles/a b\r\n"
      "PATH=second\r\nno equals sign\r\n[Profile0]\r\nPath=shadowed\r\n[Empty]\r\n");
  EXPECT_EQ(ini.ReadString(u"Profile0", u"Path"), u"Profiles/a b");
  EXPECT_EQ(ini.ReadString(u"PROFILE0", u"Name"), u"d\u00E9faut");
  EXPECT_EQ(ini.ReadString(u"General", u"Version"), u"2");
  EXPECT_EQ(ini.ReadString(u"Profile1", u"Path", u"none"), u"none");
  EXPECT_EQ(ini.ReadString(u"Empty", u"Path"), u"");
  EXPECT_TRUE(ini.HasSection(u"empty"));
  // Keys before any section and Windows-1252 bytes.
  ini.LoadFromBytes("Path=x\n[P]\nPath=Caf\xE9\n");
  EXPECT_EQ(ini.ReadString(u"", u"Path"), u"");
  EXPECT_EQ(ini.ReadString(u"P", u"Path"), u"Caf\u00E9");
  // UTF-16 with its byte-order mark.
  ini.LoadFromBytes(std::string("\xFF\xFE[\0P\0]\0\n\0k\0=\0v\0", 16));
  EXPECT_EQ(ini.ReadString(u"P", u"k"), u"v");
  ini.LoadFromBytes(std::string("\xFE\xFF\0[\0P\0]\0\n\0k\0=\0v", 16));
  EXPECT_EQ(ini.ReadString(u"P", u"k"), u"v");
}

}  // namespace
}  // namespace kv

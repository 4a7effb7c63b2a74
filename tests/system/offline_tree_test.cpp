// An offline Windows tree built on disk with real hives: facts, registry, files and the user
// choice, and the partial and damaged trees.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "base/codepage.h"
#include "base/error.h"
#include "support/hive_builder.h"
#include "system/context.h"
#include "system/environment.h"
#include "system/file_search.h"
#include "system/offline_windows_platform.h"
#include "system/registry.h"
#include "system/session.h"
#include "system/temp_tree.h"
#include "system/user_facts.h"

namespace kv {
namespace {

constexpr const char16_t* kAnnaSid = u"S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr const char16_t* kBobSid = u"S-1-5-21-1004336348-1177238915-682003330-1002";

// A Windows 7 x64 drive with users anna and bob.
class WindowsTree : public ::testing::Test {
 protected:
  WindowsTree() {
    FTree.Folder("Windows/System32/config");
    {
      test::THiveBuilder sw(FTree.Path("Windows/System32/config/SOFTWARE"));
      const char* cv = "Microsoft\\Windows NT\\CurrentVersion";
      sw.SetText(cv, "CurrentVersion", u"6.1");
      sw.SetText(cv, "CurrentBuildNumber", u"7601");
      sw.SetText(cv, "CSDVersion", u"Service Pack 1");
      sw.SetText(cv, "ProductName", u"Windows 7 Professional");
      sw.SetText(cv, "EditionID", u"Professional");
      sw.SetText(cv, "SystemRoot", u"C:\\Windows");
      std::string list = std::string(cv) + "\\ProfileList\\";
      sw.SetExpandText(list + "S-1-5-18", "ProfileImagePath",
                       u"%systemroot%\\system32\\config\\systemprofile");
      sw.SetExpandText(list + Utf16ToUtf8(kAnnaSid), "ProfileImagePath",
                       u"%SystemDrive%\\Users\\anna");
      sw.SetExpandText(list + Utf16ToUtf8(kBobSid), "ProfileImagePath", u"C:\\Users\\Bob");
      sw.Commit();
    }
    {
      test::THiveBuilder sys(FTree.Path("Windows/System32/config/SYSTEM"));
      sys.SetDWord("Select", "Current", 2);
      sys.SetText("ControlSet001\\Control\\ComputerName\\ComputerName", "ComputerName", u"OLD-PC");
      sys.SetText("ControlSet002\\Control\\ComputerName\\ComputerName", "ComputerName", u"Anna-PC");
      sys.SetText("ControlSet002\\Control\\ProductOptions", "ProductType", u"WinNT");
      sys.SetText("ControlSet002\\Control\\Session Manager\\Environment", "PROCESSOR_ARCHITECTURE",
                  u"AMD64");
      sys.AddKey("ControlSet002\\Enum\\IDE\\DiskVBOX_HARDDISK___________________________1.0_____");
      sys.Commit();
    }
    FTree.Folder("Users/Public");
    FTree.Folder("Users/Default");
    ::symlink("Default", FTree.Path("Users/Default User").c_str());
    {
      FTree.Folder("Users/anna/AppData/Roaming");
      test::THiveBuilder nt(FTree.Path("Users/anna/NTUSER.DAT"));
      const char* usf =
          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
      nt.SetExpandText(usf, "AppData", u"%USERPROFILE%\\AppData\\Roaming");
      nt.SetExpandText(usf, "Local AppData", u"%USERPROFILE%\\AppData\\Local");
      nt.SetExpandText("Software\\Microsoft\\Windows Mail", "Store Root",
                       u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Mail");
      nt.SetDWord("Software\\Microsoft\\Windows Mail", "Flags", 7);
      nt.Commit();
    }
    FTree.Write("Users/anna/AppData/Local/Microsoft/Windows Mail/Local Folders/Inbox/a.eml",
                "Subject: a\r\n\r\n");
    FTree.Write("Users/anna/AppData/Local/Microsoft/Windows Mail/Local Folders/Inbox/B.EML",
                "Subject: bb\r\n\r\n");
    FTree.Write("Users/anna/AppData/Roaming/Thunderbird/profiles.ini", "[Profile0]\n");
    {
      FTree.Folder("Users/Bob");
      test::THiveBuilder nt(FTree.Path("Users/Bob/NTUSER.DAT"));
      nt.SetText("Software\\Microsoft\\Windows Live Mail", "Store Root", u"D:\\Mail");
      nt.Commit();
    }
  }

  std::unique_ptr<TSystemContext> Open(std::u16string_view user) {
    return std::make_unique<TSystemContext>(OpenOfflineWindowsTree(FTree.Root().string(), user));
  }

  test::TTempTree FTree;
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EKolvaneError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(WindowsTree, SeveralUsersNeedANameAndTheErrorListsThem) {
  std::string error = ErrorOf([&] { Open(u""); });
  EXPECT_NE(error.find("several user profiles (anna, Bob)"), std::string::npos) << error;
  error = ErrorOf([&] { Open(u"carl"); });
  EXPECT_NE(error.find("\"carl\""), std::string::npos) << error;
  EXPECT_NE(error.find("anna, Bob"), std::string::npos) << error;
}

TEST_F(WindowsTree, FactsOfTheChosenUsersSession) {
  auto ctx = Open(u"ANNA");
  auto& offline = static_cast<TOfflineWindowsPlatform&>(ctx->Platform());
  EXPECT_EQ(offline.User(), u"anna");
  EXPECT_EQ(offline.UserSid(), kAnnaSid);
  EXPECT_EQ(offline.ProfileFolder(), u"C:\\Users\\anna");
  EXPECT_TRUE(offline.Diagnostics().empty());

  const TStartupFacts& f = ctx->Facts();
  EXPECT_EQ(f.OSVersion.PlatformId, 2u);
  EXPECT_EQ(f.OSVersion.MajorVersion, 6u);
  EXPECT_EQ(f.OSVersion.MinorVersion, 1u);
  EXPECT_EQ(f.OSVersion.BuildNumber, 7601u);
  EXPECT_EQ(f.OSVersion.CSDVersion, u"Service Pack 1");
  EXPECT_EQ(f.OSName, u"Windows 7");
  EXPECT_EQ(f.OSEdition, u"Professional x64");
  EXPECT_EQ(f.MachineName, u"ANNA-PC") << "CurrentControlSet is ControlSet002 here";
  EXPECT_EQ(f.CurrentUserName, u"anna");
  EXPECT_EQ(GetLoggedOnUser(*ctx, -1), u"anna");
  EXPECT_EQ(GetUserSID(*ctx, u"", u"bob"), kBobSid);
  EXPECT_EQ(GetUserSID(*ctx, u"", u"anna@ANNA-PC"), kAnnaSid);
  EXPECT_EQ(GetUserSID(*ctx, u"", u"anna@CORP"), u"");
  EXPECT_EQ(SessionTypesToText(GetSessionTypes(*ctx)), u"Local+VirtualBox");

  EXPECT_EQ(GetUserProfileFolder(*ctx, u""), u"C:\\Users\\anna");
  EXPECT_EQ(GetUserProfileFolder(*ctx, u"bob"), u"C:\\Users\\Bob");
  EXPECT_EQ(GetUserSpecialFolder(*ctx, u"", 26), u"C:\\Users\\anna\\AppData\\Roaming\\");
  EXPECT_EQ(GetUserSpecialFolder(*ctx, u"", 28), u"C:\\Users\\anna\\AppData\\Local\\");
  EXPECT_EQ(GetUserSpecialFolder(*ctx, u"bob", 28), u"C:\\Users\\Bob\\AppData\\Local\\");
  EXPECT_EQ(ExpandEnvVars(*ctx, u"%APPDATA%|%LocalAppData%|%SystemRoot%|%USERNAME%"),
            u"C:\\Users\\anna\\AppData\\Roaming|C:\\Users\\anna\\AppData\\Local|C:\\Windows|anna");
}

TEST_F(WindowsTree, RegistryFromTheHives) {
  auto ctx = Open(u"anna");
  IPlatform& p = ctx->Platform();
  auto root = ReadRegistryText(p, TRegistryRoot::Users,
                               std::u16string(kAnnaSid) + u"\\Software\\Microsoft\\Windows Mail",
                               u"Store Root");
  ASSERT_TRUE(root);
  EXPECT_EQ(*root, u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Mail");
  EXPECT_EQ(ReadRegistryText(p, TRegistryRoot::CurrentUser, u"\\software\\microsoft\\WINDOWS MAIL",
                             u"store root"),
            root);
  auto flags = ReadRegistryValue(p, TRegistryRoot::CurrentUser,
                                 u"Software\\Microsoft\\Windows Mail", u"Flags");
  ASSERT_TRUE(flags);
  EXPECT_EQ(flags->Number, 7u);
  // Another user's hive under HKU.
  EXPECT_EQ(ReadRegistryText(p, TRegistryRoot::Users,
                             std::u16string(kBobSid) + u"\\Software\\Microsoft\\Windows Live Mail",
                             u"Store Root"),
            u"D:\\Mail");
  EXPECT_FALSE(p.OpenKey(TRegistryRoot::Users, u"S-1-5-21-9-9-9-9\\Software"));
  EXPECT_FALSE(p.OpenKey(TRegistryRoot::LocalMachine, u"HARDWARE\\DESCRIPTION"));
  EXPECT_FALSE(p.OpenKey(TRegistryRoot::LocalMachine, u"SOFTWARE\\Nothing"));
  auto list = p.OpenKey(TRegistryRoot::LocalMachine,
                        u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->SubKeyNames().size(), 3u);
}

TEST_F(WindowsTree, PathsFromTheRegistryAndPrefsWorkAsWritten) {
  auto ctx = Open(u"anna");
  IPlatform& p = ctx->Platform();
  std::u16string store =
      ReplaceAll(*ReadRegistryText(p, TRegistryRoot::CurrentUser,
                                   u"Software\\Microsoft\\Windows Mail", u"Store Root"),
                 u"%UserProfile%", GetUserProfileFolder(*ctx, u""));
  TStringList folders;
  FindFiles(*ctx, store, u"*.*", faDirectory, &folders, true, true);
  EXPECT_EQ(folders.size(), 2u);
  TStringList mails;
  int64_t total =
      FindFiles(*ctx, store + u"\\Local Folders\\Inbox", u"*.eml", 0x1FF, &mails, false, true);
  EXPECT_EQ(mails.size(), 2u);
  EXPECT_EQ(total, 29);
  EXPECT_EQ(ReadBytes(*p.OpenRead(u"c:\\USERS\\ANNA\\appdata\\local\\microsoft\\windows mail\\"
                                  u"local folders\\inbox\\b.eml"),
                      0, 12),
            "Subject: bb\r");
  // A prefs.js path keeps its doubled backslashes until the reader undoes them; both work.
  EXPECT_TRUE(
      p.Status(u"C:\\\\Users\\\\anna\\\\AppData\\\\Roaming\\\\Thunderbird\\\\profiles.ini"));
  EXPECT_TRUE(p.Status(u"C:/Users/anna/AppData/Roaming/Thunderbird/./../Thunderbird/profiles.ini"));
  EXPECT_TRUE(p.Status(GetUserSpecialFolder(*ctx, u"", 26) + u"Thunderbird\\profiles.ini"));
  EXPECT_FALSE(p.Status(u"D:\\Users\\anna")) << "only the system drive is in the tree";
  EXPECT_FALSE(p.Status(u"Users\\anna")) << "relative paths are not resolved";
  EXPECT_FALSE(p.Status(u"\\\\Users\\anna")) << "nor network paths";
  EXPECT_TRUE(p.Status(u"\\Users\\anna")) << "a rooted path is on the system drive";
  EXPECT_EQ(GetFileSizeByName(*ctx, u"C:\\Users\\anna\\NTUSER.DAT") % 4096, 0);
  EXPECT_THROW(p.OpenRead(u"C:\\Users\\anna\\missing.txt"), EKolvaneError);
  // The independent reader agrees about the SYSTEM hive the test built.
  EXPECT_EQ(test::RunCommand("hivexget '" + FTree.Path("Windows/System32/config/SYSTEM") +
                             "' 'ControlSet002\\Control\\ComputerName\\ComputerName' ComputerName"),
            "Anna-PC\n");
}

TEST_F(WindowsTree, DamagedHiveIsReportedAndItsKeysAreAbsent) {
  FTree.Write("Windows/System32/config/SOFTWARE", std::string(20000, '\x55'));
  auto ctx = Open(u"anna");
  auto& offline = static_cast<TOfflineWindowsPlatform&>(ctx->Platform());
  ASSERT_EQ(offline.Diagnostics().size(), 1u);
  EXPECT_NE(Utf16ToUtf8(offline.Diagnostics()[0]).find("SOFTWARE"), std::string::npos);
  EXPECT_FALSE(ctx->Platform().OpenKey(TRegistryRoot::LocalMachine, u"SOFTWARE\\Microsoft"));
  EXPECT_EQ(ctx->Facts().OSName, u"");
  EXPECT_EQ(offline.UserSid(), u"") << "users come from the folders now";
  EXPECT_EQ(ctx->Facts().MachineName, u"ANNA-PC") << "the SYSTEM hive still serves";
  EXPECT_EQ(ReadRegistryText(ctx->Platform(), TRegistryRoot::CurrentUser,
                             u"Software\\Microsoft\\Windows Mail", u"Store Root")
                .value_or(u""),
            u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Mail")
      << "the user's own hive is found through the profile folder";
}

TEST(Windows7Tree, TheSharedTreeBuilderMakesAReadableDrive) {
  test::TTempTree tree;
  test::WriteWindows7Tree(tree.Root().string(), {"anna", "bob"}, u"Desk");
  {
    test::THiveBuilder nt(tree.Path("Users/bob/NTUSER.DAT"), test::THiveBuilder::TExisting{});
    nt.SetText("Software\\Microsoft\\Windows Live Mail", "Default Mail Account", u"x.oeaccount");
    nt.Commit();
  }
  auto ctx = std::make_unique<TSystemContext>(OpenOfflineWindowsTree(tree.Root().string(), u"bob"));
  EXPECT_EQ(ctx->Facts().MachineName, u"DESK");
  EXPECT_EQ(ctx->Facts().OSName + u" " + ctx->Facts().OSEdition, u"Windows 7 Professional x64");
  EXPECT_EQ(GetUserSID(*ctx, u"", u"bob"), Utf8ToUtf16(test::Windows7UserSid(1)));
  EXPECT_EQ(GetUserSpecialFolder(*ctx, u"", 0), u"C:\\Users\\bob\\Desktop\\");
  EXPECT_EQ(GetUserSpecialFolder(*ctx, u"anna", 26), u"C:\\Users\\anna\\AppData\\Roaming\\");
  EXPECT_EQ(ReadRegistryText(
                ctx->Platform(), TRegistryRoot::Users,
                Utf8ToUtf16(test::Windows7UserSid(1)) + u"\\Software\\Microsoft\\Windows Live Mail",
                u"Default Mail Account"),
            u"x.oeaccount");
}

TEST(PartialWindowsTree, FilesWithoutHivesAndXPDefaults) {
  test::TTempTree tree;
  tree.Folder("Documents and Settings/All Users");
  tree.Folder("Documents and Settings/Default User");
  tree.Folder("Documents and Settings/LocalService");
  tree.Write(
      "Documents and Settings/carl/Local Settings/Application Data/Identities/{X}/"
      "Microsoft/Outlook Express/Inbox.dbx",
      "dbx");
  auto ctx = std::make_unique<TSystemContext>(OpenOfflineWindowsTree(tree.Root().string()));
  EXPECT_EQ(ctx->Facts().CurrentUserName, u"carl");
  EXPECT_EQ(GetUserSID(*ctx, u"", u"carl"), u"");
  EXPECT_EQ(GetUserProfileFolder(*ctx, u""), u"C:\\Documents and Settings\\carl");
  std::u16string local = GetUserSpecialFolder(*ctx, u"", 28);
  EXPECT_EQ(local, u"C:\\Documents and Settings\\carl\\Local Settings\\Application Data\\");
  EXPECT_EQ(GetUserSpecialFolder(*ctx, u"", 26),
            u"C:\\Documents and Settings\\carl\\Application Data\\");
  TStringList found;
  FindFiles(*ctx, local + u"Identities", u"*.?bx", 0x1FF, &found, true, true);
  EXPECT_EQ(found, (TStringList{u"C:\\Documents and Settings\\carl\\Local Settings\\Application "
                                u"Data\\Identities\\{X}\\Microsoft\\Outlook Express\\Inbox.dbx"}));
  EXPECT_FALSE(ctx->Platform().OpenKey(TRegistryRoot::CurrentUser, u"Software"));
  EXPECT_FALSE(ctx->Platform().OpenKey(TRegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet"));
  EXPECT_EQ(GetLoggedOnUser(*ctx, -1), u"carl");
}

TEST(PartialWindowsTree, NotATreeOrNoProfileGivesAClearError) {
  test::TTempTree tree;
  std::string error = ErrorOf([&] { OpenOfflineWindowsTree(tree.Path("nothing")); });
  EXPECT_NE(error.find("is not a folder"), std::string::npos) << error;
  tree.Write("readme.txt", "x");
  error = ErrorOf([&] { OpenOfflineWindowsTree(tree.Root().string()); });
  EXPECT_NE(error.find("does not hold a Windows system drive"), std::string::npos) << error;
  tree.Folder("windows/system32");
  tree.Folder("users/Public");
  error = ErrorOf([&] { OpenOfflineWindowsTree(tree.Root().string()); });
  EXPECT_NE(error.find("holds no user profile"), std::string::npos) << error;
}

}  // namespace
}  // namespace kv

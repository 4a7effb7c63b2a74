// The sample tree as an offline Windows drive: the facts of its user and machine, the registry
// values that lead each collector to its store, and the files found where those values point.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "base/stream.h"
#include "base/text.h"
#include "formats/prefs.h"
#include "samples/samples_support.h"
#include "system/file_search.h"
#include "system/user_facts.h"

namespace kv {
namespace {

using test::U;

std::set<std::u16string> ManifestFolders(std::string_view client, bool scannedOnly) {
  std::set<std::u16string> out;
  for (const samples::TSampleFolder& f : test::CommittedManifest().Folders) {
    if (f.Client == client && (f.Scanned || !scannedOnly)) out.insert(U(f.Path));
  }
  return out;
}

std::set<std::u16string> Found(const TSystemContext& ctx, std::u16string_view folder,
                               std::u16string_view mask, uint32_t attrMask) {
  TStringList list;
  FindFiles(ctx, folder, mask, attrMask, &list, true, true);
  return {list.begin(), list.end()};
}

std::u16string UserText(const TSystemContext& ctx, std::u16string_view key,
                        std::u16string_view name) {
  const std::u16string path = U(samples::kUserSid) + u"\\" + std::u16string(key);
  std::unique_ptr<IRegistryKey> k = ctx.Platform().OpenKey(TRegistryRoot::Users, path);
  if (!k) return u"(no key)";
  std::optional<TRegistryValue> v = k->Value(name);
  return v && v->IsText() ? v->Text : u"(no text)";
}

std::u16string ExpandProfile(std::u16string text) {
  const std::u16string var = u"%UserProfile%";
  const size_t at = text.find(var);
  if (at != std::u16string::npos) text.replace(at, var.size(), U(samples::kProfileFolder));
  return text;
}

class SampleDrive : public ::testing::Test {
 protected:
  std::unique_ptr<TSystemContext> FContext = test::OpenSamples();
  const TSystemContext& Ctx() const { return *FContext; }
  IPlatform& Platform() const { return FContext->Platform(); }
};

TEST_F(SampleDrive, OneUserWithSidProfileAndShellFolders) {
  auto& offline = static_cast<TOfflineWindowsPlatform&>(Platform());
  EXPECT_EQ(offline.Users(), TStringList{u"Clara"});
  EXPECT_EQ(offline.User(), u"Clara");
  EXPECT_EQ(offline.UserSid(), U(samples::kUserSid));
  EXPECT_EQ(offline.ProfileFolder(), U(samples::kProfileFolder));
  EXPECT_TRUE(offline.Diagnostics().empty()) << Utf16ToUtf8(Join(offline.Diagnostics(), u"; "));

  const TStartupFacts& f = Ctx().Facts();
  EXPECT_EQ(f.CurrentUserName, u"Clara");
  EXPECT_EQ(f.MachineName, U(samples::kMachineName)) << "ControlSet001 is the current set";
  EXPECT_EQ(f.OSVersion.PlatformId, 2u);
  EXPECT_EQ(f.OSVersion.MajorVersion, 6u);
  EXPECT_EQ(f.OSVersion.MinorVersion, 1u);
  EXPECT_EQ(f.OSVersion.BuildNumber, 7601u);
  EXPECT_EQ(f.OSVersion.CSDVersion, u"Service Pack 1");
  EXPECT_EQ(f.OSVersion.ServicePackMajor, 1u);
  EXPECT_EQ(f.OSName, u"Windows 7");
  EXPECT_EQ(f.OSEdition, u"Professional x64");

  EXPECT_EQ(GetUserSID(Ctx(), u"", u"clara"), U(samples::kUserSid));
  EXPECT_EQ(GetUserProfileFolder(Ctx(), u""), U(samples::kProfileFolder));
  EXPECT_EQ(GetUserSpecialFolder(Ctx(), u"", 26), U(samples::kRoamingAppData) + u"\\");
  EXPECT_EQ(GetUserSpecialFolder(Ctx(), u"Clara", 28), U(samples::kLocalAppData) + u"\\");
  EXPECT_EQ(GetLoggedOnUser(Ctx(), -1), u"Clara");
}

TEST_F(SampleDrive, OutlookExpressIdentitiesAndTheirFolderFiles) {
  // The identities in the user's hive, each with its store below the local application data.
  std::unique_ptr<IRegistryKey> ids = Platform().OpenKey(TRegistryRoot::CurrentUser, u"Identities");
  ASSERT_TRUE(ids);
  TStringList names = ids->SubKeyNames();
  std::sort(names.begin(), names.end());
  TStringList want = {U(samples::IdentityFolder(0)), U(samples::IdentityFolder(1))};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(names, want);
  for (const std::u16string& id : want) {
    const std::u16string store = ExpandProfile(
        UserText(Ctx(), u"Identities\\" + id + u"\\Software\\Microsoft\\Outlook Express\\5.0",
                 u"Store Root"));
    std::optional<TFileStatus> st = Platform().Status(store);
    ASSERT_TRUE(st && (st->Attributes & faDirectory)) << Utf16ToUtf8(store);
  }
  // Every .dbx and .mbx file below Identities is a folder of the manifest, and no other.
  const std::u16string identities = GetUserSpecialFolder(Ctx(), u"", 28) + u"Identities";
  EXPECT_EQ(Found(Ctx(), identities, u"*.?bx", 0x1FF), ManifestFolders("oe", false));
  // The Outlook Express 4 folder has its index beside it.
  for (const std::u16string& f : ManifestFolders("oe", false)) {
    if (f.ends_with(u".mbx")) {
      EXPECT_TRUE(Platform().Status(f.substr(0, f.size() - 4) + u".idx")) << Utf16ToUtf8(f);
    }
  }
}

TEST_F(SampleDrive, WindowsMailStoreRootLeadsToLocalFolders) {
  const std::u16string raw = UserText(Ctx(), u"Software\\Microsoft\\Windows Mail", u"Store Root");
  EXPECT_EQ(raw, u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Mail");
  const std::u16string local = ExpandProfile(raw) + u"\\Local Folders";
  EXPECT_EQ(Found(Ctx(), local, u"*.*", 0x10), ManifestFolders("winmail", false));
  // The user's own hive is also HKEY_CURRENT_USER.
  auto k = Platform().OpenKey(TRegistryRoot::CurrentUser, u"\\Software\\Microsoft\\Windows Mail");
  ASSERT_TRUE(k);
  EXPECT_TRUE(k->Value(u"store root"));
}

TEST_F(SampleDrive, WindowsLiveMailDefaultAccountNamesOneOfTwoAccountFiles) {
  const std::u16string raw =
      UserText(Ctx(), u"Software\\Microsoft\\Windows Live Mail", u"Store Root");
  EXPECT_EQ(raw, u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Live Mail");
  const std::u16string root = ExpandProfile(raw);
  const std::u16string def =
      UserText(Ctx(), u"Software\\Microsoft\\Windows Live Mail", u"Default Mail Account");
  EXPECT_EQ(def, U(samples::kDefaultMailAccount));

  std::set<std::u16string> accounts = Found(Ctx(), root, u"*.oeaccount", 0x1FF);
  ASSERT_EQ(accounts.size(), 2u);
  std::u16string account;
  for (const std::u16string& a : accounts) {
    if (a.ends_with(u"\\" + def)) account = a.substr(0, a.rfind(u'\\'));
  }
  ASSERT_FALSE(account.empty());
  // The default account's folders are the scanned ones; the store root holds them all.
  EXPECT_EQ(Found(Ctx(), account, u"*.*", 0x10), ManifestFolders("winlivemail", true));
  std::set<std::u16string> all = Found(Ctx(), root, u"*.*", 0x10);
  for (const std::u16string& f : ManifestFolders("winlivemail", false)) {
    EXPECT_TRUE(all.count(f)) << Utf16ToUtf8(f);
  }
  EXPECT_LT(ManifestFolders("winlivemail", true).size(),
            ManifestFolders("winlivemail", false).size());
}

TEST_F(SampleDrive, ThunderbirdProfilesIniAndPrefsLeadToTheMailFolder) {
  const std::u16string base = GetUserSpecialFolder(Ctx(), u"", 26);
  std::unique_ptr<IReadStream> ini = Platform().OpenRead(base + u"Thunderbird\\profiles.ini");
  const std::string text = ReadBytes(*ini, 0, size_t(ini->Size()));
  const std::string key = "Path=";
  const size_t at = text.find(key);
  ASSERT_NE(at, std::string::npos);
  std::string path = text.substr(at + key.size(), text.find('\r', at) - at - key.size());
  std::replace(path.begin(), path.end(), '/', '\\');
  const std::u16string profile = base + u"Thunderbird\\" + U(path);
  EXPECT_EQ(profile, U(samples::kThunderbirdProfile));

  std::unique_ptr<IReadStream> prefsFile = Platform().OpenRead(profile + u"\\prefs.js");
  TPrefsJS prefs;
  prefs.Load(*prefsFile);
  std::u16string root = prefs.GetUserPref(u"mail.root.none").Value;
  for (size_t p = 0; (p = root.find(u"\\\\", p)) != std::u16string::npos; ++p) root.erase(p, 1);
  EXPECT_EQ(root, U(samples::kThunderbirdMail));
  std::u16string dir = prefs.GetUserPref(u"mail.server.server1.directory").Value;
  for (size_t p = 0; (p = dir.find(u"\\\\", p)) != std::u16string::npos; ++p) dir.erase(p, 1);
  EXPECT_EQ(dir, root + u"\\Local Folders");

  // Every name without a dot below the mail folder is a folder of the manifest: the mbox files
  // and Local Folders itself, never a .msf summary or an .sbd folder.
  EXPECT_EQ(Found(Ctx(), root, u"*.", 0x1FF), ManifestFolders("thunderbird", false));
}

}  // namespace
}  // namespace kv

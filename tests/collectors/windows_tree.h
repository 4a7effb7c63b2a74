// Trees the collector tests scan: a fake platform with a user's registry facts in place, and an
// offline Windows drive on disk with real hives.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "system/context.h"
#include "system/fake_platform.h"
#include "system/temp_tree.h"
#if KOLVANE_HAVE_OFFLINE_TREE
#include "support/hive_builder.h"
#include "system/offline_windows_platform.h"
#endif

namespace kv::test {

inline constexpr char16_t kAnnaSid[] = u"S-1-5-21-1004336348-1177238915-682003330-1001";
inline constexpr char16_t kBobSid[] = u"S-1-5-21-1004336348-1177238915-682003330-1002";
inline constexpr char16_t kProfileList[] =
    u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

// A Windows 7 machine on the fake platform: users anna (running) and bob with their SIDs and
// profile folders, anna's shell folders. Registry keys of a user live under HKEY_USERS\<SID>.
class TFakeWindows {
 public:
  TFakeWindows() : FOwned(std::make_unique<TFakePlatform>()), Fake(*FOwned) {
    Fake.Facts.Sids = {{u"anna", kAnnaSid}, {u"bob", kBobSid}};
    Fake.SetText(TRegistryRoot::LocalMachine, std::u16string(kProfileList) + kAnnaSid,
                 u"ProfileImagePath", u"C:\\Users\\anna");
    Fake.SetText(TRegistryRoot::LocalMachine, std::u16string(kProfileList) + kBobSid,
                 u"ProfileImagePath", u"C:\\Users\\bob");
    Fake.Facts.SpecialFolders[0] = u"C:\\Users\\anna\\Desktop";
    Fake.Facts.SpecialFolders[26] = u"C:\\Users\\anna\\AppData\\Roaming";
    Fake.Facts.SpecialFolders[28] = u"C:\\Users\\anna\\AppData\\Local";
  }

  // The context over the platform; facts set after this call are not seen by it.
  const TSystemContext& Context() {
    if (!FContext) FContext = std::make_unique<TSystemContext>(std::move(FOwned));
    return *FContext;
  }

  // Sets a text value in the user's own hive.
  void SetUserText(std::u16string_view sid, std::u16string_view key, std::u16string_view name,
                   std::u16string_view text) {
    Fake.SetText(TRegistryRoot::Users, std::u16string(sid) + u"\\" + std::u16string(key), name,
                 text);
  }

 private:
  std::unique_ptr<TFakePlatform> FOwned;
  std::unique_ptr<TSystemContext> FContext;

 public:
  TFakePlatform& Fake;
};

#if KOLVANE_HAVE_OFFLINE_TREE  // hivex: the Linux build
// An offline Windows drive in a temporary folder: SOFTWARE with anna's profile, anna's
// NTUSER.DAT with her shell folders and whatever values a test adds before Open().
class TDiskWindows {
 public:
  TDiskWindows() : FUser(Tree.Folder("Users/anna") + "/NTUSER.DAT") {
    Tree.Folder("Windows/System32/config");
    THiveBuilder sw(Tree.Path("Windows/System32/config/SOFTWARE"));
    const char* cv = "Microsoft\\Windows NT\\CurrentVersion";
    sw.SetText(cv, "CurrentVersion", u"6.1");
    sw.SetText(cv, "CurrentBuildNumber", u"7601");
    sw.SetText(cv, "ProductName", u"Windows 7 Professional");
    sw.SetExpandText(std::string(cv) + "\\ProfileList\\" + Utf16ToUtf8(kAnnaSid),
                     "ProfileImagePath", u"%SystemDrive%\\Users\\anna");
    sw.Commit();
    const char* usf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    FUser.SetExpandText(usf, "AppData", u"%USERPROFILE%\\AppData\\Roaming");
    FUser.SetExpandText(usf, "Local AppData", u"%USERPROFILE%\\AppData\\Local");
  }

  // anna's hive, to add values to before Open().
  THiveBuilder& User() { return FUser; }

  const TSystemContext& Open() {
    FUser.Commit();
    FContext =
        std::make_unique<TSystemContext>(OpenOfflineWindowsTree(Tree.Root().string(), u"anna"));
    return *FContext;
  }

  TTempTree Tree;

 private:
  THiveBuilder FUser;
  std::unique_ptr<TSystemContext> FContext;
};

#endif

}  // namespace kv::test

// Machine, user and profile facts over the fake platform.
#include <gtest/gtest.h>

#include "base/error.h"
#include "system/context.h"
#include "system/environment.h"
#include "system/fake_platform.h"
#include "system/os_name.h"
#include "system/session.h"
#include "system/sid.h"
#include "system/user_facts.h"
#include "system/version_info.h"

namespace kv {
namespace {

using TSt = TSessionType;

// A Windows 7 machine with users anna (running) and bob.
std::unique_ptr<TFakePlatform> Windows7() {
  auto p = std::make_unique<TFakePlatform>();
  p->Facts.AccountName = u"anna";
  p->Facts.Sids = {{u"anna", u"S-1-5-21-11-22-33-1001"}, {u"bob", u"S-1-5-21-11-22-33-1002"}};
  p->Facts.SpecialFolders = {{0, u"C:\\Users\\anna\\Desktop"},
                             {26, u"C:\\Users\\anna\\AppData\\Roaming"},
                             {28, u"C:\\Users\\anna\\AppData\\Local"}};
  const char16_t* list = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
  p->SetValue(TRegistryRoot::LocalMachine, std::u16string(list) + u"S-1-5-21-11-22-33-1001",
              u"ProfileImagePath", TRegistryValue::FromText(u"%SystemDrive%\\Users\\anna", true));
  p->SetValue(TRegistryRoot::LocalMachine, std::u16string(list) + u"S-1-5-21-11-22-33-1002",
              u"ProfileImagePath", TRegistryValue::FromText(u"D:\\Profiles\\bob", true));
  p->SetEnv(u"SystemDrive", u"C:");
  p->SetEnv(u"USERPROFILE", u"C:\\Users\\anna");
  return p;
}

TEST(Sid, TextForm) {
  TSid admins;
  admins.IdentifierAuthority = {0, 0, 0, 0, 0, 5};
  admins.SubAuthorities = {32, 544};
  EXPECT_EQ(SidToText(admins), u"S-1-5-32-544");

  TSid big;  // every non-zero authority byte in decimal, without separators
  big.IdentifierAuthority = {0, 0, 1, 0, 2, 3};
  big.SubAuthorities = {0xFFFFFFFFu};
  EXPECT_EQ(SidToText(big), u"S-1-123-4294967295");

  auto parsed = SidFromBytes(std::string("\x01\x02\0\0\0\0\0\x05\x20\0\0\0\x20\x02\0\0", 16));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(SidToText(*parsed), u"S-1-5-32-544");
  EXPECT_FALSE(SidFromBytes(std::string("\x01\x03\0\0\0\0\0\x05\x20\0\0\0", 12)))
      << "fewer sub-authorities than the count says";
}

TEST(Session, TextsAndBits) {
  EXPECT_EQ(SessionTypesToText({TSt::stLocal, TSt::stVBOX}), u"Local+VirtualBox");
  EXPECT_EQ(SessionTypesToText({TSt::stTerminal, TSt::stCitrix, TSt::stVMWare}),
            u"Terminal+Citrix+VMWare");
  EXPECT_EQ(SessionTypesToText({TSt::stQEMU, TSt::stVPC, TSt::stLocal}), u"Local+VirtualPC+QEMU");
  EXPECT_EQ(SessionTypesToText({}), u"");
  EXPECT_EQ(IntToSessionTypes(0x21), (TSessionTypes{TSt::stLocal, TSt::stTerminal}));
  EXPECT_EQ(IntToSessionTypes(0x80 | 0x100 | 0x40), (TSessionTypes{TSt::stCitrix}));
  EXPECT_EQ(IntToSessionTypes(-1).ToInt(), 0x7Fu);
}

TEST(Session, DetectedFromRegistryAndPlatform) {
  auto p = Windows7();
  p->AddKey(TRegistryRoot::LocalMachine,
            u"SYSTEM\\CurrentControlSet\\Enum\\SCSI\\Disk&Ven_VBOX&Prod_VBOX_HARDDISK");
  p->SetText(TRegistryRoot::LocalMachine,
             u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", u"GinaDLL",
             u"c:\\windows\\system32\\CtxGina.dll");
  TFakePlatform& fake = *p;
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(GetSessionTypes(ctx), (TSessionTypes{TSt::stVBOX, TSt::stCitrix, TSt::stLocal}));
  fake.Facts.RemoteSession = true;
  fake.Facts.VirtualMachines = vmQEMU;
  EXPECT_EQ(SessionTypesToText(GetSessionTypes(ctx)), u"Terminal+Citrix+VirtualBox+QEMU");
}

TEST(ExpandEnvVars, ReplacesInPlaceAndKeepsUnknownNames) {
  auto p = std::make_unique<TFakePlatform>();
  p->SetEnv(u"A", u"a-long-value");
  p->SetEnv(u"BB", u"b");
  p->EnvironmentEntries.push_back(u"=C:=C:\\Windows");  // hidden drive entries are skipped
  p->EnvironmentEntries.push_back(u" =blank");
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(ExpandEnvVars(ctx, u"x%A%y%bb%z%NOPE%"), u"xa-long-valueybz%NOPE%");
  EXPECT_EQ(ExpandEnvVars(ctx, u"%A%%A%"), u"a-long-value%A%") << "first occurrence only";
  EXPECT_EQ(ExpandEnvVars(ctx, u"% %"), u"% %");
}

TEST(ExpandEnvVars, DropsX86WhenTheExpandedPathDoesNotExist) {
  auto p = std::make_unique<TFakePlatform>();
  p->SetEnv(u"ProgramFiles", u"C:\\Program Files (x86)");
  p->AddFile(u"C:\\Program Files (x86)\\Real\\app.exe");
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(ExpandEnvVars(ctx, u"%ProgramFiles%\\Real\\app.exe"),
            u"C:\\Program Files (x86)\\Real\\app.exe");
  EXPECT_EQ(ExpandEnvVars(ctx, u"%ProgramFiles%\\Gone\\app.exe"),
            u"C:\\Program Files\\Gone\\app.exe");
}

TEST(UserFolders, ProfileFolderFromProfileListElseFromTheDesktop) {
  auto p = Windows7();
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(GetUserProfileFolder(ctx, u""), u"C:\\Users\\anna");
  EXPECT_EQ(GetUserProfileFolder(ctx, u"BOB"), u"D:\\Profiles\\bob");
  // carl has no SID: the desktop's parent with the user name swapped
  EXPECT_EQ(GetUserProfileFolder(ctx, u"carl"), u"C:\\Users\\carl");
}

TEST(UserFolders, SpecialFolderOfTheRunningUserIsItsOwn) {
  auto p = Windows7();
  TFakePlatform& fake = *p;
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"", 26), u"C:\\Users\\anna\\AppData\\Roaming\\");
  // The profile list is not consulted for the running user.
  fake.Facts.Sids.clear();
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"ANNA", 28), u"C:\\Users\\anna\\AppData\\Local\\");
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"anna", 99), u"\\") << "no such folder";
}

TEST(UserFolders, SpecialFolderOfAnotherUserFollowsTheRelativePath) {
  auto p = Windows7();
  TFakePlatform& fake = *p;
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"bob", 28), u"D:\\Profiles\\bob\\AppData\\Local\\");
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"bob", 26), u"D:\\Profiles\\bob\\AppData\\Roaming\\");
  // A folder outside the own profile: the parent of the roaming folder is swapped.
  fake.Facts.SpecialFolders[28] = u"E:\\Data\\AppData\\Local";
  fake.Facts.SpecialFolders[26] = u"E:\\Data\\AppData\\Roaming";
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"bob", 28), u"D:\\Profiles\\bob\\Local\\");
  // A path that already names the user stays.
  fake.Facts.SpecialFolders[28] = u"E:\\Share\\bob\\Local";
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"bob", 28), u"E:\\Share\\bob\\Local\\");
  // The service profile folder takes the user's profile name.
  fake.Facts.SpecialFolders[28] = u"C:\\Windows\\ServiceProfiles\\LocalService\\AppData\\Local";
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"bob", 28),
            u"C:\\Windows\\ServiceProfiles\\bob\\AppData\\Local\\");
}

TEST(UserFolders, SpecialFolderThatIsTheProfileItselfMapsToTheOtherProfile) {
  // The Linux layout: application data (26) is the home folder itself.
  auto p = std::make_unique<TFakePlatform>(u'/');
  p->Facts.OSVersion.PlatformId = 1000;
  p->Facts.AccountName = u"anna";
  p->Facts.SpecialFolders = {
      {0, u"/home/anna/Desktop"}, {26, u"/home/anna"}, {28, u"/home/anna/.local/share"}};
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"bob", 26), u"/home/bob/");
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"bob", 28), u"/home/bob/.local/share/");
  EXPECT_EQ(GetUserSpecialFolder(ctx, u"", 26), u"/home/anna/");
}

TEST(LoggedOnUser, TerminalServicesThenExplorerThenAccount) {
  auto p = Windows7();
  TFakePlatform& fake = *p;
  TSystemContext ctx(std::move(p));
  // Not in a domain: the workgroup differs from the machine name but user@WORKGROUP has no SID.
  fake.Facts.Workgroup = u"WORKGROUP";
  EXPECT_EQ(GetLoggedOnUser(ctx, -1), u"anna");

  fake.Facts.HasTerminalServices = true;
  fake.Facts.SessionUsers[-1] = {u"bob", u"CORP"};
  fake.Facts.Sids.push_back({u"bob@CORP", u"S-1-5-21-99-1002"});
  EXPECT_EQ(GetLoggedOnUser(ctx, -1), u"bob@CORP");

  // Terminal services give no name: explorer.exe of the console session (1 on Vista and later).
  fake.Facts.SessionUsers.clear();
  fake.Facts.ConsoleSession = -1;
  fake.Facts.ExplorerAccounts[1] = {u"S-1-5-21-11-22-33-1005", u"", u""};
  EXPECT_EQ(GetLoggedOnUser(ctx, -1), u"S-1-5-21-11-22-33-1005") << "an unresolved SID as text";
  fake.Facts.RemoteSession = true;
  fake.Facts.ProcessSession = 3;
  fake.Facts.ExplorerAccounts[3] = {u"S-1-5-21-1", u"carl", u"FAKEPC"};
  EXPECT_EQ(GetLoggedOnUser(ctx, -1), u"carl") << "the domain is the machine itself";
  EXPECT_EQ(GetLoggedOnUser(ctx, 7), u"anna") << "nothing in session 7: the running account";
}

TEST(MachineAndAccount, RegistryNameWinsAndAdminComesFromThePlatform) {
  auto p = Windows7();
  p->Facts.ComputerName = u"netbios";
  p->Facts.Administrator = true;
  p->Facts.IPv4 = {u"10.0.0.2", u"192.168.1.4"};
  p->SetText(TRegistryRoot::LocalMachine,
             u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName",
             u"Desk-01");
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(GetMachineName(ctx), u"Desk-01");
  EXPECT_EQ(ctx.Facts().MachineName, u"DESK-01");
  EXPECT_EQ(ctx.Facts().CurrentUserName, u"anna");
  EXPECT_TRUE(IsAdmin(ctx));
  EXPECT_EQ(GetLocalIPAddresses(ctx), u"10.0.0.2,192.168.1.4");
  EXPECT_EQ(GetUserSID(ctx, u"", u"Bob"), u"S-1-5-21-11-22-33-1002");
  EXPECT_EQ(GetUserSID(ctx, u"", u"nobody"), u"");
}

// GetOSName over a version record on the fake platform.
TOSName OSName(TOSVersionRecord v, uint32_t arch, std::optional<uint32_t> productType = {},
               uint32_t kinds = 0, TFakePlatform* extra = nullptr) {
  TFakePlatform local;
  TFakePlatform& p = extra ? *extra : local;
  p.Facts.ProductType = productType;
  p.Facts.SystemKinds = kinds;
  return GetOSName(p, v, arch);
}

TEST(OSName, WindowsFamilies) {
  auto name = OSName({6, 1, 7601, 2, u"Service Pack 1", 1, 0, 0x100, 1}, kArchitectureX64, 48);
  EXPECT_EQ(name.Name, u"Windows 7");
  EXPECT_EQ(name.Edition, u"Professional x64");
  name = OSName({6, 0, 6002, 2, u"", 0, 0, 0, 3}, kArchitectureX86, 8);
  EXPECT_EQ(name.Name, u"Windows Server 2008");
  EXPECT_EQ(name.Edition, u"Datacenter Full");
  name = OSName({6, 1, 7600, 2, u"", 0, 0, 0, 1}, kArchitectureX64, 19);
  EXPECT_EQ(name.Edition, u"x64") << "a number outside the table";
  name = OSName({5, 1, 2600, 2, u"Service Pack 3", 3, 0, 0x200, 1}, kArchitectureX86, {},
                skMediaCenter | skTabletPC);
  EXPECT_EQ(name.Name, u"Windows XP");
  EXPECT_EQ(name.Edition, u"Home Tablet PC") << "Tablet PC is checked before Media Center";
  name = OSName({5, 1, 2600, 2, u"", 0, 0, 0x200, 1}, kArchitectureX86, {}, skMediaCenter);
  EXPECT_EQ(name.Edition, u"Home Media Center");
  name = OSName({5, 2, 3790, 2, u"", 0, 0, 0, 1}, kArchitectureX64);
  EXPECT_EQ(name.Name, u"Windows XP");
  EXPECT_EQ(name.Edition, u"Professional x64");
  name = OSName({5, 2, 3790, 2, u"", 0, 0, 0x2000 | 0x80 | 0x2, 3}, kArchitectureIA64);
  EXPECT_EQ(name.Name, u"Windows Storage Server 2003");
  EXPECT_EQ(name.Edition, u"Datacenter for Itanium-based Systems");
  name = OSName({5, 2, 3790, 2, u"", 0, 0, 0x400, 3}, kArchitectureX86, {}, skServerR2);
  EXPECT_EQ(name.Name, u"Windows Server 2003 R2");
  EXPECT_EQ(name.Edition, u"Web");
  name = OSName({5, 0, 2195, 2, u"", 0, 0, 0x2, 3}, kArchitectureX86);
  EXPECT_EQ(name.Edition, u"Advanced Server");
  name = OSName({4, 0, 950, 1, u" B", 0, 0, 0, 0}, kArchitectureX86);
  EXPECT_EQ(name.Name, u"Windows 95");
  EXPECT_EQ(name.Edition, u"OSR 2");
  name = OSName({4, 10, 2222, 1, u" A", 0, 0, 0, 0}, kArchitectureX86);
  EXPECT_EQ(name.Name + u" " + name.Edition, u"Windows 98 SE");
}

TEST(OSName, NT4ProductOptionsAndHotfix) {
  TFakePlatform p;
  p.SetText(TRegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
            u"ProductType", u"LanmanNT");
  p.SetValue(TRegistryRoot::LocalMachine,
             u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009", u"Installed",
             TRegistryValue::FromDWord(1));
  TOSVersionRecord v{4, 0, 1381, 2, u"Service Pack 6", 6, 0, 0, 1};
  TOSName name = GetOSName(p, v, kArchitectureX86);
  EXPECT_EQ(name.Name, u"Windows NT 4");
  EXPECT_EQ(name.Edition, u"Server");
  EXPECT_EQ(v.CSDVersion, u"Service Pack 6a");
}

TEST(OSName, LaterAndForeignSystemsTakeThePlatformsOwnName) {
  TFakePlatform p;
  p.Facts.OwnOSName = std::make_pair(u"Windows 10 Pro", u" Professional ");
  auto name = OSName({10, 0, 19045, 2, u"", 0, 0, 0, 1}, kArchitectureX64, 48, 0, &p);
  EXPECT_EQ(name.Name, u"Windows 10 Pro");
  EXPECT_EQ(name.Edition, u"Professional");
  p.Facts.OwnOSName = std::make_pair(u"Debian GNU/Linux", u"12 (bookworm)");
  name = OSName({6, 1, 0, 1000, u"6.1.0-18-amd64", 0, 0, 0, 1}, kArchitectureX64, {}, 0, &p);
  EXPECT_EQ(name.Name, u"Debian GNU/Linux");
  EXPECT_EQ(name.Edition, u"12 (bookworm)");
  EXPECT_EQ(ProductTypeFromEditionId(u"HomePremium"), 3u);
  EXPECT_EQ(ProductTypeFromEditionId(u"Professional"), 48u);
  EXPECT_FALSE(ProductTypeFromEditionId(u"Nonesuch"));
}

TEST(VersionInfo, NumbersTextsAndBeta) {
  TFakePlatform p;
  TFileVersionFacts f;
  f.FileVersionMS = (2u << 16) | 1;
  f.FileVersionLS = (0u << 16) | 5;
  f.ProductVersionMS = (3u << 16) | 4;
  f.ProductVersionLS = (5u << 16) | 6;
  f.FileFlags = 0x2;
  f.Strings = {{u"FileDescription", u"Tool"},
               {u"LegalCopyright", u"(c) Someone"},
               {u"OriginalFilename", u"tool.exe"}};
  p.Facts.FileVersions = {{u"C:\\tool.exe", f}};
  TVersionInfo info;
  ASSERT_TRUE(GetVersionInfo(p, u"c:\\TOOL.exe", info));
  EXPECT_EQ(info.Version, u"2.1.0.5 BETA 5");
  EXPECT_EQ(info.ProductMajor, 3u);
  EXPECT_EQ(info.ProductBuild, 6u);
  EXPECT_EQ(info.Description, u"Tool");
  EXPECT_EQ(info.Copyright, u"(c) Someone");
  EXPECT_EQ(info.OriginalFilename, u"tool.exe");
  p.Facts.FileVersions[0].second.FileVersionLS = 0;
  ASSERT_TRUE(GetVersionInfo(p, u"C:\\tool.exe", info));
  EXPECT_EQ(info.Version, u"2.1.0.0 BETA");
  EXPECT_FALSE(GetVersionInfo(p, u"C:\\other.exe", info));
  EXPECT_EQ(info.FileName, u"C:\\other.exe");
  EXPECT_TRUE(info.Version.empty());
}

TEST(FakePlatform, WindowsUsersAreReadyForCollectors) {
  auto p = std::make_unique<TFakePlatform>();
  p->AddWindowsUser(u"anna", u"S-1-5-21-5-1001", true);
  p->AddWindowsUser(u"bob", u"S-1-5-21-5-1002");
  p->AddFile(u"C:\\Users\\bob\\AppData\\Roaming\\Thunderbird\\profiles.ini", "[Profile0]");
  TFakePlatform& fake = *p;
  TSystemContext ctx(std::move(p));
  EXPECT_EQ(ctx.Facts().CurrentUserName, u"anna");
  EXPECT_EQ(GetUserProfileFolder(ctx, u"bob"), u"C:\\Users\\bob");
  std::u16string base = GetUserSpecialFolder(ctx, u"bob", 26);
  EXPECT_EQ(base, u"C:\\Users\\bob\\AppData\\Roaming\\");
  EXPECT_TRUE(fake.Status(base + u"Thunderbird\\profiles.ini"));
  EXPECT_EQ(ReadBytes(*fake.OpenRead(base + u"THUNDERBIRD\\Profiles.ini"), 0, 100), "[Profile0]");
  EXPECT_EQ(ExpandEnvVars(ctx, u"%LocalAppData%\\Microsoft"),
            u"C:\\Users\\anna\\AppData\\Local\\Microsoft");
  EXPECT_THROW(fake.OpenRead(u"C:\\Users\\bob"), EKolvaneError);
  EXPECT_THROW(fake.OpenRead(u"C:\\nothing"), EKolvaneError);
}

TEST(StartupFacts, ComputedOnceFromThePlatform) {
  auto p = Windows7();
  p->Facts.ComputerName = u"desk";
  TFakePlatform& fake = *p;
  TSystemContext ctx(std::move(p));
  const TStartupFacts& f = ctx.Facts();
  EXPECT_EQ(f.OSName, u"Windows 7");
  EXPECT_EQ(f.OSEdition, u"Professional x64");
  EXPECT_EQ(f.MachineName, u"DESK");
  EXPECT_EQ(f.ProgramVersion.ProductName, u"Kolvane");
  EXPECT_FALSE(f.ProgramVersion.Copyright.empty());
  EXPECT_FALSE(f.ProgramVersion.Description.empty());
  EXPECT_EQ(f.ProgramVersion.FileName, fake.Facts.ProgramFile);
  EXPECT_EQ(f.ProgramVersion.Version.substr(0, 4), u"0.1.") << "from the project version";
  fake.Facts.ComputerName = u"other";
  EXPECT_EQ(ctx.Facts().MachineName, u"DESK") << "start-up facts do not change";
}

}  // namespace
}  // namespace kv

#include "system/offline_windows_platform.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>

#include "base/codepage.h"
#include "base/error.h"
#include "base/text.h"
#include "system/case_fold.h"
#include "system/environment.h"
#include "system/hive.h"
#include "system/os_name.h"
#include "system/path.h"
#include "system/posix_files.h"

namespace kv {
namespace {

constexpr const char16_t* kCurrentVersionKey = u"Microsoft\\Windows NT\\CurrentVersion";
constexpr const char16_t* kProfileListKey = u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Folders under Users / Documents and Settings that are not anyone's profile.
constexpr const char16_t* kNotProfiles[] = {u"All Users", u"Default", u"Default User", u"Public",
                                           u"LocalService", u"NetworkService", u"Default.migrated",
                                           u"defaultuser0"};

struct TProfile {
  std::u16string Name;    // the profile folder's last component
  std::u16string Sid;     // empty when found without hives
  std::u16string Folder;  // "C:\Users\anna"
};

bool IsHostFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsHostRealFolder(const std::string& path) {  // a folder that is not a link
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class TMounted final : public TOfflineWindowsPlatform {
 public:
  // Without a user the tree only lists its profiles (Users); it serves nothing else.
  TMounted(std::string root, std::optional<std::u16string_view> user) : FRoot(std::move(root)) {
    while (FRoot.size() > 1 && FRoot.back() == '/') FRoot.pop_back();
    if (!IsHostFolder(FRoot)) {
      throw EKolvaneError(u"\"" + Utf8ToUtf16(FRoot) + u"\" is not a folder");
    }
    if (HostPath(u"C:\\Windows").empty() && HostPath(u"C:\\Users").empty() &&
        HostPath(u"C:\\Documents and Settings").empty()) {
      throw EKolvaneError(u"\"" + Utf8ToUtf16(FRoot) +
                          u"\" does not hold a Windows system drive: it has no Windows, Users or "
                          u"Documents and Settings folder");
    }
    FSoftware = OpenHive(u"C:\\Windows\\System32\\config\\SOFTWARE");
    FSystem = OpenHive(u"C:\\Windows\\System32\\config\\SYSTEM");
    if (FSystem) {
      std::optional<TRegistryValue> current = FSystem->Value(FSystem->Find(u"Select"), u"Current");
      if (current && !current->IsText() && current->Number > 0 && current->Number < 1000) {
        std::u16string n = UIntToStr(current->Number);
        FControlSet = u"ControlSet" + std::u16string(3 - std::min<size_t>(3, n.size()), u'0') + n;
      }
    }
    ReadVersion();
    if (!user) {
      FindProfiles();
      return;
    }
    ChooseUser(*user);
    BuildEnvironment();
  }

  // --- TOfflineWindowsPlatform ---
  TStringList Users() const override {
    TStringList out;
    for (const TProfile& p : FProfiles) out.push_back(p.Name);
    return out;
  }
  std::u16string User() const override { return FUser.Name; }
  std::u16string UserSid() const override { return FUser.Sid; }
  std::u16string ProfileFolder() const override { return FUser.Folder; }
  TStringList Diagnostics() const override { return FDiagnostics; }

  std::string HostPath(std::u16string_view path) override {
    std::vector<std::u16string> parts;
    if (!Components(path, parts)) return {};
    std::string host = FRoot;
    std::u16string key;
    for (const std::u16string& part : parts) {
      key += u'\\';
      key += FoldCase(part);
      auto hit = FResolved.find(key);
      if (hit != FResolved.end()) {
        host = hit->second;
        continue;
      }
      std::string next = ResolveComponent(host, part);
      if (next.empty()) return {};
      if (FResolved.size() > 200000) FResolved.clear();
      FResolved.emplace(key, next);
      host = std::move(next);
    }
    return host;
  }

  // --- IPlatform: files ---
  char16_t PathSeparator() const override { return u'\\'; }
  std::unique_ptr<IFolderListing> ListFolder(std::u16string_view folder) override {
    std::string host = HostPath(folder);
    return host.empty() ? nullptr : ListPosixFolder(host);
  }
  std::optional<TFileStatus> Status(std::u16string_view path) override {
    std::string host = HostPath(path);
    if (host.empty()) return std::nullopt;
    return PosixStatus(host);
  }
  std::unique_ptr<IReadStream> OpenRead(std::u16string_view path) override {
    std::string host = HostPath(path);
    if (host.empty()) {
      throw EKolvaneError(u"Cannot open file \"" + std::u16string(path) + u"\": no such file");
    }
    return OpenPosixFile(host, path);
  }

  // --- IPlatform: registry ---
  std::unique_ptr<IRegistryKey> OpenKey(TRegistryRoot root, std::u16string_view path) override {
    TStringList parts;
    for (std::u16string& p : Split(path, u'\\')) {
      if (!p.empty()) parts.push_back(std::move(p));
    }
    std::shared_ptr<THive> hive;
    size_t first = 0;
    if (root == TRegistryRoot::LocalMachine) {
      if (parts.empty()) return nullptr;
      if (SameTextFold(parts[0], u"SOFTWARE")) hive = FSoftware;
      else if (SameTextFold(parts[0], u"SYSTEM")) hive = FSystem;
      first = 1;
      if (hive == FSystem && parts.size() > 1 && SameTextFold(parts[1], u"CurrentControlSet")) {
        if (FControlSet.empty()) return nullptr;
        parts[1] = FControlSet;
      }
    } else if (root == TRegistryRoot::CurrentUser) {
      hive = FUserHive;
    } else {
      if (parts.empty()) return nullptr;
      hive = UserHive(parts[0]);
      first = 1;
    }
    if (!hive) return nullptr;
    size_t node = hive->Root();
    for (size_t i = first; i < parts.size() && node != 0; ++i) node = hive->Child(node, parts[i]);
    return hive->Key(node);
  }

  TStringList Environment() override { return FEnvironment; }

  // --- IPlatform: machine ---
  std::u16string ComputerName() override { return FComputerName; }
  TOSVersionRecord OSVersion() override { return FVersion; }
  uint32_t ProcessorArchitecture() override { return FArchitecture; }
  bool Is64BitHost() override { return false; }
  std::optional<uint32_t> ProductInfo(uint32_t, uint32_t, uint32_t, uint32_t) override {
    return ProductTypeFromEditionId(FEditionId);
  }
  uint32_t SystemKinds() override { return FSystemKinds; }
  std::optional<std::pair<std::u16string, std::u16string>> OwnOSName() override {
    if (FProductName.empty()) return std::nullopt;
    return std::make_pair(FProductName, FEditionId);
  }
  uint32_t VirtualMachines() override { return 0; }
  TStringList IPv4Addresses() override { return {}; }
  std::u16string WorkgroupName(std::u16string_view) override { return {}; }

  // --- IPlatform: accounts ---
  std::u16string AccountName() override { return FUser.Name; }
  std::u16string AccountSid(std::u16string_view system, std::u16string_view account) override {
    if (!system.empty() && !SameTextFold(ExcludeLeadingBackslashes(system), FComputerName)) {
      return {};
    }
    std::u16string_view name = account;
    size_t at = account.find(u'@');
    if (at != std::u16string_view::npos) {
      if (!SameTextFold(account.substr(at + 1), FComputerName)) return {};
      name = account.substr(0, at);
    }
    for (const TProfile& p : FProfiles) {
      if (SameTextFold(p.Name, name)) return p.Sid;
    }
    return {};
  }
  bool TokenHoldsAdministrators() override { return false; }
  std::u16string SpecialFolder(int id) override {
    auto it = FSpecialFolders.find(id);
    return it == FSpecialFolders.end() ? std::u16string() : it->second;
  }
  bool IsRemoteSession() override { return false; }
  int32_t ProcessSessionId() override { return 1; }
  int32_t ConsoleSessionId() override { return 1; }
  std::optional<TAccountName> SessionUser(int32_t) override {
    return TAccountName{FUser.Name, FComputerName};
  }
  std::optional<TProcessAccount> ProcessAccount(std::u16string_view, int32_t) override {
    return TProcessAccount{FUser.Sid, FUser.Name, FComputerName};
  }
  std::u16string ProgramFile() override { return {}; }
  std::optional<TFileVersionFacts> FileVersion(std::u16string_view) override {
    return std::nullopt;
  }

 private:
  static std::u16string_view ExcludeLeadingBackslashes(std::u16string_view s) {
    while (!s.empty() && s.front() == u'\\') s.remove_prefix(1);
    return s;
  }

  // Splits an absolute Windows path on the tree into components ("." dropped, ".." applied);
  // false for a relative path or another drive.
  static bool Components(std::u16string_view path, std::vector<std::u16string>& out) {
    if (path.size() >= 2 && path[1] == u':') {
      if (path[0] != u'C' && path[0] != u'c') return false;
      path.remove_prefix(2);
    } else if (path.size() >= 2 && (path[0] == u'\\' || path[0] == u'/') &&
               (path[1] == u'\\' || path[1] == u'/')) {
      return false;  // a network path ("\\server\share") is not on the system drive
    }
    if (path.empty() || (path[0] != u'\\' && path[0] != u'/')) return path.empty();
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == u'\\' || path[i] == u'/') {
        std::u16string_view c = path.substr(start, i - start);
        start = i + 1;
        if (c.empty() || c == u".") continue;
        if (c == u"..") {
          if (!out.empty()) out.pop_back();
          continue;
        }
        out.emplace_back(c);
      }
    }
    return true;
  }

  // The entry of host folder `folder` named `name`: the exact name when it exists, else the first
  // entry whose name equals it case folded; empty when none.
  static std::string ResolveComponent(const std::string& folder, const std::u16string& name) {
    std::string exact = folder + "/" + Utf16ToUtf8(name);
    struct stat st;
    if (::lstat(exact.c_str(), &st) == 0) return exact;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return {};
    std::string found;
    while (struct dirent* d = ::readdir(dir)) {
      if (SameTextFold(Utf8ToUtf16(d->d_name), name)) {
        found = folder + "/" + d->d_name;
        break;
      }
    }
    ::closedir(dir);
    return found;
  }

  std::shared_ptr<THive> OpenHive(const std::u16string& path) {
    std::string host = HostPath(path);
    if (host.empty()) return nullptr;
    std::u16string error;
    std::shared_ptr<THive> hive = THive::Open(host, error);
    if (!hive) {
      FDiagnostics.push_back(u"The registry hive \"" + path + u"\" cannot be read: " + error);
    }
    return hive;
  }

  std::optional<TRegistryValue> Software(std::u16string_view key, std::u16string_view name) {
    return FSoftware ? FSoftware->Value(FSoftware->Find(key), name) : std::nullopt;
  }
  std::optional<TRegistryValue> System(std::u16string_view key, std::u16string_view name) {
    if (!FSystem || FControlSet.empty()) return std::nullopt;
    return FSystem->Value(FSystem->Find(FControlSet + u"\\" + std::u16string(key)), name);
  }
  std::u16string SoftwareText(std::u16string_view key, std::u16string_view name) {
    auto v = Software(key, name);
    return v && v->IsText() ? Trim(v->Text) : std::u16string();
  }
  std::u16string SystemText(std::u16string_view key, std::u16string_view name) {
    auto v = System(key, name);
    return v && v->IsText() ? Trim(v->Text) : std::u16string();
  }

  void ReadVersion() {
    FVersion.PlatformId = kPlatformWin32NT;
    FVersion.ProductType = 1;
    FComputerName = SystemText(u"Control\\ComputerName\\ComputerName", u"ComputerName");
    auto major = Software(kCurrentVersionKey, u"CurrentMajorVersionNumber");
    auto minor = Software(kCurrentVersionKey, u"CurrentMinorVersionNumber");
    if (major && !major->IsText()) {
      FVersion.MajorVersion = uint32_t(major->Number);
      FVersion.MinorVersion = minor && !minor->IsText() ? uint32_t(minor->Number) : 0;
    } else {
      TStringList parts = Split(SoftwareText(kCurrentVersionKey, u"CurrentVersion"), u'.');
      if (parts.size() >= 1) FVersion.MajorVersion = uint32_t(std::max(0, StrToIntDef(parts[0], 0)));
      if (parts.size() >= 2) FVersion.MinorVersion = uint32_t(std::max(0, StrToIntDef(parts[1], 0)));
    }
    std::u16string build = SoftwareText(kCurrentVersionKey, u"CurrentBuildNumber");
    if (build.empty()) build = SoftwareText(kCurrentVersionKey, u"CurrentBuild");
    FVersion.BuildNumber = uint32_t(std::max(0, StrToIntDef(build, 0)));
    FVersion.CSDVersion = SoftwareText(kCurrentVersionKey, u"CSDVersion");
    if (FVersion.CSDVersion.size() > 128) FVersion.CSDVersion.resize(128);
    if (auto sp = System(u"Control\\Windows", u"CSDVersion"); sp && !sp->IsText()) {
      FVersion.ServicePackMajor = uint16_t((sp->Number >> 8) & 0xFF);
      FVersion.ServicePackMinor = uint16_t(sp->Number & 0xFF);
    }
    std::u16string type = SystemText(u"Control\\ProductOptions", u"ProductType");
    if (SameTextFold(type, u"LanmanNT")) FVersion.ProductType = 2;
    else if (SameTextFold(type, u"ServerNT")) FVersion.ProductType = 3;
    if (FSystem && !FControlSet.empty()) {
      static constexpr std::pair<const char16_t*, uint16_t> kSuites[] = {
          {u"Small Business", 0x1}, {u"Enterprise", 0x2}, {u"BackOffice", 0x4},
          {u"CommunicationServer", 0x8}, {u"Terminal Server", 0x10},
          {u"Small Business(Restricted)", 0x20}, {u"EmbeddedNT", 0x40}, {u"DataCenter", 0x80},
          {u"Personal", 0x200}, {u"Blade", 0x400}, {u"Embedded(Restricted)", 0x800},
          {u"Security Appliance", 0x1000}, {u"Storage Server", 0x2000},
          {u"Compute Server", 0x4000}, {u"WH Server", 0x8000}};
      size_t node = FSystem->Find(FControlSet + u"\\Control\\ProductOptions");
      for (const std::u16string& s : FSystem->MultiText(node, u"ProductSuite")) {
        for (const auto& [name, bit] : kSuites) {
          if (SameTextFold(s, name)) FVersion.SuiteMask |= bit;
        }
      }
    }
    FProductName = SoftwareText(kCurrentVersionKey, u"ProductName");
    // Windows 11 still calls itself "Windows 10" in ProductName; its build number tells.
    if (FVersion.MajorVersion == 10 && FVersion.BuildNumber >= 22000 &&
        StartsWithAscii(FProductName, u"Windows 10")) {
      FProductName = u"Windows 11" + FProductName.substr(10);
    }
    FEditionId = SoftwareText(kCurrentVersionKey, u"EditionID");
    if (FindFold(FProductName, u" R2") != std::u16string::npos) FSystemKinds |= skServerR2;
    if (FindFold(FProductName, u"Starter") != std::u16string::npos) FSystemKinds |= skStarter;
    if (FindFold(FProductName, u"Tablet PC") != std::u16string::npos) FSystemKinds |= skTabletPC;
    if (FindFold(FProductName, u"Media Center") != std::u16string::npos) FSystemKinds |= skMediaCenter;
    std::u16string arch =
        SystemText(u"Control\\Session Manager\\Environment", u"PROCESSOR_ARCHITECTURE");
    if (SameTextFold(arch, u"AMD64")) FArchitecture = kArchitectureX64;
    else if (SameTextFold(arch, u"IA64")) FArchitecture = kArchitectureIA64;
    else if (SameTextFold(arch, u"ARM64")) FArchitecture = kArchitectureArm64;
    FSystemRoot = SoftwareText(kCurrentVersionKey, u"SystemRoot");
    if (FSystemRoot.empty() || HostPath(FSystemRoot).empty()) {
      FSystemRoot = u"C:\\Windows";
      for (const char16_t* name : {u"C:\\WINDOWS", u"C:\\WINNT"}) {
        std::string host = HostPath(name);
        if (!host.empty()) {
          FSystemRoot = u"C:\\" + ExtractFileName(Utf8ToUtf16(host), u'/');
          break;
        }
      }
    }
  }

  void FindProfiles() {
    if (FSoftware) {
      size_t list = FSoftware->Find(kProfileListKey);
      TStringList base = {u"SystemDrive=C:", u"SystemRoot=" + FSystemRoot, u"windir=" + FSystemRoot};
      for (const std::u16string& sid : FSoftware->ChildNames(list)) {
        if (!StartsWithAscii(sid, u"S-1-5-21-")) continue;  // not the service accounts
        auto path = FSoftware->Value(FSoftware->Child(list, sid), u"ProfileImagePath");
        if (!path || !path->IsText() || path->Text.empty()) continue;
        std::u16string folder = ExcludeTrailingSeparator(ExpandVariables(base, path->Text), u'\\');
        FProfiles.push_back({ExtractFileName(folder, u'\\'), sid, folder});
      }
      if (!FProfiles.empty()) return;
    }
    for (const char16_t* parent : {u"C:\\Users", u"C:\\Documents and Settings"}) {
      std::unique_ptr<IFolderListing> listing = ListFolder(parent);
      if (!listing) continue;
      TDirEntry e;
      while (listing->Next(e)) {
        if (!(e.Attributes & faDirectory)) continue;
        bool skip = false;
        for (const char16_t* n : kNotProfiles) skip = skip || SameTextFold(e.Name, n);
        std::u16string folder = std::u16string(parent) + u"\\" + e.Name;
        if (skip || !IsHostRealFolder(HostPath(folder))) continue;
        FProfiles.push_back({e.Name, u"", folder});
      }
      std::sort(FProfiles.begin(), FProfiles.end(),
                [](const TProfile& a, const TProfile& b) { return FoldCase(a.Name) < FoldCase(b.Name); });
    }
  }

  void ChooseUser(std::u16string_view user) {
    FindProfiles();
    const std::u16string tree = u"\"" + Utf8ToUtf16(FRoot) + u"\"";
    std::u16string names = Join(Users(), u", ");
    if (FProfiles.empty()) {
      throw EKolvaneError(u"The Windows tree " + tree + u" holds no user profile");
    }
    if (user.empty()) {
      if (FProfiles.size() > 1) {
        throw EKolvaneError(u"The Windows tree " + tree + u" holds several user profiles (" +
                            names + u"); name the user to read");
      }
      FUser = FProfiles[0];
    } else {
      auto it = std::find_if(FProfiles.begin(), FProfiles.end(),
                             [&](const TProfile& p) { return SameTextFold(p.Name, user); });
      if (it == FProfiles.end()) {
        throw EKolvaneError(u"The Windows tree " + tree + u" has no profile of the user \"" +
                            std::u16string(user) + u"\"; its users are: " + names);
      }
      FUser = *it;
    }
    FUserHive = UserHive(FUser.Sid.empty() ? u"" : FUser.Sid);
    if (!FUserHive && FUser.Sid.empty()) FUserHive = LoadUserHive(FUser);
  }

  std::shared_ptr<THive> LoadUserHive(const TProfile& profile) {
    if (HostPath(profile.Folder + u"\\NTUSER.DAT").empty()) return nullptr;
    return OpenHive(profile.Folder + u"\\NTUSER.DAT");
  }

  // The NTUSER.DAT hive of the profile with this SID, opened once.
  std::shared_ptr<THive> UserHive(const std::u16string& sid) {
    if (sid.empty()) return nullptr;
    std::u16string key = FoldCase(sid);
    auto it = FUserHives.find(key);
    if (it != FUserHives.end()) return it->second;
    std::shared_ptr<THive> hive;
    for (const TProfile& p : FProfiles) {
      if (SameTextFold(p.Sid, sid)) hive = LoadUserHive(p);
    }
    FUserHives.emplace(key, hive);
    return hive;
  }

  std::u16string ShellFolder(std::u16string_view valueName, std::u16string_view fallback) {
    if (FUserHive) {
      const char16_t* kUserShell = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
      const char16_t* kShell = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
      for (const char16_t* key : {kUserShell, kShell}) {
        auto v = FUserHive->Value(FUserHive->Find(key), valueName);
        if (v && v->IsText() && !Trim(v->Text).empty()) {
          return ExcludeTrailingSeparator(ExpandVariables(FEnvironment, Trim(v->Text)), u'\\');
        }
      }
    }
    return FUser.Folder + u"\\" + std::u16string(fallback);
  }

  void BuildEnvironment() {
    const bool vista = FSoftware ? FVersion.MajorVersion >= 6
                                 : StartsWithAscii(FoldCase(FUser.Folder), u"C:\\USERS\\");
    const std::u16string& profile = FUser.Folder;
    std::u16string roaming = profile + (vista ? u"\\AppData\\Roaming" : u"\\Application Data");
    std::u16string local =
        profile + (vista ? u"\\AppData\\Local" : u"\\Local Settings\\Application Data");
    std::u16string temp = vista ? local + u"\\Temp" : profile + u"\\Local Settings\\Temp";
    std::u16string allUsers = vista ? u"C:\\ProgramData" : u"C:\\Documents and Settings\\All Users";
    std::vector<std::pair<std::u16string, std::u16string>> env = {
        {u"ALLUSERSPROFILE", allUsers},
        {u"COMPUTERNAME", FComputerName},
        {u"HOMEDRIVE", u"C:"},
        {u"HOMEPATH", profile.substr(2)},
        {u"OS", u"Windows_NT"},
        {u"ProgramFiles", u"C:\\Program Files"},
        {u"SystemDrive", u"C:"},
        {u"SystemRoot", FSystemRoot},
        {u"USERDOMAIN", FComputerName},
        {u"USERNAME", FUser.Name},
        {u"USERPROFILE", profile},
        {u"windir", FSystemRoot},
    };
    if (vista) {
      env.push_back({u"ProgramData", u"C:\\ProgramData"});
      env.push_back({u"PUBLIC", u"C:\\Users\\Public"});
    }
    if (FArchitecture == kArchitectureX64) {
      env.push_back({u"ProgramFiles(x86)", u"C:\\Program Files (x86)"});
    }
    // The folders first: the user's shell-folder values may refer to USERPROFILE.
    FEnvironment.clear();
    for (const auto& [n, v] : env) FEnvironment.push_back(n + u"=" + v);
    FSpecialFolders[sfDesktop] = ShellFolder(u"Desktop", u"Desktop");
    FSpecialFolders[sfPersonal] = ShellFolder(u"Personal", vista ? u"Documents" : u"My Documents");
    FSpecialFolders[sfAppData] = ShellFolder(u"AppData", roaming.substr(profile.size() + 1));
    FSpecialFolders[sfLocalAppData] = ShellFolder(u"Local AppData", local.substr(profile.size() + 1));
    env.push_back({u"APPDATA", FSpecialFolders[sfAppData]});
    env.push_back({u"LOCALAPPDATA", FSpecialFolders[sfLocalAppData]});
    env.push_back({u"TEMP", temp});
    env.push_back({u"TMP", temp});
    // Windows keeps its environment block sorted by name, case ignored.
    std::sort(env.begin(), env.end(),
              [](const auto& a, const auto& b) { return FoldCase(a.first) < FoldCase(b.first); });
    FEnvironment.clear();
    for (const auto& [n, v] : env) FEnvironment.push_back(n + u"=" + v);
  }

  std::string FRoot;
  std::unordered_map<std::u16string, std::string> FResolved;  // folded "\a\b" -> host path
  std::shared_ptr<THive> FSoftware, FSystem, FUserHive;
  std::map<std::u16string, std::shared_ptr<THive>> FUserHives;
  std::u16string FControlSet;
  TStringList FDiagnostics;
  std::vector<TProfile> FProfiles;
  TProfile FUser;
  TOSVersionRecord FVersion;
  std::u16string FComputerName, FProductName, FEditionId, FSystemRoot;
  uint32_t FArchitecture = kArchitectureX86;
  uint32_t FSystemKinds = 0;
  TStringList FEnvironment;
  std::map<int, std::u16string> FSpecialFolders;
};

}  // namespace

std::unique_ptr<TOfflineWindowsPlatform> OpenOfflineWindowsTree(const std::string& folder,
                                                                std::u16string_view user) {
  return std::make_unique<TMounted>(folder, user);
}

TStringList OfflineWindowsTreeUsers(const std::string& folder) {
  return TMounted(folder, std::nullopt).Users();
}

}  // namespace kv

#include "system/offline_windows_platform.h"

#include <optional>

#include "base/codepage.h"
#include "base/error.h"
#include "system/case_fold.h"
#include "system/offline_paths.h"
#include "system/offline_profiles.h"
#include "system/offline_registry.h"
#include "system/offline_session.h"
#include "system/offline_version.h"
#include "system/os_name.h"
#include "system/posix_files.h"

namespace kv {
namespace {

std::u16string_view ExcludeLeadingBackslashes(std::u16string_view s) {
  while (!s.empty() && s.front() == u'\\') s.remove_prefix(1);
  return s;
}

// The tree's folder, checked to be a Windows system drive before anything else reads it.
TOfflinePaths CheckedTree(std::string root) {
  TOfflinePaths paths(std::move(root));
  const std::u16string shown = u"\"" + Utf8ToUtf16(paths.Root()) + u"\"";
  const std::optional<TFileStatus> status = PosixStatus(paths.Root());
  if (!status || !(status->Attributes & faDirectory))
    throw EKolvaneError(shown + u" is not a folder");
  if (paths.HostPath(u"C:\\Windows").empty() && paths.HostPath(u"C:\\Users").empty() &&
      paths.HostPath(u"C:\\Documents and Settings").empty()) {
    throw EKolvaneError(shown +
                        u" does not hold a Windows system drive: it has no Windows, Users or "
                        u"Documents and Settings folder");
  }
  return paths;
}

class TMounted final : public TOfflineWindowsPlatform {
 public:
  // Without a user the tree only lists its profiles (Users); it serves nothing else.
  TMounted(std::string root, std::optional<std::u16string_view> user)
      : FPaths(CheckedTree(std::move(root))),
        FRegistry(FPaths),
        FFacts(ReadOfflineVersion(FRegistry, FPaths)),
        FProfiles(FindOfflineProfiles(FRegistry, FPaths, FFacts.SystemRoot)) {
    if (!user) return;
    FUser = ChooseOfflineProfile(FProfiles, *user, FPaths.Root());
    std::map<std::u16string, std::u16string> folderBySid;
    for (const TOfflineProfile& p : FProfiles) {
      if (!p.Sid.empty()) folderBySid[p.Sid] = p.Folder;
    }
    FRegistry.SetProfileFolders(std::move(folderBySid));
    FRegistry.SetCurrentUser(FUser.Sid.empty() ? FRegistry.ProfileHive(FUser.Folder)
                                               : FRegistry.UserHive(FUser.Sid));
    FSession = BuildOfflineSession(FUser, FFacts, FRegistry.HasSoftware(), FRegistry.CurrentUser());
  }

  // --- TOfflineWindowsPlatform ---
  TStringList Users() const override {
    TStringList out;
    for (const TOfflineProfile& p : FProfiles) out.push_back(p.Name);
    return out;
  }
  std::u16string User() const override { return FUser.Name; }
  std::u16string UserSid() const override { return FUser.Sid; }
  std::u16string ProfileFolder() const override { return FUser.Folder; }
  TStringList Diagnostics() const override { return FRegistry.Diagnostics(); }
  std::string HostPath(std::u16string_view path) override { return FPaths.HostPath(path); }

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

  // --- IPlatform: registry and environment ---
  std::unique_ptr<IRegistryKey> OpenKey(TRegistryRoot root, std::u16string_view path) override {
    return FRegistry.OpenKey(root, path);
  }
  TStringList Environment() override { return FSession.Environment; }

  // --- IPlatform: machine ---
  std::u16string ComputerName() override { return FFacts.ComputerName; }
  TOSVersionRecord OSVersion() override { return FFacts.Version; }
  uint32_t ProcessorArchitecture() override { return FFacts.Architecture; }
  bool Is64BitHost() override { return false; }
  std::optional<uint32_t> ProductInfo(uint32_t, uint32_t, uint32_t, uint32_t) override {
    return ProductTypeFromEditionId(FFacts.EditionId);
  }
  uint32_t SystemKinds() override { return FFacts.SystemKinds; }
  std::optional<std::pair<std::u16string, std::u16string>> OwnOSName() override {
    if (FFacts.ProductName.empty()) return std::nullopt;
    return std::make_pair(FFacts.ProductName, FFacts.EditionId);
  }
  uint32_t VirtualMachines() override { return 0; }
  TStringList IPv4Addresses() override { return {}; }
  std::u16string WorkgroupName(std::u16string_view) override { return {}; }

  // --- IPlatform: accounts ---
  std::u16string AccountName() override { return FUser.Name; }
  std::u16string AccountSid(std::u16string_view system, std::u16string_view account) override {
    const std::u16string& computer = FFacts.ComputerName;
    if (!system.empty() && !SameTextFold(ExcludeLeadingBackslashes(system), computer)) return {};
    std::u16string_view name = account;
    size_t at = account.find(u'@');
    if (at != std::u16string_view::npos) {
      if (!SameTextFold(account.substr(at + 1), computer)) return {};
      name = account.substr(0, at);
    }
    for (const TOfflineProfile& p : FProfiles) {
      if (SameTextFold(p.Name, name)) return p.Sid;
    }
    return {};
  }
  bool TokenHoldsAdministrators() override { return false; }
  std::u16string SpecialFolder(int id) override {
    auto it = FSession.SpecialFolders.find(id);
    return it == FSession.SpecialFolders.end() ? std::u16string() : it->second;
  }
  bool IsRemoteSession() override { return false; }
  int32_t ProcessSessionId() override { return 1; }
  int32_t ConsoleSessionId() override { return 1; }
  std::optional<TAccountName> SessionUser(int32_t) override {
    return TAccountName{FUser.Name, FFacts.ComputerName};
  }
  std::optional<TProcessAccount> ProcessAccount(std::u16string_view, int32_t) override {
    return TProcessAccount{FUser.Sid, FUser.Name, FFacts.ComputerName};
  }
  std::u16string ProgramFile() override { return {}; }
  std::optional<TFileVersionFacts> FileVersion(std::u16string_view) override {
    return std::nullopt;
  }

 private:
  TOfflinePaths FPaths;
  TOfflineRegistry FRegistry;  // reads through FPaths
  TOfflineVersion FFacts;
  std::vector<TOfflineProfile> FProfiles;
  TOfflineProfile FUser;
  TOfflineSession FSession;
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

// An in-memory platform for tests: a tree of files (with contents) and folders, registry keys and
// values, environment entries and plain fields for every other fact. Windows-style by default:
// paths such as "C:\Users\anna\AppData\Roaming\Thunderbird\profiles.ini" work as written, split
// on "\" (and "/"), components compared without regard to case. Entries list in the order they
// were added.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "system/platform.h"

namespace kv {

struct TFakeFacts {
  std::u16string ComputerName = u"FAKEPC";
  TOSVersionRecord OSVersion{6, 1, 7601, kPlatformWin32NT, u"Service Pack 1", 1, 0, 0x100, 1};
  uint32_t Architecture = kArchitectureX64;
  bool Is64BitHost = false;
  std::optional<uint32_t> ProductType = 48;  // answer of the product-information query
  uint32_t SystemKinds = 0;
  std::optional<std::pair<std::u16string, std::u16string>> OwnOSName;
  uint32_t VirtualMachines = 0;
  TStringList IPv4;
  std::u16string Workgroup;  // answer for every server
  std::u16string AccountName = u"anna";
  std::vector<std::pair<std::u16string, std::u16string>> Sids;  // account -> SID text
  bool Administrator = false;
  std::map<int, std::u16string> SpecialFolders;
  bool RemoteSession = false;
  int32_t ProcessSession = 1;
  int32_t ConsoleSession = 1;
  bool HasTerminalServices = false;
  std::map<int32_t, TAccountName> SessionUsers;         // -1 is the current session
  std::map<int32_t, TProcessAccount> ExplorerAccounts;  // by session
  std::u16string ProgramFile = u"C:\\Program Files\\Kolvane\\kolvane.exe";
  std::vector<std::pair<std::u16string, TFileVersionFacts>> FileVersions;
};

class TFakePlatform final : public IPlatform {
 public:
  explicit TFakePlatform(char16_t separator = u'\\');
  ~TFakePlatform() override;

  TFakeFacts Facts;

  // Parent folders are created as needed. Adding an existing path replaces its contents.
  void AddFile(std::u16string_view path, std::string contents = {},
               uint32_t attributes = faArchive);
  void AddFolder(std::u16string_view path, uint32_t attributes = faDirectory);
  // A folder entry that shows the folder at `target` (which may be its own ancestor).
  void AddFolderLink(std::u16string_view path, std::u16string_view target);
  bool Remove(std::u16string_view path);

  void AddKey(TRegistryRoot root, std::u16string_view key);
  void SetValue(TRegistryRoot root, std::u16string_view key, std::u16string_view name,
                TRegistryValue value);
  void SetText(TRegistryRoot root, std::u16string_view key, std::u16string_view name,
               std::u16string_view text) {
    SetValue(root, key, name, TRegistryValue::FromText(std::u16string(text)));
  }
  // A user of a Windows Vista or later machine: the profile folder C:\Users\<name> (created),
  // its SID and ProfileList entry; for the running user also the account name, the special
  // folders 0, 26 and 28 and the environment entries SystemDrive, USERPROFILE, APPDATA and
  // LOCALAPPDATA.
  void AddWindowsUser(std::u16string_view name, std::u16string_view sid, bool running = false);

  // Replaces the entry of that name in place, else appends it.
  void SetEnv(std::u16string_view name, std::u16string_view value);
  TStringList EnvironmentEntries;

  // IPlatform
  char16_t PathSeparator() const override { return FSeparator; }
  std::unique_ptr<IFolderListing> ListFolder(std::u16string_view folder) override;
  std::optional<TFileStatus> Status(std::u16string_view path) override;
  std::unique_ptr<IReadStream> OpenRead(std::u16string_view path) override;
  std::unique_ptr<IRegistryKey> OpenKey(TRegistryRoot root, std::u16string_view path) override;
  TStringList Environment() override { return EnvironmentEntries; }
  std::u16string ComputerName() override { return Facts.ComputerName; }
  TOSVersionRecord OSVersion() override { return Facts.OSVersion; }
  uint32_t ProcessorArchitecture() override { return Facts.Architecture; }
  bool Is64BitHost() override { return Facts.Is64BitHost; }
  std::optional<uint32_t> ProductInfo(uint32_t, uint32_t, uint32_t, uint32_t) override {
    return Facts.ProductType;
  }
  uint32_t SystemKinds() override { return Facts.SystemKinds; }
  std::optional<std::pair<std::u16string, std::u16string>> OwnOSName() override {
    return Facts.OwnOSName;
  }
  uint32_t VirtualMachines() override { return Facts.VirtualMachines; }
  TStringList IPv4Addresses() override { return Facts.IPv4; }
  std::u16string WorkgroupName(std::u16string_view) override { return Facts.Workgroup; }
  std::u16string AccountName() override { return Facts.AccountName; }
  std::u16string AccountSid(std::u16string_view system, std::u16string_view account) override;
  bool TokenHoldsAdministrators() override { return Facts.Administrator; }
  std::u16string SpecialFolder(int id) override;
  bool IsRemoteSession() override { return Facts.RemoteSession; }
  int32_t ProcessSessionId() override { return Facts.ProcessSession; }
  int32_t ConsoleSessionId() override { return Facts.ConsoleSession; }
  std::optional<TAccountName> SessionUser(int32_t session) override;
  std::optional<TProcessAccount> ProcessAccount(std::u16string_view exeName,
                                                int32_t session) override;
  std::u16string ProgramFile() override { return Facts.ProgramFile; }
  std::optional<TFileVersionFacts> FileVersion(std::u16string_view path) override;

  struct TNode;
  struct TKeyNode;

 private:
  TNode* Find(std::u16string_view path, int depth = 0);
  TNode* Make(std::u16string_view path, bool folderLeaf);
  TKeyNode* FindKey(TRegistryRoot root, std::u16string_view key, bool create);

  char16_t FSeparator;
  std::unique_ptr<TNode> FRoot;
  std::unique_ptr<TKeyNode> FKeys[3];
  uint64_t FNextId = 1;
};

}  // namespace kv

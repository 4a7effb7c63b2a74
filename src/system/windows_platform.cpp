#include "system/windows_platform.h"

#include "system/os_name.h"
#include "system/registry.h"
#include "system/windows_accounts.h"
#include "system/windows_files.h"
#include "system/windows_machine.h"
#include "system/windows_registry.h"

namespace kv {
namespace {

constexpr const char16_t* kCurrentVersionKey = u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

class TWindowsPlatform final : public IPlatform {
 public:
  char16_t PathSeparator() const override { return u'\\'; }
  std::unique_ptr<IFolderListing> ListFolder(std::u16string_view folder) override {
    return ListWindowsFolder(folder);
  }
  std::optional<TFileStatus> Status(std::u16string_view path) override {
    return WindowsStatus(path);
  }
  std::unique_ptr<IReadStream> OpenRead(std::u16string_view path) override {
    return OpenWindowsFile(path);
  }

  std::unique_ptr<IRegistryKey> OpenKey(TRegistryRoot root, std::u16string_view path) override {
    return OpenWindowsKey(root, path);
  }
  TStringList Environment() override { return WindowsEnvironment(); }

  std::u16string ComputerName() override { return WindowsComputerName(); }
  TOSVersionRecord OSVersion() override { return WindowsVersionRecord(); }
  uint32_t ProcessorArchitecture() override { return WindowsProcessorArchitecture(); }
  bool Is64BitHost() override { return WindowsIs64BitHost(); }
  std::optional<uint32_t> ProductInfo(uint32_t major, uint32_t minor, uint32_t spMajor,
                                      uint32_t spMinor) override {
    return WindowsProductInfo(major, minor, spMajor, spMinor);
  }
  uint32_t SystemKinds() override { return WindowsSystemKinds(); }

  std::optional<std::pair<std::u16string, std::u16string>> OwnOSName() override {
    const TOSVersionRecord v = WindowsVersionRecord();
    std::u16string name = ProductNameOfBuild(
        ReadRegistryText(*this, TRegistryRoot::LocalMachine, kCurrentVersionKey, u"ProductName")
            .value_or(u""),
        v.MajorVersion, v.BuildNumber);
    if (name.empty()) return std::nullopt;
    std::u16string edition;
    if (auto type = WindowsProductInfo(v.MajorVersion, v.MinorVersion, v.ServicePackMajor,
                                       v.ServicePackMinor))
      edition = ProductTypeName(*type).value_or(u"");
    if (edition.empty())
      edition =
          ReadRegistryText(*this, TRegistryRoot::LocalMachine, kCurrentVersionKey, u"EditionID")
              .value_or(u"");
    return std::make_pair(std::move(name), std::move(edition));
  }

  // Virtual disks are found in the registry's device lists (GetSessionTypes).
  uint32_t VirtualMachines() override { return 0; }
  TStringList IPv4Addresses() override { return WindowsIPv4Addresses(); }
  std::u16string WorkgroupName(std::u16string_view server) override {
    return WindowsWorkgroup(server);
  }

  std::u16string AccountName() override { return WindowsAccountName(); }
  std::u16string AccountSid(std::u16string_view system, std::u16string_view account) override {
    return WindowsAccountSid(system, account);
  }
  bool TokenHoldsAdministrators() override { return WindowsTokenHoldsAdministrators(); }
  std::u16string SpecialFolder(int id) override { return WindowsSpecialFolder(id); }
  bool IsRemoteSession() override { return WindowsIsRemoteSession(); }
  int32_t ProcessSessionId() override { return WindowsProcessSessionId(); }
  int32_t ConsoleSessionId() override { return WindowsConsoleSessionId(); }
  std::optional<TAccountName> SessionUser(int32_t session) override {
    return WindowsSessionUser(session);
  }
  std::optional<TProcessAccount> ProcessAccount(std::u16string_view exeName,
                                                int32_t session) override {
    return WindowsProcessAccount(exeName, session);
  }

  std::u16string ProgramFile() override { return WindowsProgramFile(); }
  std::optional<TFileVersionFacts> FileVersion(std::u16string_view path) override {
    return WindowsFileVersion(path);
  }
};

}  // namespace

std::unique_ptr<IPlatform> MakeWindowsPlatform() { return std::make_unique<TWindowsPlatform>(); }

}  // namespace kv

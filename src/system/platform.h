// The platform interface: everything the machine and user facts, the file search and the
// collectors ask of the system they run on. Three implementations stand behind it: the live Linux
// machine (linux_platform.h), an offline Windows installation read from a folder
// (offline_windows_platform.h) and an in-memory fake for tests (fake_platform.h).
//
// Paths are UTF-16 in the platform's own form: "\" separates on a Windows-style platform (where
// "C:\Users\anna\AppData\..." from a registry value works as written), "/" on the live Linux
// machine. PathSeparator() tells which. Nothing here raises except OpenRead(); a fact that cannot
// be determined comes back empty, -1, false or nullopt.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/stream.h"
#include "base/text.h"

namespace kv {

// The standard attribute bits of a directory entry.
enum : uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
  faNormal = 0x80,
  faTemporary = 0x100,
};

// Every attribute: a search with this mask lists files and folders alike.
constexpr uint32_t faAnyFile = 0x1FF;

// The shell's special folders by number, as the system asks for them.
enum TSpecialFolder : int {
  sfDesktop = 0,
  sfPersonal = 5,       // the documents folder
  sfAppData = 26,       // the roaming application-data folder
  sfLocalAppData = 28,  // the local application-data folder
};

struct TDirEntry {
  std::u16string Name;
  uint32_t Attributes = 0;  // never 0: a file without other bits is faNormal
};

// Identifies a folder on its platform, so a walk can notice a link that leads back to an ancestor.
// Both 0: the platform cannot tell.
struct TFolderId {
  uint64_t Volume = 0;
  uint64_t Node = 0;
  bool Known() const { return Volume != 0 || Node != 0; }
  bool operator==(const TFolderId&) const = default;
};

// One pass over the entries of a folder, in the order the platform returns them, without "." and
// "..". The listing stays bound to the folder, so the size of an entry is fetched only when it
// is asked for (listing a large tree costs no per-entry status call).
class IFolderListing {
 public:
  virtual ~IFolderListing() = default;
  virtual TFolderId Id() const = 0;
  // Fills `entry` with the next entry; false at the end.
  virtual bool Next(TDirEntry& entry) = 0;
  // Size in bytes of the entry last returned by Next(): 0 for folders, 0 when it cannot be read.
  virtual int64_t Size() = 0;
};

struct TFileStatus {
  uint32_t Attributes = 0;
  int64_t Size = 0;  // 0 for folders
};

// Registry roots the program reads (read only).
enum class TRegistryRoot { LocalMachine, CurrentUser, Users };

enum class TRegistryValueType { Text, ExpandText, DWord, QWord };

struct TRegistryValue {
  TRegistryValueType Type = TRegistryValueType::Text;
  std::u16string Text;  // Text and ExpandText (ExpandText unexpanded)
  uint64_t Number = 0;  // DWord and QWord

  bool IsText() const {
    return Type == TRegistryValueType::Text || Type == TRegistryValueType::ExpandText;
  }
  static TRegistryValue FromText(std::u16string text, bool expand = false) {
    return {expand ? TRegistryValueType::ExpandText : TRegistryValueType::Text, std::move(text), 0};
  }
  static TRegistryValue FromDWord(uint32_t v) { return {TRegistryValueType::DWord, {}, v}; }
  static TRegistryValue FromQWord(uint64_t v) { return {TRegistryValueType::QWord, {}, v}; }
};

// An open registry key. Names of values and subkeys compare without regard to case.
class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  // nullopt when the value is absent, damaged or of a type other than the four above. The empty
  // name is the key's default value.
  virtual std::optional<TRegistryValue> Value(std::u16string_view name) = 0;
  virtual TStringList SubKeyNames() = 0;
  virtual TStringList ValueNames() = 0;
};

// The platform's extended OS version record.
struct TOSVersionRecord {
  uint32_t MajorVersion = 0;
  uint32_t MinorVersion = 0;
  uint32_t BuildNumber = 0;
  uint32_t PlatformId = 0;    // 2 NT family, 1 the older family; see linux_platform.h for Linux
  std::u16string CSDVersion;  // service-pack text, at most 128 characters
  uint16_t ServicePackMajor = 0;
  uint16_t ServicePackMinor = 0;
  uint16_t SuiteMask = 0;
  uint8_t ProductType = 0;  // 1 workstation, 2 domain controller, 3 server
};

enum : uint32_t { kPlatformWin32Windows = 1, kPlatformWin32NT = 2 };
enum : uint32_t {
  kArchitectureX86 = 0,
  kArchitectureArm = 5,
  kArchitectureIA64 = 6,
  kArchitectureX64 = 9,
  kArchitectureArm64 = 12,
};

// Kinds of Windows system the platform can report (the system metrics of the same names).
enum : uint32_t {
  skServerR2 = 0x1,
  skStarter = 0x2,
  skTabletPC = 0x4,
  skMediaCenter = 0x8,
};

// Virtual machines a platform can recognise without the registry (see GetSessionTypes).
enum : uint32_t { vmVMWare = 0x1, vmVirtualPC = 0x2, vmVirtualBox = 0x4, vmQEMU = 0x8 };

struct TAccountName {
  std::u16string User;
  std::u16string Domain;
};

// The account of a process's security token: its SID as text and, when it resolves, its name.
struct TProcessAccount {
  std::u16string Sid;
  std::u16string User;  // empty when the SID does not resolve to a name
  std::u16string Domain;
};

// The raw version facts of a program file: its fixed version numbers and string table.
struct TFileVersionFacts {
  uint32_t FileVersionMS = 0, FileVersionLS = 0;
  uint32_t ProductVersionMS = 0, ProductVersionLS = 0;
  uint32_t FileFlags = 0;  // 0x2 pre-release
  // Name/value pairs of the string table of the first translation ("FileDescription", ...).
  std::vector<std::pair<std::u16string, std::u16string>> Strings;
};

class IPlatform {
 public:
  virtual ~IPlatform() = default;

  // --- Paths and files ---
  virtual char16_t PathSeparator() const = 0;
  // nullptr when the folder does not exist or cannot be listed.
  virtual std::unique_ptr<IFolderListing> ListFolder(std::u16string_view folder) = 0;
  // Attributes and size of a file or folder (links followed); nullopt when it does not exist.
  virtual std::optional<TFileStatus> Status(std::u16string_view path) = 0;
  // Opens a file read-only, shared with writers. Throws EKolvaneError naming the file.
  virtual std::unique_ptr<IReadStream> OpenRead(std::u16string_view path) = 0;

  // --- Registry (read only) ---
  // nullptr when the key is absent. `path` may begin with "\".
  virtual std::unique_ptr<IRegistryKey> OpenKey(TRegistryRoot root, std::u16string_view path) = 0;

  // --- Environment: "NAME=VALUE" entries in environment order ---
  virtual TStringList Environment() = 0;

  // --- Machine ---
  virtual std::u16string ComputerName() = 0;
  virtual TOSVersionRecord OSVersion() = 0;
  virtual uint32_t ProcessorArchitecture() = 0;
  virtual bool Is64BitHost() = 0;  // a 32-bit process on a 64-bit system
  // The product-type number of the product-information query; nullopt when there is none.
  virtual std::optional<uint32_t> ProductInfo(uint32_t major, uint32_t minor, uint32_t spMajor,
                                              uint32_t spMinor) = 0;
  virtual uint32_t SystemKinds() = 0;  // sk* bits
  // Name and edition of a system outside the Windows families, or of a Windows version the
  // name tables do not know; nullopt when the platform has none.
  virtual std::optional<std::pair<std::u16string, std::u16string>> OwnOSName() = 0;
  virtual uint32_t VirtualMachines() = 0;   // vm* bits found without the registry
  virtual TStringList IPv4Addresses() = 0;  // dotted form
  // Domain or workgroup of a server (empty: this machine); empty when unknown.
  virtual std::u16string WorkgroupName(std::u16string_view server) = 0;

  // --- Accounts and sessions ---
  virtual std::u16string AccountName() = 0;  // the account the program runs under
  // SID text ("S-1-...") of an account on a system (empty: this machine); empty when unknown.
  virtual std::u16string AccountSid(std::u16string_view system, std::u16string_view account) = 0;
  // Whether the program's security token holds the Administrators group.
  virtual bool TokenHoldsAdministrators() = 0;
  // The running user's shell folder `id`, without trailing separator; empty when none.
  virtual std::u16string SpecialFolder(int id) = 0;
  virtual bool IsRemoteSession() = 0;
  virtual int32_t ProcessSessionId() = 0;  // -1 when unknown
  virtual int32_t ConsoleSessionId() = 0;  // -1 when unknown
  // The terminal-services answer for a session (-1: the current one); nullopt when the platform
  // has no such interface.
  virtual std::optional<TAccountName> SessionUser(int32_t session) = 0;
  // Account of the first process running `exeName` (case ignored) in `session`.
  virtual std::optional<TProcessAccount> ProcessAccount(std::u16string_view exeName,
                                                        int32_t session) = 0;

  // --- Program files ---
  virtual std::u16string ProgramFile() = 0;  // the running program's own file
  virtual std::optional<TFileVersionFacts> FileVersion(std::u16string_view path) = 0;
};

}  // namespace kv

// The registry of an offline tree, read from its hives: HKLM\SOFTWARE and HKLM\SYSTEM from
// Windows\System32\config (CurrentControlSet resolved through Select\Current), HKCU and
// HKU\<SID> from the users' NTUSER.DAT. A missing hive leaves its keys absent; a damaged one too,
// with a line in Diagnostics().
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "system/hive.h"
#include "system/platform.h"

namespace kv {

class TOfflinePaths;

class TOfflineRegistry {
 public:
  // Opens SOFTWARE and SYSTEM of the tree.
  explicit TOfflineRegistry(TOfflinePaths& paths);
  TOfflineRegistry(const TOfflineRegistry&) = delete;
  TOfflineRegistry& operator=(const TOfflineRegistry&) = delete;

  bool HasSoftware() const { return FSoftware != nullptr; }
  const THive* Software() const { return FSoftware.get(); }
  // A value of HKLM\SOFTWARE\<key>, or of HKLM\SYSTEM\CurrentControlSet\<key>.
  std::optional<TRegistryValue> SoftwareValue(std::u16string_view key,
                                              std::u16string_view name) const;
  std::optional<TRegistryValue> SystemValue(std::u16string_view key,
                                            std::u16string_view name) const;
  // The same as trimmed text; empty when absent or not text.
  std::u16string SoftwareText(std::u16string_view key, std::u16string_view name) const;
  std::u16string SystemText(std::u16string_view key, std::u16string_view name) const;
  TStringList SystemMultiText(std::u16string_view key, std::u16string_view name) const;

  // The users' hives: each profile's NTUSER.DAT by SID, opened when first asked for, and the
  // chosen user's as HKCU.
  void SetProfileFolders(std::map<std::u16string, std::u16string> folderBySid);
  std::shared_ptr<THive> UserHive(const std::u16string& sid);
  std::shared_ptr<THive> ProfileHive(const std::u16string& profileFolder);
  void SetCurrentUser(std::shared_ptr<THive> hive) { FCurrentUser = std::move(hive); }
  const THive* CurrentUser() const { return FCurrentUser.get(); }

  std::unique_ptr<IRegistryKey> OpenKey(TRegistryRoot root, std::u16string_view path);
  const TStringList& Diagnostics() const { return FDiagnostics; }

 private:
  std::shared_ptr<THive> OpenHive(const std::u16string& path);

  TOfflinePaths& FPaths;
  std::shared_ptr<THive> FSoftware, FSystem, FCurrentUser;
  std::u16string FControlSet;  // "ControlSet001"; empty without a SYSTEM hive that names one
  std::map<std::u16string, std::u16string> FFolderBySid;        // folded SID -> profile folder
  std::map<std::u16string, std::shared_ptr<THive>> FUserHives;  // folded SID -> hive or null
  TStringList FDiagnostics;
};

}  // namespace kv

#include "system/offline_registry.h"

#include <algorithm>

#include "base/text.h"
#include "system/case_fold.h"
#include "system/offline_paths.h"

namespace kv {

TOfflineRegistry::TOfflineRegistry(TOfflinePaths& paths) : FPaths(paths) {
  FSoftware = OpenHive(u"C:\\Windows\\System32\\config\\SOFTWARE");
  FSystem = OpenHive(u"C:\\Windows\\System32\\config\\SYSTEM");
  if (FSystem) {
    std::optional<TRegistryValue> current = FSystem->Value(FSystem->Find(u"Select"), u"Current");
    if (current && !current->IsText() && current->Number > 0 && current->Number < 1000) {
      std::u16string n = UIntToStr(current->Number);
      FControlSet = u"ControlSet" + std::u16string(3 - std::min<size_t>(3, n.size()), u'0') + n;
    }
  }
}

std::shared_ptr<THive> TOfflineRegistry::OpenHive(const std::u16string& path) {
  std::string host = FPaths.HostPath(path);
  if (host.empty()) return nullptr;
  std::u16string error;
  std::shared_ptr<THive> hive = THive::Open(host, error);
  if (!hive) {
    FDiagnostics.push_back(u"The registry hive \"" + path + u"\" cannot be read: " + error);
  }
  return hive;
}

std::optional<TRegistryValue> TOfflineRegistry::SoftwareValue(std::u16string_view key,
                                                              std::u16string_view name) const {
  return FSoftware ? FSoftware->Value(FSoftware->Find(key), name) : std::nullopt;
}

std::optional<TRegistryValue> TOfflineRegistry::SystemValue(std::u16string_view key,
                                                            std::u16string_view name) const {
  if (!FSystem || FControlSet.empty()) return std::nullopt;
  return FSystem->Value(FSystem->Find(FControlSet + u"\\" + std::u16string(key)), name);
}

std::u16string TOfflineRegistry::SoftwareText(std::u16string_view key,
                                              std::u16string_view name) const {
  auto v = SoftwareValue(key, name);
  return v && v->IsText() ? Trim(v->Text) : std::u16string();
}

std::u16string TOfflineRegistry::SystemText(std::u16string_view key,
                                            std::u16string_view name) const {
  auto v = SystemValue(key, name);
  return v && v->IsText() ? Trim(v->Text) : std::u16string();
}

TStringList TOfflineRegistry::SystemMultiText(std::u16string_view key,
                                              std::u16string_view name) const {
  if (!FSystem || FControlSet.empty()) return {};
  return FSystem->MultiText(FSystem->Find(FControlSet + u"\\" + std::u16string(key)), name);
}

void TOfflineRegistry::SetProfileFolders(std::map<std::u16string, std::u16string> folderBySid) {
  FFolderBySid.clear();
  for (auto& [sid, folder] : folderBySid) FFolderBySid[FoldCase(sid)] = std::move(folder);
  FUserHives.clear();
}

std::shared_ptr<THive> TOfflineRegistry::ProfileHive(const std::u16string& profileFolder) {
  if (FPaths.HostPath(profileFolder + u"\\NTUSER.DAT").empty()) return nullptr;
  return OpenHive(profileFolder + u"\\NTUSER.DAT");
}

std::shared_ptr<THive> TOfflineRegistry::UserHive(const std::u16string& sid) {
  if (sid.empty()) return nullptr;
  std::u16string key = FoldCase(sid);
  auto it = FUserHives.find(key);
  if (it != FUserHives.end()) return it->second;
  auto folder = FFolderBySid.find(key);
  std::shared_ptr<THive> hive =
      folder == FFolderBySid.end() ? nullptr : ProfileHive(folder->second);
  FUserHives.emplace(key, hive);
  return hive;
}

std::unique_ptr<IRegistryKey> TOfflineRegistry::OpenKey(TRegistryRoot root,
                                                        std::u16string_view path) {
  TStringList parts;
  for (std::u16string& p : Split(path, u'\\')) {
    if (!p.empty()) parts.push_back(std::move(p));
  }
  std::shared_ptr<THive> hive;
  size_t first = 0;
  if (root == TRegistryRoot::LocalMachine) {
    if (parts.empty()) return nullptr;
    if (SameTextFold(parts[0], u"SOFTWARE"))
      hive = FSoftware;
    else if (SameTextFold(parts[0], u"SYSTEM"))
      hive = FSystem;
    first = 1;
    if (hive == FSystem && parts.size() > 1 && SameTextFold(parts[1], u"CurrentControlSet")) {
      if (FControlSet.empty()) return nullptr;
      parts[1] = FControlSet;
    }
  } else if (root == TRegistryRoot::CurrentUser) {
    hive = FCurrentUser;
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

}  // namespace kv

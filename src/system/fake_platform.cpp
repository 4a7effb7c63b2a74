#include "system/fake_platform.h"

#include "base/error.h"
#include "system/case_fold.h"

namespace kv {

struct TFakePlatform::TNode {
  std::u16string Name;
  bool Folder = false;
  uint32_t Attributes = 0;
  std::string Contents;
  std::u16string LinkTarget;  // non-empty: a folder link
  uint64_t Id = 0;
  std::vector<std::unique_ptr<TNode>> Children;

  TNode* Child(std::u16string_view name) {
    for (auto& c : Children) {
      if (SameTextFold(c->Name, name)) return c.get();
    }
    return nullptr;
  }
};

struct TFakePlatform::TKeyNode {
  std::u16string Name;
  std::vector<std::pair<std::u16string, TRegistryValue>> Values;
  std::vector<std::unique_ptr<TKeyNode>> SubKeys;

  TKeyNode* Child(std::u16string_view name) {
    for (auto& c : SubKeys) {
      if (SameTextFold(c->Name, name)) return c.get();
    }
    return nullptr;
  }
};

namespace {

std::vector<std::u16string_view> Components(std::u16string_view path) {
  std::vector<std::u16string_view> out;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == u'\\' || path[i] == u'/') {
      if (i > start) out.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

class TFakeListing final : public IFolderListing {
 public:
  TFakeListing(TFolderId id, std::vector<std::pair<TDirEntry, int64_t>> entries)
      : FId(id), FEntries(std::move(entries)) {}
  TFolderId Id() const override { return FId; }
  bool Next(TDirEntry& entry) override {
    if (FPos >= FEntries.size()) return false;
    entry = FEntries[FPos++].first;
    return true;
  }
  int64_t Size() override { return FPos == 0 ? 0 : FEntries[FPos - 1].second; }

 private:
  TFolderId FId;
  std::vector<std::pair<TDirEntry, int64_t>> FEntries;
  size_t FPos = 0;
};

class TFakeKey final : public IRegistryKey {
 public:
  explicit TFakeKey(TFakePlatform::TKeyNode* node) : FNode(node) {}
  std::optional<TRegistryValue> Value(std::u16string_view name) override;
  TStringList SubKeyNames() override;
  TStringList ValueNames() override;

 private:
  TFakePlatform::TKeyNode* FNode;
};

}  // namespace

std::optional<TRegistryValue> TFakeKey::Value(std::u16string_view name) {
  for (auto& [n, v] : FNode->Values) {
    if (SameTextFold(n, name)) return v;
  }
  return std::nullopt;
}

TStringList TFakeKey::SubKeyNames() {
  TStringList out;
  for (auto& k : FNode->SubKeys) out.push_back(k->Name);
  return out;
}

TStringList TFakeKey::ValueNames() {
  TStringList out;
  for (auto& [n, v] : FNode->Values) out.push_back(n);
  return out;
}

TFakePlatform::TFakePlatform(char16_t separator) : FSeparator(separator) {
  FRoot = std::make_unique<TNode>();
  FRoot->Folder = true;
  FRoot->Attributes = faDirectory;
  FRoot->Id = FNextId++;
  for (auto& k : FKeys) k = std::make_unique<TKeyNode>();
}

TFakePlatform::~TFakePlatform() = default;

TFakePlatform::TNode* TFakePlatform::Find(std::u16string_view path, int depth) {
  if (depth > 32) return nullptr;  // links that lead to links that lead ...
  TNode* node = FRoot.get();
  for (std::u16string_view c : Components(path)) {
    if (!node->LinkTarget.empty()) node = Find(node->LinkTarget, depth + 1);
    if (!node || !node->Folder) return nullptr;
    node = node->Child(c);
    if (!node) return nullptr;
  }
  if (!node->LinkTarget.empty()) return Find(node->LinkTarget, depth + 1);
  return node;
}

TFakePlatform::TNode* TFakePlatform::Make(std::u16string_view path, bool folderLeaf) {
  TNode* node = FRoot.get();
  std::vector<std::u16string_view> parts = Components(path);
  for (size_t i = 0; i < parts.size(); ++i) {
    bool leaf = i + 1 == parts.size();
    TNode* child = node->Child(parts[i]);
    if (!child) {
      auto made = std::make_unique<TNode>();
      made->Name = std::u16string(parts[i]);
      made->Folder = !leaf || folderLeaf;
      made->Attributes = made->Folder ? faDirectory : faArchive;
      made->Id = FNextId++;
      child = made.get();
      node->Children.push_back(std::move(made));
    } else if (!leaf && !child->Folder) {
      throw EKolvaneError(u"fake platform: a file stands where a folder is wanted: " +
                          std::u16string(path));
    }
    node = child;
  }
  return node;
}

void TFakePlatform::AddFile(std::u16string_view path, std::string contents, uint32_t attributes) {
  TNode* node = Make(path, false);
  node->Contents = std::move(contents);
  node->Attributes = attributes ? attributes & ~faDirectory : faNormal;
  if (node->Attributes == 0) node->Attributes = faNormal;
}

void TFakePlatform::AddFolder(std::u16string_view path, uint32_t attributes) {
  TNode* node = Make(path, true);
  node->Attributes = attributes | faDirectory;
}

void TFakePlatform::AddFolderLink(std::u16string_view path, std::u16string_view target) {
  TNode* node = Make(path, true);
  node->LinkTarget = std::u16string(target);
}

bool TFakePlatform::Remove(std::u16string_view path) {
  std::vector<std::u16string_view> parts = Components(path);
  if (parts.empty()) return false;
  TNode* node = FRoot.get();
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    node = node->Child(parts[i]);
    if (!node) return false;
  }
  for (auto it = node->Children.begin(); it != node->Children.end(); ++it) {
    if (SameTextFold((*it)->Name, parts.back())) {
      node->Children.erase(it);
      return true;
    }
  }
  return false;
}

std::unique_ptr<IFolderListing> TFakePlatform::ListFolder(std::u16string_view folder) {
  TNode* node = Find(folder);
  if (!node || !node->Folder) return nullptr;
  std::vector<std::pair<TDirEntry, int64_t>> entries;
  for (auto& c : node->Children) {
    TNode* shown = c->LinkTarget.empty() ? c.get() : Find(c->LinkTarget);
    uint32_t attr = shown ? shown->Attributes : faDirectory;
    if (!c->LinkTarget.empty()) attr |= faDirectory;
    int64_t size = (shown && !shown->Folder) ? int64_t(shown->Contents.size()) : 0;
    entries.push_back({TDirEntry{c->Name, attr}, size});
  }
  return std::make_unique<TFakeListing>(TFolderId{1, node->Id}, std::move(entries));
}

std::optional<TFileStatus> TFakePlatform::Status(std::u16string_view path) {
  TNode* node = Find(path);
  if (!node) return std::nullopt;
  return TFileStatus{node->Attributes, node->Folder ? 0 : int64_t(node->Contents.size())};
}

std::unique_ptr<IReadStream> TFakePlatform::OpenRead(std::u16string_view path) {
  TNode* node = Find(path);
  if (!node)
    throw EKolvaneError(u"Cannot open file \"" + std::u16string(path) + u"\": no such file");
  if (node->Folder)
    throw EKolvaneError(u"Cannot open file \"" + std::u16string(path) + u"\": is a folder");
  return std::make_unique<TMemoryReadStream>(node->Contents);
}

TFakePlatform::TKeyNode* TFakePlatform::FindKey(TRegistryRoot root, std::u16string_view key,
                                                bool create) {
  TKeyNode* node = FKeys[static_cast<int>(root)].get();
  for (std::u16string_view c : Components(key)) {
    TKeyNode* child = node->Child(c);
    if (!child) {
      if (!create) return nullptr;
      auto made = std::make_unique<TKeyNode>();
      made->Name = std::u16string(c);
      child = made.get();
      node->SubKeys.push_back(std::move(made));
    }
    node = child;
  }
  return node;
}

void TFakePlatform::AddKey(TRegistryRoot root, std::u16string_view key) {
  FindKey(root, key, true);
}

void TFakePlatform::SetValue(TRegistryRoot root, std::u16string_view key, std::u16string_view name,
                             TRegistryValue value) {
  TKeyNode* node = FindKey(root, key, true);
  for (auto& [n, v] : node->Values) {
    if (SameTextFold(n, name)) {
      v = std::move(value);
      return;
    }
  }
  node->Values.emplace_back(std::u16string(name), std::move(value));
}

std::unique_ptr<IRegistryKey> TFakePlatform::OpenKey(TRegistryRoot root, std::u16string_view path) {
  TKeyNode* node = FindKey(root, path, false);
  if (!node) return nullptr;
  return std::make_unique<TFakeKey>(node);
}

void TFakePlatform::AddWindowsUser(std::u16string_view name, std::u16string_view sid,
                                   bool running) {
  std::u16string profile = u"C:\\Users\\";
  profile += name;
  AddFolder(profile);
  Facts.Sids.emplace_back(std::u16string(name), std::u16string(sid));
  std::u16string key = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
  key += sid;
  SetValue(TRegistryRoot::LocalMachine, key, u"ProfileImagePath",
           TRegistryValue::FromText(u"%SystemDrive%\\Users\\" + std::u16string(name), true));
  if (!running) return;
  Facts.AccountName = std::u16string(name);
  Facts.SpecialFolders[0] = profile + u"\\Desktop";
  Facts.SpecialFolders[26] = profile + u"\\AppData\\Roaming";
  Facts.SpecialFolders[28] = profile + u"\\AppData\\Local";
  SetEnv(u"SystemDrive", u"C:");
  SetEnv(u"USERPROFILE", profile);
  SetEnv(u"APPDATA", Facts.SpecialFolders[26]);
  SetEnv(u"LOCALAPPDATA", Facts.SpecialFolders[28]);
}

void TFakePlatform::SetEnv(std::u16string_view name, std::u16string_view value) {
  std::u16string entry = std::u16string(name) + u"=" + std::u16string(value);
  for (auto& e : EnvironmentEntries) {
    size_t eq = e.find(u'=', 1);
    if (eq != std::u16string::npos && SameTextFold(std::u16string_view(e).substr(0, eq), name)) {
      e = entry;
      return;
    }
  }
  EnvironmentEntries.push_back(entry);
}

std::u16string TFakePlatform::AccountSid(std::u16string_view, std::u16string_view account) {
  for (auto& [name, sid] : Facts.Sids) {
    if (SameTextFold(name, account)) return sid;
  }
  return {};
}

std::u16string TFakePlatform::SpecialFolder(int id) {
  auto it = Facts.SpecialFolders.find(id);
  return it == Facts.SpecialFolders.end() ? std::u16string() : it->second;
}

std::optional<TAccountName> TFakePlatform::SessionUser(int32_t session) {
  if (!Facts.HasTerminalServices) return std::nullopt;
  auto it = Facts.SessionUsers.find(session);
  return it == Facts.SessionUsers.end() ? TAccountName{} : it->second;
}

std::optional<TProcessAccount> TFakePlatform::ProcessAccount(std::u16string_view exeName,
                                                             int32_t session) {
  if (!SameTextFold(exeName, u"explorer.exe")) return std::nullopt;
  auto it = Facts.ExplorerAccounts.find(session);
  if (it == Facts.ExplorerAccounts.end()) return std::nullopt;
  return it->second;
}

std::optional<TFileVersionFacts> TFakePlatform::FileVersion(std::u16string_view path) {
  for (auto& [p, facts] : Facts.FileVersions) {
    if (SameTextFold(p, path)) return facts;
  }
  return std::nullopt;
}

}  // namespace kv

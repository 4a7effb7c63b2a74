#include "storage/structured_storage.h"

#include "base/error.h"
#include "base/text.h"
#include "storage/cfb/property_set.h"
#include "storage/property_storage.h"
#include "storage/storage_property_set.h"
#include "storage/storage_stream.h"

namespace kv {
namespace {

using cfb::TEntryType;

struct TSplitPath {
  std::vector<std::u16string> Storages;
  std::u16string Name;
};

// "\a\b\c": storages a and b, own name c.
TSplitPath SplitPath(std::u16string_view path) {
  if (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
  TSplitPath split;
  TStringList parts = Split(path, u'\\');
  split.Name = parts.back();
  parts.pop_back();
  split.Storages = std::move(parts);
  return split;
}

TStatStg StatOf(const cfb::TDirEntry& e) {
  TStatStg stat;
  stat.Name = e.Name;
  stat.Type = e.Type == TEntryType::Stream ? STGTY_STREAM : STGTY_STORAGE;
  stat.Size = e.Type == TEntryType::Stream ? e.Size : 0;
  stat.ModificationTime = e.ModifiedTime;
  stat.CreationTime = e.CreationTime;
  stat.ClassId = e.ClassId;
  stat.StateBits = e.StateBits;
  return stat;
}

}  // namespace

struct TStructuredStorage::TPathWalk {
  std::unique_ptr<TStructuredStorage> Last;  // none: the walk stayed in this storage
  std::u16string Name;
  bool Created = false;
};

TStructuredStorage::TStructuredStorage(TStructuredStorage* parent, TStorageRef storage)
    : FStorage(std::move(storage)), FParent(parent), FAutoFree(parent != nullptr) {
  ++FLockCount;
  if (FParent) FParent->AddHolder();
  ReadElements();
  ReadPropertySets();
}

TStructuredStorage::~TStructuredStorage() {
  FElements.clear();
  FPropSets.clear();
  if (FParent) FParent->Close();
}

void TStructuredStorage::Close() {
  // Objects are freed by their owners here; Close only takes one holder away.
  if (FLockCount > 0) --FLockCount;
}

void TStructuredStorage::CheckMode(uint32_t mode) const {
  if (IsWriteMode(mode) && !FStorage.File->Writable()) {
    throw EStorageError(TStorageStatus::AccessDenied,
                        u"\"" + FStorage.File->Path() + u"\" is open for reading only");
  }
}

bool TStructuredStorage::ElementExists(std::u16string_view name) const {
  for (const auto& e : FElements) {
    if (SameTextAscii(e.Name, name)) return true;
  }
  return false;
}

TElement TStructuredStorage::FindElement(std::u16string_view name) const {
  for (const auto& e : FElements) {
    if (SameTextAscii(e.Name, name)) return e;
  }
  return TElement{};
}

TStructuredStorage::TPathWalk TStructuredStorage::Walk(std::u16string_view path, uint32_t mode,
                                                       bool canCreate) {
  TSplitPath split = SplitPath(path);
  TPathWalk walk;
  walk.Name = split.Name;
  TStructuredStorage* current = this;
  for (const auto& part : split.Storages) {
    current->CheckMode(mode);
    const auto& file = current->FStorage.File;
    uint32_t id;
    if (canCreate && !current->ElementExists(part)) {
      id = file->Create(current->FStorage.Id, part, TEntryType::Storage);
      walk.Created = true;
    } else {
      id = file->Find(current->FStorage.Id, part);
      if (id == cfb::kNoStream || !file->Entry(id).IsStorage()) {
        throw EStorageError(TStorageStatus::FileNotFound,
                            u"\"" + file->Path() + u"\": no storage named \"" + part + u"\"");
      }
    }
    auto child = std::make_unique<TStructuredStorage>(current, TStorageRef{file, id});
    child->FOwnedParent = std::move(walk.Last);  // the intermediate lives as long as its child
    walk.Last = std::move(child);
    current = walk.Last.get();
  }
  return walk;
}

std::unique_ptr<TStructuredStorage> TStructuredStorage::OpenSubStorage(std::u16string_view name,
                                                                       uint32_t mode,
                                                                       bool canCreate) {
  if (name.empty()) return nullptr;
  TSplitPath split = SplitPath(name);
  TPathWalk walk = Walk(name.substr(0, name.size() - split.Name.size()), mode, canCreate);
  TStructuredStorage* in = walk.Last ? walk.Last.get() : this;
  in->CheckMode(mode);
  const auto& file = in->FStorage.File;
  uint32_t id;
  if (canCreate && !in->ElementExists(split.Name)) {
    id = file->Create(in->FStorage.Id, split.Name, TEntryType::Storage);
    walk.Created = true;
  } else {
    id = file->Find(in->FStorage.Id, split.Name);
    if (id == cfb::kNoStream || !file->Entry(id).IsStorage()) {
      throw EStorageError(TStorageStatus::FileNotFound,
                          u"\"" + file->Path() + u"\": no storage named \"" + split.Name + u"\"");
    }
  }
  auto result = std::make_unique<TStructuredStorage>(in, TStorageRef{file, id});
  result->FOwnedParent = std::move(walk.Last);
  if (walk.Created) ReadElements();
  return result;
}

std::unique_ptr<TStorageStream> TStructuredStorage::OpenStream(std::u16string_view name,
                                                               uint32_t mode, bool canCreate) {
  if (name.empty()) return nullptr;
  TSplitPath split = SplitPath(name);
  if (split.Name.empty()) return nullptr;
  bool writable = IsWriteMode(mode);
  if (split.Storages.empty()) {
    const auto& file = FStorage.File;
    bool created = false;
    if (canCreate && !ElementExists(split.Name)) {
      CheckMode(mode);
      file->Create(FStorage.Id, split.Name, TEntryType::Stream);
      created = true;
    }
    if (created) ReadElements();
    if (writable && !file->Writable()) return nullptr;
    uint32_t id = file->Find(FStorage.Id, split.Name);
    if (id == cfb::kNoStream || file->Entry(id).Type != TEntryType::Stream) return nullptr;
    return std::make_unique<TStorageStream>(TStorageRef{file, id}, writable, this);
  }
  TPathWalk walk = Walk(name, mode, canCreate);
  TStructuredStorage* in = walk.Last.get();
  const auto& file = in->FStorage.File;
  uint32_t id = file->Find(in->FStorage.Id, split.Name);
  if (id == cfb::kNoStream) {
    if (!canCreate) {
      if (walk.Created) ReadElements();
      return nullptr;
    }
    in->CheckMode(mode);
    id = file->Create(in->FStorage.Id, split.Name, TEntryType::Stream);
    walk.Created = true;
    in->ReadElements();
  }
  if (file->Entry(id).Type != TEntryType::Stream) {
    throw EStorageError(TStorageStatus::FileNotFound,
                        u"\"" + file->Path() + u"\": \"" + split.Name + u"\" is not a stream");
  }
  CheckMode(mode);
  auto stream = std::make_unique<TStorageStream>(TStorageRef{file, id}, writable, in);
  stream->AdoptParent(std::move(walk.Last));
  if (walk.Created) ReadElements();
  return stream;
}

bool TStructuredStorage::DeleteElement(std::u16string_view name) {
  if (!ElementExists(name)) return false;
  bool done = false;
  try {
    uint32_t id = FStorage.File->Find(FStorage.Id, name);
    if (id != cfb::kNoStream) {
      // The engine removes the whole subtree and frees its sectors in one step. There is no
      // commit here: the removal belongs to the writer's transaction, which ends when the file
      // is closed or committed, so a rewrite that fails after it loses nothing.
      FStorage.File->Destroy(FStorage.Id, id);
      done = true;
    }
    ReadElements();
  } catch (const EStorageError&) {
    // A failed deletion ends quietly; the file is rolled back when it closes.
  }
  return done;
}

std::unique_ptr<TStoragePropertySet> TStructuredStorage::OpenPropertySet(const TGuid& formatId,
                                                                         uint32_t mode,
                                                                         bool canCreate,
                                                                         std::u16string_view name) {
  bool writable = IsWriteMode(mode);
  std::unique_ptr<TPropertyStorage> ps;
  if (!writable || FStorage.File->Writable()) {
    ps = TPropertyStorage::Open(FStorage.File, FStorage.Id, formatId, writable);
  }
  if (!ps && canCreate) return CreatePropertySet(name, formatId, TGuid{}, 0, mode | STGM_CREATE);
  std::unique_ptr<TStoragePropertySet> set;
  if (ps) set = std::make_unique<TStoragePropertySet>(std::move(ps), this);
  ReadElements();
  return set;
}

std::unique_ptr<TStoragePropertySet> TStructuredStorage::CreatePropertySet(
    std::u16string_view /*name*/, const TGuid& formatId, const TGuid& classId, uint32_t /*flags*/,
    uint32_t mode) {
  CheckMode(mode | STGM_CREATE);
  auto ps = TPropertyStorage::Create(FStorage.File, FStorage.Id, formatId, classId);
  auto set = std::make_unique<TStoragePropertySet>(std::move(ps), this);
  ReadElements();
  ReadPropertySets();
  return set;
}

void TStructuredStorage::Commit() {
  if (FStorage.File->Writable()) FStorage.File->Commit();
}

void TStructuredStorage::ReadElements() {
  FElements.clear();
  for (uint32_t id : FStorage.File->Children(FStorage.Id)) {
    const cfb::TDirEntry& e = FStorage.File->Entry(id);
    FElements.push_back({e.Name, StatOf(e)});
  }
}

void TStructuredStorage::ReadPropertySets() {
  FPropSets.clear();
  const auto& file = FStorage.File;
  for (uint32_t id : file->Children(FStorage.Id)) {
    const cfb::TDirEntry& e = file->Entry(id);
    if (e.Type != TEntryType::Stream || e.Name.empty() || e.Name[0] != u'\x05') continue;
    try {
      cfb::TPropertySet set = cfb::ParsePropertySet(file->ReadWholeStream(id), file->Path());
      if (cfb::PropertySetStreamName(set.Sections.front().FormatId) != e.Name) continue;
      TPropertyStorage ps(file, id, false, set);
      FPropSets.push_back({ps.NameOf(cfb::kPidDictionary), ps.Stat()});
    } catch (const EStorageError&) {
      // A set that cannot be read is left out of the list.
    }
  }
}

}  // namespace kv

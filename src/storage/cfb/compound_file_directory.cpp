// The directory of a compound file: its entries, the tree of each storage, and the creation and
// removal of elements.
#include "storage/cfb/compound_file.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "storage/cfb/byte_order.h"

namespace kv::cfb {

const TDirEntry& TCompoundFile::Entry(uint32_t id) const {
  CheckUsable();
  if (id >= FEntries.size())
    throw EStorageError(TStorageStatus::InvalidParameter, u"no such element");
  return FEntries[id];
}

const std::vector<uint32_t>& TCompoundFile::Children(uint32_t storage) const {
  if (!Entry(storage).IsStorage()) {
    throw EStorageError(TStorageStatus::InvalidParameter, What(storage) + u" is not a storage");
  }
  return FChildren[storage];
}

uint32_t TCompoundFile::Find(uint32_t storage, std::u16string_view name) const {
  for (uint32_t id : Children(storage)) {
    if (SameName(FEntries[id].Name, name)) return id;
  }
  return kNoStream;
}

uint32_t TCompoundFile::NewEntry() {
  if (FFreeEntries.empty()) {
    uint32_t s = AllocateSector();
    FFat.Set(s, kEndOfChain);
    FFat.Set(FDirSectors.back(), s);
    FDirSectors.push_back(s);
    uint32_t first = uint32_t(FEntries.size());
    FEntries.resize(first + FSectorSize / kDirEntrySize);
    FChildren.resize(FEntries.size());
    for (uint32_t i = uint32_t(FEntries.size()); i-- > first;) {
      FFreeEntries.push_back(i);
      MarkEntry(i);
    }
  }
  uint32_t id = FFreeEntries.back();
  FFreeEntries.pop_back();
  return id;
}

void TCompoundFile::Relink(uint32_t storage) {
  // Only entries whose links change need writing.
  struct TLinks {
    uint32_t Left, Right;
    uint8_t Color;
  };
  std::vector<TLinks> before;
  before.reserve(FChildren[storage].size());
  for (uint32_t id : FChildren[storage])
    before.push_back({FEntries[id].Left, FEntries[id].Right, FEntries[id].Color});
  std::vector<uint32_t> order = FChildren[storage];
  FEntries[storage].Child = LinkTree(FEntries, FChildren[storage]);
  MarkEntry(storage);
  for (size_t i = 0; i < order.size(); ++i) {
    const TDirEntry& e = FEntries[order[i]];
    if (e.Left != before[i].Left || e.Right != before[i].Right || e.Color != before[i].Color)
      MarkEntry(order[i]);
  }
}

uint32_t TCompoundFile::Create(uint32_t storage, std::u16string_view name, TEntryType type) {
  CheckWritable();
  CheckElementName(name);
  if (Find(storage, name) != kNoStream) {
    throw EStorageError(
        TStorageStatus::FileAlreadyExists,
        What(storage) + u": an element named \"" + std::u16string(name) + u"\" exists");
  }
  return Mutate([&] {
    uint32_t id = NewEntry();
    TDirEntry& e = FEntries[id];
    e = TDirEntry{};
    e.Name = std::u16string(name);
    e.Type = type;
    MarkEntry(id);
    FChildren[id].clear();
    FChildren[storage].push_back(id);
    Relink(storage);
    return id;
  });
}

void TCompoundFile::DestroySubtree(uint32_t id) {
  if (FEntries[id].IsStorage()) {
    for (uint32_t child : FChildren[id]) DestroySubtree(child);
    FChildren[id].clear();
  } else {
    FreeChain(id);
  }
  FEntries[id] = TDirEntry{};
  FChains.erase(id);
  MarkEntry(id);
  FFreeEntries.push_back(id);
}

void TCompoundFile::Destroy(uint32_t storage, uint32_t id) {
  CheckWritable();
  auto& siblings = FChildren.at(storage);
  auto it = std::find(siblings.begin(), siblings.end(), id);
  if (it == siblings.end())
    throw EStorageError(TStorageStatus::FileNotFound, What(storage) + u": no such element");
  Mutate([&] {
    siblings.erase(it);
    DestroySubtree(id);
    Relink(storage);
  });
}

// ---- sectors -------------------------------------------------------------------------------

}  // namespace kv::cfb

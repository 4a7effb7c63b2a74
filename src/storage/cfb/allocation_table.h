// An allocation table held in memory: the FAT of a compound file or its mini FAT. Each entry
// gives the next sector of a chain; chains are walked with checks, so a damaged file (a chain
// that loops or points past the end) gives an error instead of a hang or a wild read.
#pragma once

#include <cstdint>
#include <set>
#include <string_view>
#include <vector>

namespace kv::cfb {

class TAllocationTable {
 public:
  TAllocationTable() = default;
  TAllocationTable(std::vector<uint32_t> entries, uint32_t entriesPerPage);

  size_t Size() const { return FEntries.size(); }
  uint32_t Get(uint32_t index) const { return FEntries[index]; }
  void Set(uint32_t index, uint32_t value);
  // Appends `count` free entries.
  void Grow(size_t count);

  // The sectors of the chain starting at `start`, each below `limit`. Throws EStorageError
  // (DocFileCorrupt) naming `what` when the chain loops, leaves the table or reaches `limit`.
  std::vector<uint32_t> Chain(uint32_t start, uint64_t limit, std::u16string_view what) const;

  // The lowest free entry, or kFreeSect when none is left.
  uint32_t FindFree();
  void Free(uint32_t index);

  // Pages (groups of entriesPerPage entries, one sector each) changed since the last call.
  std::set<uint32_t> TakeDirtyPages();
  const uint32_t* Data() const { return FEntries.data(); }
  uint32_t EntriesPerPage() const { return FPerPage; }

 private:
  std::vector<uint32_t> FEntries;
  uint32_t FPerPage = 128;
  size_t FHint = 0;  // no free entry below this one
  std::set<uint32_t> FDirtyPages;
};

}  // namespace kv::cfb

#include "storage/cfb/allocation_table.h"

#include "base/error.h"
#include "storage/cfb/cfb_format.h"

namespace kv::cfb {

TAllocationTable::TAllocationTable(std::vector<uint32_t> entries, uint32_t entriesPerPage)
    : FEntries(std::move(entries)), FPerPage(entriesPerPage) {}

void TAllocationTable::Set(uint32_t index, uint32_t value) {
  FEntries[index] = value;
  FDirtyPages.insert(index / FPerPage);
  if (value == kFreeSect && index < FHint) FHint = index;
}

void TAllocationTable::Grow(size_t count) {
  size_t old = FEntries.size();
  FEntries.resize(old + count, kFreeSect);
  for (size_t i = old; i < FEntries.size(); i += FPerPage)
    FDirtyPages.insert(uint32_t(i / FPerPage));
}

std::vector<uint32_t> TAllocationTable::Chain(uint32_t start, uint64_t limit,
                                              std::u16string_view what) const {
  std::vector<uint32_t> chain;
  uint32_t s = start;
  while (s != kEndOfChain) {
    if (s >= FEntries.size() || s >= limit) {
      throw EStorageError(
          TStorageStatus::DocFileCorrupt,
          std::u16string(what) + u": a sector chain points past the end of the file");
    }
    if (chain.size() >= FEntries.size()) {
      throw EStorageError(TStorageStatus::DocFileCorrupt,
                          std::u16string(what) + u": a sector chain loops");
    }
    chain.push_back(s);
    s = FEntries[s];
  }
  return chain;
}

uint32_t TAllocationTable::FindFree() {
  while (FHint < FEntries.size() && FEntries[FHint] != kFreeSect) ++FHint;
  return FHint < FEntries.size() ? uint32_t(FHint) : kFreeSect;
}

void TAllocationTable::Free(uint32_t index) { Set(index, kFreeSect); }

std::set<uint32_t> TAllocationTable::TakeDirtyPages() {
  std::set<uint32_t> pages;
  pages.swap(FDirtyPages);
  return pages;
}

}  // namespace kv::cfb

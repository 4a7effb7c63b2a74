#include "storage/cfb/sector_file.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "storage/cfb/cfb_format.h"

namespace kv::cfb {

TSectorFile::TSectorFile(std::unique_ptr<TFileHandle> file, bool writable)
    : FFile(std::move(file)), FWritable(writable) {
  if (FWritable) RollBackJournal(*FFile);
  FOriginalSize = FFile->Size();
}

TSectorFile::~TSectorFile() {
  // A cleared journal stays for the next writer; one grown large by a big change is emptied.
  if (!FWritable || FJournal) return;
  try {
    std::u16string path = JournalPath(Path());
    if (FileExists(path) && !JournalIsHot(Path())) {
      TFileHandle journal(path, TFileHandle::TMode::Journal);
      if (journal.Size() > kSpillBytes / 16) journal.Truncate(0);
    }
  } catch (...) {
    // Only space is at stake.
  }
}

uint64_t TSectorFile::SectorsInFile() const {
  uint64_t size = FFile->Size();
  if (size <= FSectorSize) return 0;
  return (size - FSectorSize + FSectorSize - 1) / FSectorSize;
}

void TSectorFile::ReadHeader(char* block) const {
  if (FDirtyHeader) {
    std::memcpy(block, FDirtyHeader->data(), kHeaderSize);
    return;
  }
  size_t n = FFile->ReadAt(0, block, kHeaderSize);
  std::memset(block + n, 0, kHeaderSize - n);
}

void TSectorFile::Read(uint32_t sector, uint32_t offset, void* buffer, size_t count) const {
  auto it = FDirty.find(sector);
  if (it != FDirty.end()) {
    std::memcpy(buffer, it->second.data() + offset, count);
    return;
  }
  size_t n = FFile->ReadAt(Offset(sector) + offset, buffer, count);
  std::memset(static_cast<char*>(buffer) + n, 0, count - n);
}

void TSectorFile::ReadRun(uint32_t first, uint32_t count, char* buffer) const {
  uint32_t i = 0;
  while (i < count) {
    if (FDirty.count(first + i)) {
      Read(first + i, 0, buffer + size_t(i) * FSectorSize, FSectorSize);
      ++i;
      continue;
    }
    uint32_t j = i + 1;
    while (j < count && !FDirty.count(first + j)) ++j;
    size_t bytes = size_t(j - i) * FSectorSize;
    size_t n = FFile->ReadAt(Offset(first + i), buffer + size_t(i) * FSectorSize, bytes);
    std::memset(buffer + size_t(i) * FSectorSize + n, 0, bytes - n);
    i = j;
  }
}

void TSectorFile::WriteHeader(const char* block) {
  if (!FWritable) throw EStorageError(TStorageStatus::AccessDenied, u"the file is open read-only");
  CallWriteFaultHook();
  FDirtyHeader.emplace(block, block + kHeaderSize);
}

void TSectorFile::WriteSector(uint32_t sector, const char* data) {
  if (!FWritable) throw EStorageError(TStorageStatus::AccessDenied, u"the file is open read-only");
  if (sector > kMaxRegSect) throw EStorageError(TStorageStatus::MediumFull, u"the file is full");
  CallWriteFaultHook();
  auto [it, added] = FDirty.try_emplace(sector);
  it->second.assign(data, data + FSectorSize);
  if (added) FDirtyBytes += FSectorSize;
  if (FDirtyBytes > kSpillBytes) Spill(false);
}

void TSectorFile::WritePart(uint32_t sector, uint32_t offset, const void* data, size_t count) {
  std::vector<char> buffer(FSectorSize);
  if (count < FSectorSize) Read(sector, 0, buffer.data(), FSectorSize);
  std::memcpy(buffer.data() + offset, data, count);
  WriteSector(sector, buffer.data());
}

void TSectorFile::JournalOldBytes(const std::vector<uint32_t>& sectors) {
  if (!FJournal) {
    FJournal = std::make_unique<TJournalWriter>(Path(), FSectorSize, FOriginalSize);
    FJournaled.assign(size_t((FOriginalSize + FSectorSize - 1) / FSectorSize), false);
    FHeaderJournaled = false;
  }
  std::vector<char> old(std::max<size_t>(FSectorSize, kHeaderSize));
  if (FDirtyHeader && !FHeaderJournaled && FOriginalSize > 0) {
    size_t n = FFile->ReadAt(0, old.data(), kHeaderSize);
    std::memset(old.data() + n, 0, kHeaderSize - n);
    FJournal->Append(kHeaderBlock, old.data(), kHeaderSize);
    FHeaderJournaled = true;
  }
  // `sectors` is sorted: consecutive old sectors are read in one go.
  size_t i = 0;
  while (i < sectors.size()) {
    uint32_t s = sectors[i];
    if (Offset(s) >= FOriginalSize || FJournaled[s + 1]) {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < sectors.size() && sectors[j] == s + (j - i) && Offset(sectors[j]) < FOriginalSize &&
           !FJournaled[sectors[j] + 1]) {
      ++j;
    }
    size_t bytes = (j - i) * FSectorSize;
    old.resize(std::max(old.size(), bytes));
    size_t n = FFile->ReadAt(Offset(s), old.data(), bytes);
    std::memset(old.data() + n, 0, bytes - n);
    for (size_t k = i; k < j; ++k) {
      FJournal->Append(sectors[k], old.data() + (k - i) * FSectorSize, FSectorSize);
      FJournaled[sectors[k] + 1] = true;
    }
    i = j;
  }
  FJournal->Sync();
}

void TSectorFile::Spill(bool final) {
  std::vector<uint32_t> sectors;
  sectors.reserve(FDirty.size());
  for (const auto& entry : FDirty) sectors.push_back(entry.first);
  std::sort(sectors.begin(), sectors.end());
  JournalOldBytes(sectors);
  // Consecutive sectors go out in one write.
  std::vector<char> run;
  size_t i = 0;
  while (i < sectors.size()) {
    size_t j = i;
    run.clear();
    while (j < sectors.size() && sectors[j] == sectors[i] + (j - i)) {
      const auto& data = FDirty[sectors[j]];
      run.insert(run.end(), data.begin(), data.end());
      ++j;
    }
    FFile->WriteAt(Offset(sectors[i]), run.data(), run.size());
    i = j;
  }
  FDirty.clear();
  FDirtyBytes = 0;
  if (final && FDirtyHeader) {
    FFile->WriteAt(0, FDirtyHeader->data(), kHeaderSize);
    FDirtyHeader.reset();
  }
}

void TSectorFile::Commit() {
  if (!FWritable || (FDirty.empty() && !FDirtyHeader && !FJournal)) return;
  try {
    Spill(true);
    FFile->Sync();
    FJournal->Clear();  // the commit; see journal.h for why it needs no flush of its own
    FJournal.reset();
  } catch (...) {
    try {
      Rollback();
    } catch (...) {
      // The journal stays; the next open of the file restores the old state from it.
    }
    throw;
  }
  FOriginalSize = FFile->Size();
  FJournaled.clear();
}

void TSectorFile::Rollback() {
  FDirty.clear();
  FDirtyBytes = 0;
  FDirtyHeader.reset();
  // Also a journal whose creation failed half-way is removed here.
  FJournal.reset();
  RollBackJournal(*FFile);
  FJournaled.clear();
  FOriginalSize = FFile->Size();
}

}  // namespace kv::cfb

#include "storage/cfb/compound_file.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "base/error.h"
#include "storage/cfb/byte_order.h"

namespace kv::cfb {

TCompoundFile::TCompoundFile(std::unique_ptr<TSectorFile> file)
    : FFile(std::move(file)), FPath(FFile->Path()), FUncaughtAtOpen(std::uncaught_exceptions()) {}

std::unique_ptr<TCompoundFile> TCompoundFile::OpenForWriting(std::u16string_view path) {
  auto handle = std::make_unique<TFileHandle>(path, TFileHandle::TMode::Write);
  // The sector file rolls back a journal a failed writer left behind before anything is read.
  std::unique_ptr<TCompoundFile> cf(
      new TCompoundFile(std::make_unique<TSectorFile>(std::move(handle), true)));
  if (cf->FFile->PhysicalSize() == 0) {
    cf->InitializeEmpty();
    return cf;
  }
  char block[kHeaderSize];
  cf->FFile->ReadHeader(block);
  if (cf->FFile->PhysicalSize() < kHeaderSize ||
      !LooksLikeHeader(std::string_view(block, kHeaderSize))) {
    throw EStorageError(
        TStorageStatus::FileAlreadyExists,
        u"\"" + std::u16string(path) + u"\" is not a compound file; it was left unchanged");
  }
  cf->Load();
  return cf;
}

std::unique_ptr<TCompoundFile> TCompoundFile::OpenForReading(std::u16string_view path) {
  if (JournalIsHot(path)) {
    // A writer died before it finished: restore the file first (this needs write access).
    OpenForWriting(path).reset();
  }
  auto handle = std::make_unique<TFileHandle>(path, TFileHandle::TMode::Read);
  std::unique_ptr<TCompoundFile> cf(
      new TCompoundFile(std::make_unique<TSectorFile>(std::move(handle), false)));
  cf->Load();
  return cf;
}

std::unique_ptr<TCompoundFile> TCompoundFile::OpenBytes(std::string bytes) {
  std::unique_ptr<TCompoundFile> cf(
      new TCompoundFile(std::make_unique<TSectorFile>(TFileHandle::InMemory(bytes), false)));
  cf->Load();
  return cf;
}

bool TCompoundFile::IsCompoundFile(std::u16string_view path) {
  try {
    if (!FileExists(path)) return false;
    TFileHandle file(path, TFileHandle::TMode::Read);
    char block[kHeaderSize];
    return file.ReadAt(0, block, kHeaderSize) == kHeaderSize &&
           LooksLikeHeader(std::string_view(block, kHeaderSize));
  } catch (const EStorageError& e) {
    // Held by a writer: it is a compound file (we only ever lock those we open as such).
    return e.Status() == TStorageStatus::ShareViolation;
  }
}

TCompoundFile::~TCompoundFile() {
  if (!FFile || !FFile->Writable()) return;
  try {
    if (FBroken || std::uncaught_exceptions() > FUncaughtAtOpen) {
      FFile->Rollback();
    } else {
      Commit();
    }
  } catch (...) {
    // Commit has rolled the file back or left the journal that restores it on the next open.
  }
}

bool TCompoundFile::Writable() const { return FFile && FFile->Writable(); }

void TCompoundFile::CheckUsable() const {
  if (!FFile || FBroken) {
    throw EStorageError(TStorageStatus::InvalidHandle,
                        u"\"" + FPath + u"\": the file was rolled back after a failure");
  }
}

void TCompoundFile::CheckWritable() const {
  CheckUsable();
  if (!FFile->Writable()) {
    throw EStorageError(TStorageStatus::AccessDenied,
                        u"\"" + FPath + u"\" is open for reading only");
  }
}

std::u16string TCompoundFile::What(uint32_t id) const {
  std::u16string what = u"\"" + FPath + u"\"";
  if (id < FEntries.size() && id != kRoot) what += u", element \"" + FEntries[id].Name + u"\"";
  return what;
}

// ---- loading -------------------------------------------------------------------------------

void TCompoundFile::InitializeEmpty() {
  FHeader = THeader{};
  FSectorSize = 512;
  FFile->SetSectorSize(FSectorSize);
  FFat = TAllocationTable({}, FSectorSize / 4);
  FMiniFat = TAllocationTable({}, FSectorSize / 4);
  FEntries.assign(1, TDirEntry{});
  FEntries[0].Name = u"Root Entry";
  FEntries[0].Type = TEntryType::Root;
  FEntries[0].Color = 1;
  FChildren.assign(1, {});
  uint32_t dir = AllocateSector();
  FFat.Set(dir, kEndOfChain);
  FDirSectors.push_back(dir);
  FEntries.resize(FSectorSize / kDirEntrySize);
  for (uint32_t i = 0; i < FEntries.size(); ++i) {
    MarkEntry(i);
    if (i > 0) FFreeEntries.push_back(i);
  }
  FChildren.resize(FEntries.size());
  std::reverse(FFreeEntries.begin(), FFreeEntries.end());
}

void TCompoundFile::Load() {
  std::u16string what = u"\"" + FPath + u"\"";
  uint64_t physical = FFile->PhysicalSize();
  char block[kHeaderSize];
  FFile->ReadHeader(block);
  if (physical < kHeaderSize) {
    throw EStorageError(TStorageStatus::InvalidHeader, what + u" is not a compound file");
  }
  FHeaderBlock.assign(block, kHeaderSize);
  FHeader = ParseHeader(FHeaderBlock, FPath);
  FSectorSize = FHeader.SectorSize();
  FFile->SetSectorSize(FSectorSize);
  uint64_t inFile = FFile->SectorsInFile();
  uint32_t perSector = FSectorSize / 4;

  // Where the FAT lives: the header's list, then the chain of DIFAT sectors.
  if (FHeader.FatSectorCount > inFile) Corrupt(what, u"the FAT is larger than the file");
  for (uint32_t i = 0; i < kHeaderDifatCount && FFatSectors.size() < FHeader.FatSectorCount; ++i) {
    FFatSectors.push_back(FHeader.Difat[i]);
  }
  uint32_t difat = FHeader.FirstDifatSector;
  std::vector<char> sector(FSectorSize);
  while (FFatSectors.size() < FHeader.FatSectorCount) {
    if (difat >= inFile || FDifatSectors.size() >= inFile)
      Corrupt(what, u"the DIFAT chain is damaged");
    FDifatSectors.push_back(difat);
    FFile->Read(difat, 0, sector.data(), FSectorSize);
    for (uint32_t i = 0; i + 1 < perSector && FFatSectors.size() < FHeader.FatSectorCount; ++i) {
      FFatSectors.push_back(GetU32(sector.data() + 4 * i));
    }
    difat = GetU32(sector.data() + FSectorSize - 4);
  }
  std::vector<uint32_t> fat;
  fat.reserve(size_t(FFatSectors.size()) * perSector);
  for (uint32_t s : FFatSectors) {
    if (s >= inFile) Corrupt(what, u"a FAT sector lies past the end of the file");
    FFile->Read(s, 0, sector.data(), FSectorSize);
    for (uint32_t i = 0; i < perSector; ++i) fat.push_back(GetU32(sector.data() + 4 * i));
  }
  FFat = TAllocationTable(std::move(fat), perSector);
  FSectorLimit = std::min<uint64_t>(inFile, FFat.Size());

  // The directory.
  FDirSectors = FFat.Chain(FHeader.FirstDirSector, FSectorLimit, what + u" (directory)");
  if (FDirSectors.empty()) Corrupt(what, u"the directory is empty");
  uint32_t perDirSector = FSectorSize / kDirEntrySize;
  FEntries.reserve(FDirSectors.size() * perDirSector);
  for (uint32_t s : FDirSectors) {
    FFile->Read(s, 0, sector.data(), FSectorSize);
    for (uint32_t i = 0; i < perDirSector; ++i) {
      FEntries.push_back(ParseDirEntry(sector.data() + i * kDirEntrySize, FHeader.MajorVersion));
    }
  }
  if (FEntries[0].Type != TEntryType::Root) Corrupt(what, u"the root entry is missing");

  // The mini FAT and the sectors of the mini stream.
  std::vector<uint32_t> miniFat;
  if (FHeader.MiniFatSectorCount > 0 && FHeader.FirstMiniFatSector != kEndOfChain) {
    FMiniFatSectors = FFat.Chain(FHeader.FirstMiniFatSector, FSectorLimit, what + u" (mini FAT)");
    for (uint32_t s : FMiniFatSectors) {
      FFile->Read(s, 0, sector.data(), FSectorSize);
      for (uint32_t i = 0; i < perSector; ++i) miniFat.push_back(GetU32(sector.data() + 4 * i));
    }
  }
  FMiniFat = TAllocationTable(std::move(miniFat), perSector);
  if (FEntries[0].Size > 0) {
    FMiniContainer = FFat.Chain(FEntries[0].Start, FSectorLimit, what + u" (mini stream)");
  }

  // The trees of every storage, walked once: an entry met twice means the links loop.
  FChildren.assign(FEntries.size(), {});
  std::vector<uint8_t> seen(FEntries.size(), 0);
  seen[0] = 1;
  std::vector<uint32_t> storages = {0};
  std::vector<uint32_t> stack;
  while (!storages.empty()) {
    uint32_t storage = storages.back();
    storages.pop_back();
    stack.assign(1, FEntries[storage].Child);
    while (!stack.empty()) {
      uint32_t id = stack.back();
      stack.pop_back();
      if (id == kNoStream) continue;
      if (id >= FEntries.size()) Corrupt(what, u"a directory link points past the directory");
      const TDirEntry& e = FEntries[id];
      // Some writers leave an entry of no kind inside a tree, with links that mean nothing:
      // it is passed over with them.
      if (e.Type != TEntryType::Storage && e.Type != TEntryType::Stream) continue;
      if (seen[id]) Corrupt(what, u"the directory tree loops");
      seen[id] = 1;
      stack.push_back(e.Right);
      stack.push_back(e.Left);
      FChildren[storage].push_back(id);
      if (e.Type == TEntryType::Storage) storages.push_back(id);
    }
    std::sort(FChildren[storage].begin(), FChildren[storage].end(), [&](uint32_t a, uint32_t b) {
      return CompareNames(FEntries[a].Name, FEntries[b].Name) < 0;
    });
  }
  for (uint32_t i = uint32_t(FEntries.size()); i-- > 1;) {
    if (!seen[i] && FEntries[i].Type == TEntryType::Empty) FFreeEntries.push_back(i);
  }
}

// ---- directory -----------------------------------------------------------------------------

void TCompoundFile::WriteMetadata() {
  std::vector<char> sector(FSectorSize);
  uint32_t perSector = FSectorSize / 4;
  for (uint32_t page : FFat.TakeDirtyPages()) {
    for (uint32_t i = 0; i < perSector; ++i)
      PutU32(sector.data() + 4 * i, FFat.Get(page * perSector + i));
    FFile->WriteSector(FFatSectors[page], sector.data());
  }
  for (uint32_t page : FMiniFat.TakeDirtyPages()) {
    for (uint32_t i = 0; i < perSector; ++i)
      PutU32(sector.data() + 4 * i, FMiniFat.Get(page * perSector + i));
    FFile->WriteSector(FMiniFatSectors[page], sector.data());
  }
  if (FDifatDirty) {
    size_t next = kHeaderDifatCount;
    for (size_t d = 0; d < FDifatSectors.size(); ++d) {
      for (uint32_t i = 0; i + 1 < perSector; ++i, ++next) {
        PutU32(sector.data() + 4 * i, next < FFatSectors.size() ? FFatSectors[next] : kFreeSect);
      }
      PutU32(sector.data() + FSectorSize - 4,
             d + 1 < FDifatSectors.size() ? FDifatSectors[d + 1] : kEndOfChain);
      FFile->WriteSector(FDifatSectors[d], sector.data());
    }
    FDifatDirty = false;
  }
  std::sort(FDirtyEntries.begin(), FDirtyEntries.end());
  FDirtyEntries.erase(std::unique(FDirtyEntries.begin(), FDirtyEntries.end()), FDirtyEntries.end());
  uint32_t perDir = FSectorSize / kDirEntrySize;
  uint32_t written = kNoStream;
  for (uint32_t id : FDirtyEntries) {
    uint32_t page = id / perDir;
    if (page == written) continue;
    for (uint32_t i = 0; i < perDir; ++i) {
      SerializeDirEntry(FEntries[page * perDir + i], sector.data() + i * kDirEntrySize);
    }
    FFile->WriteSector(FDirSectors[page], sector.data());
    written = page;
  }
  FDirtyEntries.clear();

  // Every sector the FAT hands out must exist in the file, even one nothing was written to.
  uint32_t last = uint32_t(FFat.Size());
  while (last > 0 && FFat.Get(last - 1) == kFreeSect) --last;
  if (last > 0 && last > FFile->SectorsInFile()) {
    std::vector<char> probe(FSectorSize);
    FFile->Read(last - 1, 0, probe.data(), FSectorSize);
    FFile->WriteSector(last - 1, probe.data());
  }

  FHeader.FatSectorCount = uint32_t(FFatSectors.size());
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) {
    FHeader.Difat[i] = i < FFatSectors.size() ? FFatSectors[i] : kFreeSect;
  }
  FHeader.FirstDifatSector = FDifatSectors.empty() ? kEndOfChain : FDifatSectors[0];
  FHeader.DifatSectorCount = uint32_t(FDifatSectors.size());
  FHeader.FirstDirSector = FDirSectors[0];
  FHeader.DirSectorCount = uint32_t(FDirSectors.size());
  FHeader.FirstMiniFatSector = FMiniFatSectors.empty() ? kEndOfChain : FMiniFatSectors[0];
  FHeader.MiniFatSectorCount = uint32_t(FMiniFatSectors.size());
  char block[kHeaderSize];
  SerializeHeader(FHeader, block);
  if (FHeaderBlock != std::string_view(block, kHeaderSize)) {
    FFile->WriteHeader(block);
    FHeaderBlock.assign(block, kHeaderSize);
  }
}

void TCompoundFile::Commit() {
  Mutate([&] {
    WriteMetadata();
    FFile->Commit();
  });
}

void TCompoundFile::Rollback() {
  if (!FFile) return;
  FBroken = true;
  if (FFile->Writable()) FFile->Rollback();
}

void TCompoundFile::Abandon() {
  FFile.reset();
  FBroken = true;
}

}  // namespace kv::cfb

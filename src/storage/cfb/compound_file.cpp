#include "storage/cfb/compound_file.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "base/error.h"
#include "storage/cfb/byte_order.h"

namespace kv::cfb {
namespace {

[[noreturn]] void Corrupt(std::u16string_view what, std::u16string_view problem) {
  throw EStorageError(TStorageStatus::DocFileCorrupt, std::u16string(what) + u": " + std::u16string(problem));
}

uint64_t DivUp(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

}  // namespace

TCompoundFile::TCompoundFile(std::unique_ptr<TSectorFile> file)
    : FFile(std::move(file)), FPath(FFile->Path()), FUncaughtAtOpen(std::uncaught_exceptions()) {}

std::unique_ptr<TCompoundFile> TCompoundFile::OpenForWriting(std::u16string_view path) {
  auto handle = std::make_unique<TFileHandle>(path, TFileHandle::TMode::Write);
  // The sector file rolls back a journal a failed writer left behind before anything is read.
  std::unique_ptr<TCompoundFile> cf(new TCompoundFile(std::make_unique<TSectorFile>(std::move(handle), true)));
  if (cf->FFile->PhysicalSize() == 0) {
    cf->InitializeEmpty();
    return cf;
  }
  char block[kHeaderSize];
  cf->FFile->ReadHeader(block);
  if (cf->FFile->PhysicalSize() < kHeaderSize || !LooksLikeHeader(std::string_view(block, kHeaderSize))) {
    throw EStorageError(TStorageStatus::FileAlreadyExists,
                        u"\"" + std::u16string(path) +
                            u"\" is not a compound file; it was left unchanged");
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
  std::unique_ptr<TCompoundFile> cf(new TCompoundFile(std::make_unique<TSectorFile>(std::move(handle), false)));
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
    throw EStorageError(TStorageStatus::AccessDenied, u"\"" + FPath + u"\" is open for reading only");
  }
}

template <typename F>
auto TCompoundFile::Mutate(F&& change) {
  CheckWritable();
  try {
    return change();
  } catch (...) {
    FBroken = true;  // in-memory tables may be half-changed: only a rollback is safe now
    throw;
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
    if (difat >= inFile || FDifatSectors.size() >= inFile) Corrupt(what, u"the DIFAT chain is damaged");
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

const TDirEntry& TCompoundFile::Entry(uint32_t id) const {
  CheckUsable();
  if (id >= FEntries.size()) throw EStorageError(TStorageStatus::InvalidParameter, u"no such element");
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
  for (uint32_t id : FChildren[storage]) before.push_back({FEntries[id].Left, FEntries[id].Right, FEntries[id].Color});
  std::vector<uint32_t> order = FChildren[storage];
  FEntries[storage].Child = LinkTree(FEntries, FChildren[storage]);
  MarkEntry(storage);
  for (size_t i = 0; i < order.size(); ++i) {
    const TDirEntry& e = FEntries[order[i]];
    if (e.Left != before[i].Left || e.Right != before[i].Right || e.Color != before[i].Color) MarkEntry(order[i]);
  }
}

uint32_t TCompoundFile::Create(uint32_t storage, std::u16string_view name, TEntryType type) {
  CheckWritable();
  CheckElementName(name);
  if (Find(storage, name) != kNoStream) {
    throw EStorageError(TStorageStatus::FileAlreadyExists,
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
  if (it == siblings.end()) throw EStorageError(TStorageStatus::FileNotFound, What(storage) + u": no such element");
  Mutate([&] {
    siblings.erase(it);
    DestroySubtree(id);
    Relink(storage);
  });
}

// ---- sectors -------------------------------------------------------------------------------

void TCompoundFile::AddFatSector() {
  uint32_t perSector = FSectorSize / 4;
  uint32_t s = uint32_t(FFat.Size());
  FFat.Grow(perSector);
  FFat.Set(s, kFatSect);
  FFatSectors.push_back(s);
  FSectorLimit = std::max<uint64_t>(FSectorLimit, s + 1);
  FDifatDirty = true;
  size_t capacity = kHeaderDifatCount + FDifatSectors.size() * (perSector - 1);
  if (FFatSectors.size() > capacity) {
    uint32_t d = FFat.FindFree();
    FFat.Set(d, kDifSect);
    FDifatSectors.push_back(d);
    FSectorLimit = std::max<uint64_t>(FSectorLimit, d + 1);
  }
}

uint32_t TCompoundFile::AllocateSector() {
  uint32_t s = FFat.FindFree();
  if (s == kFreeSect) {
    AddFatSector();
    s = FFat.FindFree();
  }
  FFat.Set(s, kEndOfChain);
  FSectorLimit = std::max<uint64_t>(FSectorLimit, uint64_t(s) + 1);
  return s;
}

uint32_t TCompoundFile::AllocateMiniSector() {
  uint32_t m = FMiniFat.FindFree();
  if (m == kFreeSect) {
    uint32_t s = AllocateSector();
    if (FMiniFatSectors.empty()) {
      FHeader.FirstMiniFatSector = s;
    } else {
      FFat.Set(FMiniFatSectors.back(), s);
    }
    FMiniFatSectors.push_back(s);
    FMiniFat.Grow(FSectorSize / 4);
    m = FMiniFat.FindFree();
  }
  FMiniFat.Set(m, kEndOfChain);
  TDirEntry& root = FEntries[0];
  uint64_t needed = (uint64_t(m) + 1) * kMiniSectorSize;
  if (root.Size < needed) {
    root.Size = needed;
    MarkEntry(0);
    while (uint64_t(FMiniContainer.size()) * FSectorSize < root.Size) {
      uint32_t s = AllocateSector();
      if (FMiniContainer.empty()) {
        root.Start = s;
      } else {
        FFat.Set(FMiniContainer.back(), s);
      }
      FMiniContainer.push_back(s);
    }
  }
  return m;
}

bool TCompoundFile::IsMini(uint32_t id) const {
  return id != kRoot && FEntries[id].Size < FHeader.MiniStreamCutoff;
}

const std::vector<uint32_t>& TCompoundFile::ChainOf(uint32_t id) {
  auto it = FChains.find(id);
  if (it != FChains.end()) return it->second;
  const TDirEntry& e = FEntries[id];
  std::vector<uint32_t> chain;
  uint64_t unit = FSectorSize;
  if (e.Size > 0) {
    if (IsMini(id)) {
      unit = kMiniSectorSize;
      chain = FMiniFat.Chain(e.Start, DivUp(FEntries[0].Size, kMiniSectorSize), What(id));
    } else {
      chain = FFat.Chain(e.Start, FSectorLimit, What(id));
    }
    if (uint64_t(chain.size()) * unit < e.Size) Corrupt(What(id), u"the stream is larger than its sectors");
  }
  return FChains.emplace(id, std::move(chain)).first->second;
}

void TCompoundFile::MiniPosition(uint64_t miniOffset, uint32_t& sector, uint32_t& offset) const {
  uint64_t index = miniOffset / FSectorSize;
  if (index >= FMiniContainer.size()) Corrupt(What(kRoot), u"a mini sector lies past the mini stream");
  sector = FMiniContainer[index];
  offset = uint32_t(miniOffset % FSectorSize);
}

void TCompoundFile::ReadPieces(uint32_t id, uint64_t offset, char* buffer, size_t count) {
  const std::vector<uint32_t>& chain = ChainOf(id);
  bool mini = IsMini(id);
  uint32_t unit = mini ? kMiniSectorSize : FSectorSize;
  while (count > 0) {
    size_t index = size_t(offset / unit);
    uint32_t inUnit = uint32_t(offset % unit);
    size_t piece = std::min<size_t>(count, unit - inUnit);
    if (mini) {
      uint32_t sector, at;
      MiniPosition(uint64_t(chain[index]) * kMiniSectorSize + inUnit, sector, at);
      FFile->Read(sector, at, buffer, piece);
    } else if (inUnit == 0 && piece == unit) {
      size_t run = 1;  // whole consecutive sectors in one read
      while ((run + 1) * unit <= count && index + run < chain.size() &&
             chain[index + run] == chain[index] + run) {
        ++run;
      }
      piece = run * unit;
      FFile->ReadRun(chain[index], uint32_t(run), buffer);
    } else {
      FFile->Read(chain[index], inUnit, buffer, piece);
    }
    buffer += piece;
    offset += piece;
    count -= piece;
  }
}

void TCompoundFile::WritePieces(uint32_t id, uint64_t offset, const char* data, size_t count) {
  const std::vector<uint32_t>& chain = ChainOf(id);
  bool mini = IsMini(id);
  uint32_t unit = mini ? kMiniSectorSize : FSectorSize;
  while (count > 0) {
    size_t index = size_t(offset / unit);
    uint32_t inUnit = uint32_t(offset % unit);
    size_t piece = std::min<size_t>(count, unit - inUnit);
    if (mini) {
      uint32_t sector, at;
      MiniPosition(uint64_t(chain[index]) * kMiniSectorSize + inUnit, sector, at);
      FFile->WritePart(sector, at, data, piece);
    } else if (piece == unit) {
      FFile->WriteSector(chain[index], data);
    } else {
      FFile->WritePart(chain[index], inUnit, data, piece);
    }
    data += piece;
    offset += piece;
    count -= piece;
  }
}

void TCompoundFile::FreeChain(uint32_t id) {
  if (FEntries[id].Size == 0) return;
  bool mini = IsMini(id);
  for (uint32_t s : ChainOf(id)) {
    if (mini) {
      FMiniFat.Free(s);
    } else {
      FFat.Free(s);
    }
  }
  FChains.erase(id);
}

void TCompoundFile::ExtendChain(uint32_t id, std::vector<uint32_t>& chain, size_t need, bool mini) {
  while (chain.size() < need) {
    uint32_t s = mini ? AllocateMiniSector() : AllocateSector();
    if (chain.empty()) {
      FEntries[id].Start = s;
    } else if (mini) {
      FMiniFat.Set(chain.back(), s);
    } else {
      FFat.Set(chain.back(), s);
    }
    chain.push_back(s);
  }
}

void TCompoundFile::ResizeTo(uint32_t id, uint64_t size, bool zeroFill) {
  TDirEntry& e = FEntries[id];
  uint64_t old = e.Size;
  if (size == old) return;
  bool oldMini = IsMini(id);
  bool newMini = id != kRoot && size < FHeader.MiniStreamCutoff;
  if (old > 0 && oldMini != newMini) {
    // Moving between the mini stream and whole sectors: copy what stays.
    std::string keep(size_t(std::min(old, size)), '\0');
    ReadPieces(id, 0, keep.data(), keep.size());
    FreeChain(id);
    FEntries[id].Size = 0;
    FEntries[id].Start = kEndOfChain;
    FChains[id] = {};
    ResizeTo(id, size, false);
    WritePieces(id, 0, keep.data(), keep.size());
    if (zeroFill && size > keep.size()) {
      std::string zeros(size_t(size - keep.size()), '\0');
      WritePieces(id, keep.size(), zeros.data(), zeros.size());
    }
    return;
  }
  std::vector<uint32_t> chain = ChainOf(id);
  uint64_t unit = newMini ? kMiniSectorSize : FSectorSize;
  size_t need = size_t(DivUp(size, unit));
  if (need > chain.size()) {
    ExtendChain(id, chain, need, newMini);
  } else if (need < chain.size()) {
    TAllocationTable& table = newMini ? FMiniFat : FFat;
    for (size_t i = need; i < chain.size(); ++i) table.Free(chain[i]);
    chain.resize(need);
    if (need == 0) {
      FEntries[id].Start = kEndOfChain;
    } else {
      table.Set(chain.back(), kEndOfChain);
    }
  }
  FEntries[id].Size = size;
  FChains[id] = std::move(chain);
  MarkEntry(id);
  if (zeroFill && size > old) {
    std::string zeros(size_t(size - old), '\0');
    WritePieces(id, old, zeros.data(), zeros.size());
  }
}

// ---- streams -------------------------------------------------------------------------------

size_t TCompoundFile::ReadStream(uint32_t id, uint64_t offset, void* buffer, size_t count) {
  const TDirEntry& e = Entry(id);
  if (e.Type != TEntryType::Stream) throw EStorageError(TStorageStatus::InvalidParameter, What(id) + u" is not a stream");
  if (offset >= e.Size) return 0;
  count = size_t(std::min<uint64_t>(count, e.Size - offset));
  ReadPieces(id, offset, static_cast<char*>(buffer), count);
  return count;
}

std::string TCompoundFile::ReadWholeStream(uint32_t id) {
  const TDirEntry& e = Entry(id);
  ChainOf(id);  // checks that the size is backed by sectors before memory is taken for it
  std::string bytes(size_t(e.Size), '\0');
  bytes.resize(ReadStream(id, 0, bytes.data(), bytes.size()));
  return bytes;
}

void TCompoundFile::CheckStreamSize(uint64_t size) const {
  // Version 3 keeps 32 bits of a stream's size.
  if (size > 0xFFFFFFFFu || (size >> FHeader.SectorShift) >= kMaxRegSect) {
    throw EStorageError(TStorageStatus::MediumFull, u"\"" + FPath + u"\": a stream cannot be that large");
  }
}

void TCompoundFile::WriteStream(uint32_t id, uint64_t offset, const void* data, size_t count) {
  CheckWritable();
  if (Entry(id).Type != TEntryType::Stream) {
    throw EStorageError(TStorageStatus::InvalidParameter, What(id) + u" is not a stream");
  }
  if (count == 0) return;
  CheckStreamSize(offset + count);
  Mutate([&] {
    uint64_t old = FEntries[id].Size;
    if (offset + count > old) {
      ResizeTo(id, offset + count, false);
      if (offset > old) {
        std::string zeros(size_t(offset - old), '\0');
        WritePieces(id, old, zeros.data(), zeros.size());
      }
    }
    WritePieces(id, offset, static_cast<const char*>(data), count);
  });
}

void TCompoundFile::ResizeStream(uint32_t id, uint64_t size) {
  CheckWritable();
  if (Entry(id).Type != TEntryType::Stream) {
    throw EStorageError(TStorageStatus::InvalidParameter, What(id) + u" is not a stream");
  }
  CheckStreamSize(size);
  Mutate([&] { ResizeTo(id, size, true); });
}

// ---- commit --------------------------------------------------------------------------------

void TCompoundFile::WriteMetadata() {
  std::vector<char> sector(FSectorSize);
  uint32_t perSector = FSectorSize / 4;
  for (uint32_t page : FFat.TakeDirtyPages()) {
    for (uint32_t i = 0; i < perSector; ++i) PutU32(sector.data() + 4 * i, FFat.Get(page * perSector + i));
    FFile->WriteSector(FFatSectors[page], sector.data());
  }
  for (uint32_t page : FMiniFat.TakeDirtyPages()) {
    for (uint32_t i = 0; i < perSector; ++i) PutU32(sector.data() + 4 * i, FMiniFat.Get(page * perSector + i));
    FFile->WriteSector(FMiniFatSectors[page], sector.data());
  }
  if (FDifatDirty) {
    size_t next = kHeaderDifatCount;
    for (size_t d = 0; d < FDifatSectors.size(); ++d) {
      for (uint32_t i = 0; i + 1 < perSector; ++i, ++next) {
        PutU32(sector.data() + 4 * i, next < FFatSectors.size() ? FFatSectors[next] : kFreeSect);
      }
      PutU32(sector.data() + FSectorSize - 4, d + 1 < FDifatSectors.size() ? FDifatSectors[d + 1] : kEndOfChain);
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

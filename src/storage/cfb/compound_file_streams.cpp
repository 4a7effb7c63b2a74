// The sectors of a compound file's streams: allocation in the FAT and the mini FAT, chains,
// and reading, writing and resizing streams.
#include "storage/cfb/compound_file.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "storage/cfb/byte_order.h"

namespace kv::cfb {

namespace {

uint64_t DivUp(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

}  // namespace

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
    if (uint64_t(chain.size()) * unit < e.Size)
      Corrupt(What(id), u"the stream is larger than its sectors");
  }
  return FChains.emplace(id, std::move(chain)).first->second;
}

void TCompoundFile::MiniPosition(uint64_t miniOffset, uint32_t& sector, uint32_t& offset) const {
  uint64_t index = miniOffset / FSectorSize;
  if (index >= FMiniContainer.size())
    Corrupt(What(kRoot), u"a mini sector lies past the mini stream");
  sector = FMiniContainer[index];
  offset = uint32_t(miniOffset % FSectorSize);
}

template <typename Visit>
void TCompoundFile::ForEachPiece(uint32_t id, uint64_t offset, size_t count, Visit&& visit) {
  const std::vector<uint32_t>& chain = ChainOf(id);
  const bool mini = IsMini(id);
  const uint32_t unit = mini ? kMiniSectorSize : FSectorSize;
  size_t done = 0;
  while (done < count) {
    const uint64_t at = offset + done;
    TPiece p;
    p.Index = size_t(at / unit);
    p.At = uint32_t(at % unit);
    p.Size = std::min<size_t>(count - done, unit - p.At);
    p.Done = done;
    p.Whole = !mini && p.Size == unit;
    p.Sector = chain[p.Index];
    if (mini) MiniPosition(uint64_t(chain[p.Index]) * kMiniSectorSize + p.At, p.Sector, p.At);
    done += visit(p);
  }
}

void TCompoundFile::ReadPieces(uint32_t id, uint64_t offset, char* buffer, size_t count) {
  const std::vector<uint32_t>& chain = ChainOf(id);
  ForEachPiece(id, offset, count, [&](const TPiece& p) -> size_t {
    if (!p.Whole) {
      FFile->Read(p.Sector, p.At, buffer + p.Done, p.Size);
      return p.Size;
    }
    size_t run = 1;  // whole consecutive sectors in one read
    while ((run + 1) * p.Size <= count - p.Done && p.Index + run < chain.size() &&
           chain[p.Index + run] == p.Sector + run) {
      ++run;
    }
    FFile->ReadRun(p.Sector, uint32_t(run), buffer + p.Done);
    return run * p.Size;
  });
}

void TCompoundFile::WritePieces(uint32_t id, uint64_t offset, const char* data, size_t count) {
  ForEachPiece(id, offset, count, [&](const TPiece& p) -> size_t {
    if (p.Whole) {
      FFile->WriteSector(p.Sector, data + p.Done);
    } else {
      FFile->WritePart(p.Sector, p.At, data + p.Done, p.Size);
    }
    return p.Size;
  });
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
  if (e.Type != TEntryType::Stream)
    throw EStorageError(TStorageStatus::InvalidParameter, What(id) + u" is not a stream");
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
    throw EStorageError(TStorageStatus::MediumFull,
                        u"\"" + FPath + u"\": a stream cannot be that large");
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

}  // namespace kv::cfb

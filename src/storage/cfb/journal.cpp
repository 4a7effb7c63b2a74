#include "storage/cfb/journal.h"

#include <cstring>
#include <random>
#include <vector>

#include "base/error.h"
#include "storage/cfb/byte_order.h"
#include "storage/cfb/cfb_format.h"

namespace kv::cfb {
namespace {

constexpr char kMagic[8] = {'K', 'V', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr size_t kJournalHeaderSize = 40;  // magic, sector size, original size, nonce, check

uint32_t Checksum(uint64_t seed, const char* data, size_t size) {
  uint32_t h = 2166136261u ^ uint32_t(seed) ^ uint32_t(seed >> 32) * 31u;
  for (size_t i = 0; i < size; ++i) h = (h ^ uint8_t(data[i])) * 16777619u;
  return h;
}

struct TJournalHeader {
  uint32_t SectorSize = 0;
  uint64_t OriginalSize = 0;
  uint64_t Nonce = 0;
};

bool ReadHeader(const TFileHandle& journal, TJournalHeader& header) {
  char b[kJournalHeaderSize];
  if (journal.ReadAt(0, b, sizeof b) != sizeof b || std::memcmp(b, kMagic, sizeof kMagic) != 0 ||
      GetU32(b + 32) != Checksum(0, b, 32)) {
    return false;
  }
  header.SectorSize = GetU32(b + 8);
  header.OriginalSize = GetU64(b + 16);
  header.Nonce = GetU64(b + 24);
  return header.SectorSize == 512 || header.SectorSize == 4096;
}

void ClearHeader(TFileHandle& journal) {
  char zeros[kJournalHeaderSize] = {};
  journal.WriteAt(0, zeros, sizeof zeros);
}

}  // namespace

std::u16string JournalPath(std::u16string_view dataPath) {
  return std::u16string(dataPath) + u"-journal";
}

TJournalWriter::TJournalWriter(std::u16string_view dataPath, uint32_t sectorSize,
                               uint64_t originalSize)
    : FFile(JournalPath(dataPath), TFileHandle::TMode::Journal) {
  bool created = FFile.Size() == 0;
  std::random_device random;
  FNonce = (uint64_t(random()) << 32) ^ random();
  char header[kJournalHeaderSize] = {};
  std::memcpy(header, kMagic, sizeof kMagic);
  PutU32(header + 8, sectorSize);
  PutU64(header + 16, originalSize);
  PutU64(header + 24, FNonce);
  PutU32(header + 32, Checksum(0, header, 32));
  FPending.assign(header, sizeof header);
  if (created) SyncParentDirectory(dataPath);  // the journal's name must survive a crash too
}

void TJournalWriter::Append(uint32_t block, const char* data, size_t size) {
  char head[8];
  PutU32(head, block);
  PutU32(head + 4, Checksum(FNonce ^ block, data, size));
  FPending.append(head, 8);
  FPending.append(data, size);
}

void TJournalWriter::Sync() {
  if (!FPending.empty()) {
    FFile.WriteAt(FEnd, FPending.data(), FPending.size());
    FEnd += FPending.size();
    FPending.clear();
  }
  FFile.Sync();
}

void TJournalWriter::Clear() { ClearHeader(FFile); }

bool JournalIsHot(std::u16string_view dataPath) {
  std::u16string path = JournalPath(dataPath);
  if (!FileExists(path)) return false;
  TFileHandle journal(path, TFileHandle::TMode::Journal);
  TJournalHeader header;
  return ReadHeader(journal, header);
}

bool RollBackJournal(TFileHandle& data) {
  std::u16string path = JournalPath(data.Path());
  if (!FileExists(path)) return false;
  TFileHandle journal(path, TFileHandle::TMode::Journal);
  TJournalHeader header;
  if (!ReadHeader(journal, header)) return false;  // cleared, or cut short before any change
  uint64_t offset = kJournalHeaderSize;
  std::vector<char> buffer;
  for (;;) {
    char head[8];
    if (journal.ReadAt(offset, head, 8) != 8) break;
    uint32_t block = GetU32(head);
    size_t size = block == kHeaderBlock ? kHeaderSize : header.SectorSize;
    buffer.resize(size);
    if (journal.ReadAt(offset + 8, buffer.data(), size) != size) break;
    if (Checksum(header.Nonce ^ block, buffer.data(), size) != GetU32(head + 4)) break;
    uint64_t target = block == kHeaderBlock ? 0 : (uint64_t(block) + 1) * header.SectorSize;
    data.WriteAt(target, buffer.data(), size);
    offset += 8 + size;
  }
  data.Truncate(header.OriginalSize);
  data.Sync();
  ClearHeader(journal);
  return true;
}

}  // namespace kv::cfb

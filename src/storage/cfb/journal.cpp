#include "storage/cfb/journal.h"

#include <cstring>
#include <vector>

#include "base/error.h"
#include "storage/cfb/byte_order.h"
#include "storage/cfb/cfb_format.h"

namespace kv::cfb {
namespace {

constexpr char kMagic[8] = {'K', 'V', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr size_t kJournalHeaderSize = 32;

uint32_t Checksum(uint32_t seed, const char* data, size_t size) {
  uint32_t h = 2166136261u ^ seed;
  for (size_t i = 0; i < size; ++i) h = (h ^ uint8_t(data[i])) * 16777619u;
  return h;
}

}  // namespace

std::u16string JournalPath(std::u16string_view dataPath) {
  return std::u16string(dataPath) + u"-journal";
}

TJournalWriter::TJournalWriter(std::u16string_view dataPath, uint32_t sectorSize,
                               uint64_t originalSize)
    : FFile(JournalPath(dataPath), TFileHandle::TMode::CreateJournal) {
  char header[kJournalHeaderSize] = {};
  std::memcpy(header, kMagic, sizeof kMagic);
  PutU32(header + 8, sectorSize);
  PutU64(header + 16, originalSize);
  PutU32(header + 24, Checksum(0, header, 24));
  FFile.WriteAt(0, header, sizeof header);
  FEnd = sizeof header;
  SyncParentDirectory(dataPath);
}

void TJournalWriter::Append(uint32_t block, const char* data, size_t size) {
  std::string record(8 + size, '\0');
  PutU32(record.data(), block);
  PutU32(record.data() + 4, Checksum(block, data, size));
  std::memcpy(record.data() + 8, data, size);
  FFile.WriteAt(FEnd, record.data(), record.size());
  FEnd += record.size();
}

void TJournalWriter::Sync() { FFile.Sync(); }

bool RollBackJournal(TFileHandle& data) {
  std::u16string path = JournalPath(data.Path());
  if (!FileExists(path)) return false;
  {
    TFileHandle journal(path, TFileHandle::TMode::Read);
    char header[kJournalHeaderSize];
    bool valid = journal.ReadAt(0, header, sizeof header) == sizeof header &&
                 std::memcmp(header, kMagic, sizeof kMagic) == 0 &&
                 GetU32(header + 24) == Checksum(0, header, 24);
    // A journal whose own header never reached the disk was written before any change of the
    // data file, so there is nothing to undo.
    if (valid) {
      uint32_t sectorSize = GetU32(header + 8);
      uint64_t originalSize = GetU64(header + 16);
      if (sectorSize != 512 && sectorSize != 4096) valid = false;
      uint64_t offset = kJournalHeaderSize;
      std::vector<char> buffer;
      while (valid) {
        char head[8];
        if (journal.ReadAt(offset, head, 8) != 8) break;
        uint32_t block = GetU32(head);
        size_t size = block == kHeaderBlock ? kHeaderSize : sectorSize;
        buffer.resize(size);
        if (journal.ReadAt(offset + 8, buffer.data(), size) != size) break;
        if (Checksum(block, buffer.data(), size) != GetU32(head + 4)) break;
        uint64_t target = block == kHeaderBlock ? 0 : (uint64_t(block) + 1) * sectorSize;
        data.WriteAt(target, buffer.data(), size);
        offset += 8 + size;
      }
      if (valid) {
        data.Truncate(originalSize);
        data.Sync();
      }
    }
  }
  RemoveJournal(data.Path());
  return true;
}

void RemoveJournal(std::u16string_view dataPath) { RemoveFile(JournalPath(dataPath)); }

}  // namespace kv::cfb

#include <cstring>

#include "base/error.h"
#include "storage/cfb/byte_order.h"
#include "storage/cfb/cfb_format.h"

namespace kv::cfb {

bool LooksLikeHeader(std::string_view block) {
  if (block.size() < kHeaderSize) return false;
  if (std::memcmp(block.data(), kSignature.data(), kSignature.size()) != 0) return false;
  if (GetU16(block.data() + 28) != 0xFFFE) return false;
  uint16_t major = GetU16(block.data() + 26);
  uint16_t shift = GetU16(block.data() + 30);
  // Version 3 means 512-byte sectors and version 4 4096-byte ones, but files of either
  // version with the other sector size exist and other readers take them.
  return (major == 3 || major == 4) && (shift == 9 || shift == 12);
}

THeader ParseHeader(std::string_view block, std::u16string_view what) {
  if (!LooksLikeHeader(block)) {
    throw EStorageError(TStorageStatus::InvalidHeader,
                        u"\"" + std::u16string(what) + u"\" is not a compound file");
  }
  const char* p = block.data();
  THeader h;
  h.MinorVersion = GetU16(p + 24);
  h.MajorVersion = GetU16(p + 26);
  h.SectorShift = GetU16(p + 30);
  h.MiniSectorShift = GetU16(p + 32);
  h.DirSectorCount = GetU32(p + 40);
  h.FatSectorCount = GetU32(p + 44);
  h.FirstDirSector = GetU32(p + 48);
  h.TransactionSignature = GetU32(p + 52);
  h.MiniStreamCutoff = GetU32(p + 56);
  h.FirstMiniFatSector = GetU32(p + 60);
  h.MiniFatSectorCount = GetU32(p + 64);
  h.FirstDifatSector = GetU32(p + 68);
  h.DifatSectorCount = GetU32(p + 72);
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) h.Difat[i] = GetU32(p + 76 + 4 * i);
  if (h.MiniSectorShift != 6 || h.MiniStreamCutoff != kMiniStreamCutoff) {
    throw EStorageError(TStorageStatus::InvalidHeader,
                        u"\"" + std::u16string(what) + u"\" has an unsupported mini sector layout");
  }
  return h;
}

void SerializeHeader(const THeader& h, char* p) {
  std::memset(p, 0, kHeaderSize);
  std::memcpy(p, kSignature.data(), kSignature.size());
  PutU16(p + 24, h.MinorVersion);
  PutU16(p + 26, h.MajorVersion);
  PutU16(p + 28, 0xFFFE);
  PutU16(p + 30, h.SectorShift);
  PutU16(p + 32, h.MiniSectorShift);
  PutU32(p + 40, h.MajorVersion == 3 ? 0 : h.DirSectorCount);
  PutU32(p + 44, h.FatSectorCount);
  PutU32(p + 48, h.FirstDirSector);
  PutU32(p + 52, h.TransactionSignature);
  PutU32(p + 56, h.MiniStreamCutoff);
  PutU32(p + 60, h.FirstMiniFatSector);
  PutU32(p + 64, h.MiniFatSectorCount);
  PutU32(p + 68, h.FirstDifatSector);
  PutU32(p + 72, h.DifatSectorCount);
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) PutU32(p + 76 + 4 * i, h.Difat[i]);
}

}  // namespace kv::cfb

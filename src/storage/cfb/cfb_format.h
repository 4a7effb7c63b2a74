// The fixed numbers of the compound file format: the header block, the special sector numbers
// of the allocation tables and the size of a directory entry. Sector numbers are 32 bits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/error.h"

namespace kv::cfb {

// Damage found in a file: an EStorageError (DocFileCorrupt) that names the file or element and
// what is wrong with it.
[[noreturn]] inline void Corrupt(std::u16string_view what, std::u16string_view problem) {
  throw EStorageError(TStorageStatus::DocFileCorrupt,
                      std::u16string(what) + u": " + std::u16string(problem));
}

constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kHeaderDifatCount = 109;
constexpr uint32_t kDirEntrySize = 128;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;  // streams shorter than this live in the mini stream
constexpr size_t kMaxNameLength = 31;         // UTF-16 code units, the terminating NUL excluded

constexpr std::array<uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

using TGuid = std::array<uint8_t, 16>;  // stored byte order

// The header block, as far as this engine needs it.
struct THeader {
  uint16_t MinorVersion = 0x3E;
  uint16_t MajorVersion = 3;
  uint16_t SectorShift = 9;
  uint16_t MiniSectorShift = 6;
  uint32_t DirSectorCount = 0;  // version 4 only
  uint32_t FatSectorCount = 0;
  uint32_t FirstDirSector = kEndOfChain;
  uint32_t TransactionSignature = 0;
  uint32_t MiniStreamCutoff = kMiniStreamCutoff;
  uint32_t FirstMiniFatSector = kEndOfChain;
  uint32_t MiniFatSectorCount = 0;
  uint32_t FirstDifatSector = kEndOfChain;
  uint32_t DifatSectorCount = 0;
  std::array<uint32_t, kHeaderDifatCount> Difat{};

  uint32_t SectorSize() const { return 1u << SectorShift; }
};

// Parses the first 512 bytes; throws EStorageError (InvalidHeader) naming `what` when they are
// not the header of a compound file of version 3 or 4.
THeader ParseHeader(std::string_view block, std::u16string_view what);
// True when the block starts like a compound file header (signature, byte order, versions).
bool LooksLikeHeader(std::string_view block);
void SerializeHeader(const THeader& header, char* block512);

}  // namespace kv::cfb

// The access mode bits of the storage layer (the values of the Windows structured-storage
// calls) and the status records it hands out for elements and property sets.
#pragma once

#include <cstdint>
#include <string>

#include "storage/cfb/cfb_format.h"

namespace kv {

constexpr uint32_t STGM_READ = 0x0;
constexpr uint32_t STGM_READWRITE = 0x2;
constexpr uint32_t STGM_SHARE_EXCLUSIVE = 0x10;
constexpr uint32_t STGM_CREATE = 0x1000;
// The two modes the system uses; STGM_CREATE is added to create.
constexpr uint32_t kModeRead = STGM_READ | STGM_SHARE_EXCLUSIVE;            // 0x10
constexpr uint32_t kModeReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 0x12

inline bool IsWriteMode(uint32_t mode) { return (mode & 0x3) != 0 || (mode & STGM_CREATE) != 0; }

using TGuid = cfb::TGuid;

enum TElementType : uint32_t {
  STGTY_STORAGE = 1,
  STGTY_STREAM = 2,
  STGTY_LOCKBYTES = 3,
  STGTY_PROPERTY = 4
};

// An element's status record.
struct TStatStg {
  std::u16string Name;
  uint32_t Type = 0;
  uint64_t Size = 0;                                                // streams only
  uint64_t ModificationTime = 0, CreationTime = 0, AccessTime = 0;  // FILETIME values
  uint32_t Mode = 0;
  TGuid ClassId{};
  uint32_t StateBits = 0;
};

// A property set's status record.
struct TStatPropSetStg {
  TGuid FormatId{};
  TGuid ClassId{};
  uint32_t Flags = 0;
  uint64_t ModificationTime = 0, CreationTime = 0, AccessTime = 0;
  uint32_t OSVersion = 0;
};

}  // namespace kv

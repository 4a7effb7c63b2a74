// Little-endian integer access to byte buffers. Compound files and property sets store every
// number least significant byte first, whatever the machine.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace kv::cfb {

inline uint16_t GetU16(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return uint16_t(b[0] | (b[1] << 8));
}
inline uint32_t GetU32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}
inline uint64_t GetU64(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return uint64_t(GetU32(b)) | (uint64_t(GetU32(b + 4)) << 32);
}
inline void PutU16(void* p, uint16_t v) {
  auto* b = static_cast<uint8_t*>(p);
  b[0] = uint8_t(v);
  b[1] = uint8_t(v >> 8);
}
inline void PutU32(void* p, uint32_t v) {
  auto* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = uint8_t(v >> (8 * i));
}
inline void PutU64(void* p, uint64_t v) {
  PutU32(p, uint32_t(v));
  PutU32(static_cast<uint8_t*>(p) + 4, uint32_t(v >> 32));
}

// Appending writers for building property sets.
inline void AppendU16(std::string& out, uint16_t v) {
  char b[2];
  PutU16(b, v);
  out.append(b, 2);
}
inline void AppendU32(std::string& out, uint32_t v) {
  char b[4];
  PutU32(b, v);
  out.append(b, 4);
}
inline void AppendU64(std::string& out, uint64_t v) {
  char b[8];
  PutU64(b, v);
  out.append(b, 8);
}

}  // namespace kv::cfb

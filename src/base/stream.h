// Read-only random-access byte sources: a file opened shared and read-only through the platform
// layer, or a buffer in memory. Readers of mail stores take these, never paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kv {

class IReadStream {
 public:
  virtual ~IReadStream() = default;
  virtual uint64_t Size() const = 0;
  // Copies up to `count` bytes from `offset`; returns how many were copied (fewer only at the
  // end of the data, 0 past it). Throws EKolvaneError on an I/O failure.
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

class TMemoryReadStream final : public IReadStream {
 public:
  explicit TMemoryReadStream(std::string bytes) : FBytes(std::move(bytes)) {}
  uint64_t Size() const override { return FBytes.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

 private:
  std::string FBytes;
};

// Reads [offset, offset+count) into a string, shorter at the end of the data.
std::string ReadBytes(IReadStream& stream, uint64_t offset, size_t count);

}  // namespace kv

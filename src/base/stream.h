// Read-only random-access byte sources: a file opened shared and read-only through the platform
// layer, or a buffer in memory. Readers of mail stores take these, never paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace kv {

class IReadStream {
 public:
  virtual ~IReadStream() = default;
  virtual uint64_t Size() const = 0;
  // Copies up to `count` bytes from `offset`; returns how many were copied (fewer only at the
  // end of the data, 0 past it). Throws EKolvaneError on an I/O failure.
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

// A read-only file of a known size, read through the system's positional read: ReadAt repeats
// ReadSome until the bytes asked for are there or the file ends (it may have shrunk since it
// was opened). Its name is the one error messages give.
class TFileReadStream : public IReadStream {
 public:
  uint64_t Size() const override { return FSize; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

 protected:
  TFileReadStream(uint64_t size, std::u16string name) : FSize(size), FName(std::move(name)) {}
  // Reads at most `count` bytes at `offset`; 0 at the end of the file. Throws EKolvaneError
  // naming the file on a failure.
  virtual size_t ReadSome(uint64_t offset, char* buffer, size_t count) = 0;
  const std::u16string& Name() const { return FName; }

 private:
  uint64_t FSize;
  std::u16string FName;
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

// Seekable byte streams as the history data file's codec and line helpers see them: a stream
// of a compound file (TStorageStream) or a buffer in memory (TMemoryStream). A
// TCodeStreamProcedure encodes or decodes the whole of one stream into another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kv {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes at the position and advances it; returns how many were read.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes at the position, growing the stream as needed, and advances it.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual uint64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual uint64_t Size() const = 0;
  virtual void SetSize(uint64_t size) = 0;

  uint64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(uint64_t position) { Seek(int64_t(position), TSeekOrigin::soBeginning); }
  // From the position to the end.
  std::string ReadRest();
};

class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : FBytes(std::move(bytes)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  uint64_t Seek(int64_t offset, TSeekOrigin origin) override;
  uint64_t Size() const override { return FBytes.size(); }
  void SetSize(uint64_t size) override;
  const std::string& Bytes() const { return FBytes; }

 private:
  std::string FBytes;
  size_t FPosition = 0;
};

// Encodes or decodes the whole of Source into Destination (the zlib codec, for one).
using TCodeStreamProcedure = void (*)(TStream& source, TStream& destination);

}  // namespace kv

// A stream of a compound file as the rest of the system handles it: byte access with a
// position, plus the few typed reads and writes the data file's callers use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "storage/byte_stream.h"
#include "storage/storage_ref.h"

namespace kv {

class TStructuredStorage;

class TStorageStream final : public TStream {
 public:
  // Holds `stream` (an empty reference gives an object whose operations do nothing and
  // return 0) and counts as a holder of `storage`.
  TStorageStream(TStorageRef stream, bool writable, TStructuredStorage* storage);
  ~TStorageStream() override;
  TStorageStream(const TStorageStream&) = delete;
  TStorageStream& operator=(const TStorageStream&) = delete;

  const TStorageRef& _IStream() const { return FStream; }
  TStructuredStorage* Parent() const { return FParent; }
  // Storages opened on the way down a path ("a\b\c") live as long as this stream.
  void AdoptParent(std::unique_ptr<TStructuredStorage> parent);

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  uint64_t Seek(int64_t offset, TSeekOrigin origin) override;
  uint64_t Size() const override;
  void SetSize(uint64_t size) override;

  void Clear();  // Position := 0, Size := 0
  // Eight bytes, least significant first.
  void WriteInteger(int64_t value);
  int64_t ReadInteger();
  // Four bytes holding 0 or 1.
  void WriteBoolean(bool value);
  bool ReadBoolean();
  // A 32-bit count of UTF-16 code units, then the units, least significant byte first.
  void WriteString(std::u16string_view text);
  std::u16string ReadString();

 private:
  TStorageRef FStream;
  bool FWritable;
  uint64_t FPosition = 0;
  TStructuredStorage* FParent;
  std::unique_ptr<TStructuredStorage> FOwnedParent;
};

}  // namespace kv

#include "storage/byte_stream.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"

namespace kv {

std::string TStream::ReadRest() {
  uint64_t size = Size(), position = Position();
  std::string bytes(size_t(size > position ? size - position : 0), '\0');
  bytes.resize(Read(bytes.data(), bytes.size()));
  return bytes;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (FPosition >= FBytes.size()) return 0;
  count = std::min(count, FBytes.size() - FPosition);
  std::memcpy(buffer, FBytes.data() + FPosition, count);
  FPosition += count;
  return count;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (FPosition + count > FBytes.size()) FBytes.resize(FPosition + count);
  std::memcpy(FBytes.data() + FPosition, buffer, count);
  FPosition += count;
  return count;
}

uint64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? int64_t(FPosition)
                                                    : int64_t(FBytes.size());
  if (base + offset < 0)
    throw EStorageError(TStorageStatus::InvalidParameter, u"seek before the start of a stream");
  FPosition = size_t(base + offset);
  return FPosition;
}

void TMemoryStream::SetSize(uint64_t size) {
  FBytes.resize(size_t(size));
  FPosition = std::min(FPosition, FBytes.size());
}

}  // namespace kv

#include "base/stream.h"

#include <cstring>

namespace kv {

size_t TMemoryReadStream::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (offset >= FBytes.size()) return 0;
  size_t n = std::min<uint64_t>(count, FBytes.size() - offset);
  std::memcpy(buffer, FBytes.data() + offset, n);
  return n;
}

std::string ReadBytes(IReadStream& stream, uint64_t offset, size_t count) {
  uint64_t size = stream.Size();
  if (offset >= size) return {};
  if (count > size - offset) count = size_t(size - offset);
  std::string out(count, '\0');
  size_t done = 0;
  while (done < count) {
    size_t n = stream.ReadAt(offset + done, out.data() + done, count - done);
    if (n == 0) break;
    done += n;
  }
  out.resize(done);
  return out;
}

size_t TFileReadStream::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (offset >= FSize || count == 0) return 0;
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const size_t n = ReadSome(offset + done, out + done, count - done);
    if (n == 0) break;  // the file shrank since it was opened
    done += n;
  }
  return done;
}

}  // namespace kv

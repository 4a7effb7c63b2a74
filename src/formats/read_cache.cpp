#include "formats/read_cache.h"

#include <algorithm>
#include <cstring>

namespace kv {

TReadCache::TReadCache(IReadStream& stream, size_t windowSize)
    : FStream(stream), FSize(stream.Size()), FWindowSize(windowSize) {}

TReadCache::TWindow& TReadCache::WindowFor(uint64_t start) {
  TWindow* oldest = &FWindows[0];
  for (TWindow& w : FWindows) {
    if (w.Start == start) {
      w.LastUse = ++FClock;
      return w;
    }
    if (w.LastUse < oldest->LastUse) oldest = &w;
  }
  TWindow& w = *oldest;
  // No more than the stream holds from there on: a small file costs its own size only.
  const size_t length = size_t(std::min<uint64_t>(FWindowSize, FSize - start));
  if (w.Bytes.size() < length) w.Bytes.resize(length);
  w.Start = UINT64_MAX;  // stays empty if the read throws
  w.Length = FStream.ReadAt(start, w.Bytes.data(), length);
  w.Start = start;
  w.LastUse = ++FClock;
  return w;
}

size_t TReadCache::Read(uint64_t offset, void* buffer, size_t count) {
  if (offset >= FSize || count == 0) return 0;
  count = size_t(std::min<uint64_t>(count, FSize - offset));
  if (count > FWindowSize) return FStream.ReadAt(offset, buffer, count);
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const uint64_t at = offset + done;
    const uint64_t start = at & ~uint64_t(FWindowSize - 1);
    const TWindow& w = WindowFor(start);
    const size_t inWindow = size_t(at - start);
    if (inWindow >= w.Length) break;  // the stream ended early
    const size_t n = std::min(count - done, w.Length - inWindow);
    std::memcpy(out + done, w.Bytes.data() + inWindow, n);
    done += n;
  }
  return done;
}

std::string_view TReadCache::ViewRead(uint64_t offset, size_t count, std::string& spare) {
  if (offset >= FSize || count == 0) return {};
  count = size_t(std::min<uint64_t>(count, FSize - offset));
  const uint64_t start = offset & ~uint64_t(FWindowSize - 1);
  const size_t inWindow = size_t(offset - start);
  if (inWindow + count <= FWindowSize) {
    const TWindow& w = WindowFor(start);
    if (inWindow >= w.Length) return {};  // the stream ended early
    return {w.Bytes.data() + inWindow, std::min(count, w.Length - inWindow)};
  }
  spare.resize(count);
  spare.resize(Read(offset, spare.data(), count));
  return spare;
}

}  // namespace kv

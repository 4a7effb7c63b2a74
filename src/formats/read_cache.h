// A few cached windows over a read stream, so that the many small reads of a folder listing
// (index nodes, message-info objects, 16-byte block headers) become a few large reads. The
// windows are aligned blocks of the stream, replaced least recently used first; a folder listing
// walks two or three regions of the file in order (the message-info objects and the text blocks),
// so each region keeps its own window. A listing, which reads nearly the whole file, reads it
// through larger windows: every read is a system call, and with the default windows a folder of
// 100,000 messages took over a thousand of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/stream.h"

namespace kv {

class TReadCache {
 public:
  static constexpr size_t kWindowSize = 64 * 1024;
  static constexpr size_t kListingWindowSize = 256 * 1024;
  static constexpr size_t kWindows = 4;

  // `windowSize` is a power of two.
  explicit TReadCache(IReadStream& stream, size_t windowSize = kWindowSize);

  uint64_t Size() const { return FSize; }
  // Copies up to `count` bytes from `offset`; returns how many were copied (fewer only at the
  // end of the stream). Requests larger than a window go to the stream directly.
  size_t Read(uint64_t offset, void* buffer, size_t count);
  // True when all `count` bytes were read.
  bool ReadFull(uint64_t offset, void* buffer, size_t count) {
    return Read(offset, buffer, count) == count;
  }
  // The bytes Read would copy, read in place where they lie in one window, else copied into
  // `spare`. Valid until the next call on the cache or on `spare`.
  std::string_view View(uint64_t offset, size_t count, std::string& spare) {
    // A listing asks a few times per message, nearly always for bytes of a window it holds:
    // those are found here, without a call.
    for (TWindow& w : FWindows) {
      const uint64_t at = offset - w.Start;  // wraps around for an offset before the window
      if (at < w.Length && count <= w.Length - at) {
        w.LastUse = ++FClock;
        return {w.Bytes.data() + at, count};
      }
    }
    return ViewRead(offset, count, spare);
  }

 private:
  struct TWindow {
    uint64_t Start = UINT64_MAX;  // aligned offset; UINT64_MAX when empty
    size_t Length = 0;
    uint64_t LastUse = 0;
    std::string Bytes;
  };
  TWindow& WindowFor(uint64_t start);
  std::string_view ViewRead(uint64_t offset, size_t count, std::string& spare);

  IReadStream& FStream;
  uint64_t FSize;
  size_t FWindowSize;
  uint64_t FClock = 0;
  std::array<TWindow, kWindows> FWindows;
};

}  // namespace kv

// An array of plain values held in chunks that never move once full, so that growing it never
// copies what it holds (a folder's hundred thousand records would otherwise be copied several
// times over while a reader fills them in). The first chunk grows as a vector does up to the
// full size, so a small folder takes little; every full chunk is one large block.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/large_block.h"

namespace kv {

template <class T>
class TChunkedArray {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

 public:
  TChunkedArray() = default;
  TChunkedArray(TChunkedArray&& other) noexcept { *this = std::move(other); }
  TChunkedArray& operator=(TChunkedArray&& other) noexcept {
    FChunks = std::move(other.FChunks);
    FFirstCapacity = std::exchange(other.FFirstCapacity, 0);
    FSize = std::exchange(other.FSize, 0);
    other.FChunks.clear();
    return *this;
  }

  // Elements in a full chunk: a power of two that fills at most one large block.
  static constexpr size_t kChunkBits = [] {
    size_t bits = 0;
    while ((size_t(2) << bits) * sizeof(T) <= kLargeBlockSize) ++bits;
    return bits;
  }();
  static constexpr size_t kChunk = size_t(1) << kChunkBits;

  size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  void clear() {
    FChunks.clear();
    FChunks.shrink_to_fit();
    FFirstCapacity = 0;
    FSize = 0;
  }

  T& operator[](size_t i) { return Chunk(i >> kChunkBits)[i & (kChunk - 1)]; }
  const T& operator[](size_t i) const { return Chunk(i >> kChunkBits)[i & (kChunk - 1)]; }
  T& at(size_t i) {
    if (i >= FSize) throw std::out_of_range("no such element");
    return (*this)[i];
  }
  const T& at(size_t i) const {
    if (i >= FSize) throw std::out_of_range("no such element");
    return (*this)[i];
  }
  T& back() { return (*this)[FSize - 1]; }
  const T& back() const { return (*this)[FSize - 1]; }

  void push_back(const T& value) {
    const size_t chunk = FSize >> kChunkBits, offset = FSize & (kChunk - 1);
    if (chunk == 0 && offset == FFirstCapacity) GrowFirst(std::max<size_t>(64, 2 * offset));
    if (chunk > 0 && offset == 0) FChunks.emplace_back(kChunk * sizeof(T));
    Chunk(chunk)[offset] = value;
    ++FSize;
  }
  // Moves the elements of `other` after those held, each passed through `fix` (T&) on its way;
  // `other` is left empty. When this array ends at a chunk's end, `other`'s chunks are taken
  // over as they stand, without a copy.
  template <class Fix>
  void Append(TChunkedArray&& other, Fix fix) {
    if (other.empty()) return;
    if (FSize % kChunk != 0) {
      for (size_t i = 0; i < other.size(); ++i) {
        T value = other[i];
        fix(value);
        push_back(value);
      }
      other.clear();
      return;
    }
    if (other.FFirstCapacity < kChunk) other.GrowFirst(kChunk);  // more may follow in it
    for (size_t i = 0; i < other.size(); ++i) fix(other[i]);
    if (FSize == 0) FChunks.clear();  // an empty first chunk of its own is dropped
    for (TLargeBlock& block : other.FChunks) FChunks.push_back(std::move(block));
    FSize += other.FSize;
    FFirstCapacity = kChunk;
    other.FChunks.clear();
    other.FFirstCapacity = 0;
    other.FSize = 0;
  }

  // Room for `n` elements in the first chunk (only that one ever grows by copying).
  void reserve(size_t n) {
    if (std::min(n, kChunk) > FFirstCapacity) GrowFirst(n);
  }

  // Heap bytes held.
  size_t Bytes() const {
    size_t bytes = FChunks.capacity() * sizeof(TLargeBlock);
    for (const TLargeBlock& b : FChunks) bytes += b.size();
    return bytes;
  }

 private:
  T* Chunk(size_t c) const { return static_cast<T*>(FChunks[c].data()); }
  void GrowFirst(size_t capacity) {
    capacity = std::min(capacity, kChunk);
    TLargeBlock block(capacity * sizeof(T));
    if (FChunks.empty()) {
      FChunks.push_back(std::move(block));
    } else {
      std::memcpy(block.data(), FChunks[0].data(), FSize * sizeof(T));  // < kChunk
      FChunks[0] = std::move(block);
    }
    FFirstCapacity = capacity;
  }

  std::vector<TLargeBlock> FChunks;
  size_t FFirstCapacity = 0;  // elements the first chunk has room for
  size_t FSize = 0;
};

}  // namespace kv

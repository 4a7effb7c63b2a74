// Memory for the large arrays a folder's records fill (their texts, their entries, the stored
// lines of a folder). A block of kLargeBlockSize or more is taken from the system directly and,
// where the system offers it, backed by huge pages: the first touch of memory is what a large
// folder costs most, and a huge page costs one fault where small pages cost five hundred. A
// block of less than half that size comes from the heap as usual.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr size_t kLargeBlockSize = size_t(2) << 20;

class TLargeBlock {
 public:
  TLargeBlock() = default;
  // At least `bytes` bytes, uninitialised; throws std::bad_alloc when there is no memory.
  explicit TLargeBlock(size_t bytes);
  ~TLargeBlock();
  TLargeBlock(TLargeBlock&& other) noexcept;
  TLargeBlock& operator=(TLargeBlock&& other) noexcept;
  TLargeBlock(const TLargeBlock&) = delete;
  TLargeBlock& operator=(const TLargeBlock&) = delete;

  void* data() const { return FData; }
  size_t size() const { return FSize; }

 private:
  void Release() noexcept;
  void* FData = nullptr;
  size_t FSize = 0;
  bool FMapped = false;  // taken from the system, not from the heap
};

}  // namespace kv

#include "base/large_block.h"

#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kv {

namespace {

#if defined(__linux__)
// A mapping of `bytes` (a multiple of kLargeBlockSize) that starts on a kLargeBlockSize boundary,
// so that every step of it can be one huge page; nullptr when the system refuses.
void* MapAligned(size_t bytes) {
  const size_t span = bytes + kLargeBlockSize;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kLargeBlockSize - 1) & ~uintptr_t(kLargeBlockSize - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  const uintptr_t end = aligned + bytes;
  if (start + span > end) ::munmap(reinterpret_cast<void*>(end), start + span - end);
  // Only advice: where huge pages are off, the block is made of small pages as any other.
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}
#endif

}  // namespace

TLargeBlock::TLargeBlock(size_t bytes) {
#if defined(__linux__)
  // From half a large block on, a whole one: the rest of it is never touched, so it costs
  // address space, not memory.
  if (bytes >= kLargeBlockSize / 2) {
    const size_t rounded = (bytes + kLargeBlockSize - 1) & ~(kLargeBlockSize - 1);
    if (void* p = MapAligned(rounded)) {
      FData = p;
      FSize = rounded;
      FMapped = true;
      return;
    }
  }
#endif
  FData = ::operator new(bytes == 0 ? 1 : bytes);
  FSize = bytes;
}

TLargeBlock::~TLargeBlock() { Release(); }

TLargeBlock::TLargeBlock(TLargeBlock&& other) noexcept
    : FData(std::exchange(other.FData, nullptr)),
      FSize(std::exchange(other.FSize, 0)),
      FMapped(std::exchange(other.FMapped, false)) {}

TLargeBlock& TLargeBlock::operator=(TLargeBlock&& other) noexcept {
  if (this != &other) {
    Release();
    FData = std::exchange(other.FData, nullptr);
    FSize = std::exchange(other.FSize, 0);
    FMapped = std::exchange(other.FMapped, false);
  }
  return *this;
}

void TLargeBlock::Release() noexcept {
  if (!FData) return;
#if defined(__linux__)
  if (FMapped) {
    ::munmap(FData, FSize);
    FData = nullptr;
    return;
  }
#endif
  ::operator delete(FData);
  FData = nullptr;
}

}  // namespace kv

// Live heap bytes and their high-water mark, counted by replacing operator new and delete.
// Include in exactly one file of a benchmark program.
#pragma once

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <utility>

namespace bench {
inline std::atomic<long> gLive{0}, gPeak{0};

// Runs `f`; returns its seconds and the highest rise of live heap bytes, in KB.
template <class F>
std::pair<double, long> Measure(F&& f) {
  const long base = gLive.load();
  gPeak = base;
  auto t0 = std::chrono::steady_clock::now();
  f();
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return {s, (gPeak.load() - base) / 1024};
}

// Measure over `runs` runs: the fastest time (the others met a busy machine) and the highest peak.
template <class F>
std::pair<double, long> MeasureBest(int runs, F&& f) {
  std::pair<double, long> result{1e9, 0};
  for (int i = 0; i < runs; ++i) {
    auto r = Measure(f);
    result.first = std::min(result.first, r.first);
    result.second = std::max(result.second, r.second);
  }
  return result;
}
}  // namespace bench

void* operator new(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  long now = bench::gLive += long(malloc_usable_size(p));
  long peak = bench::gPeak.load();
  while (now > peak && !bench::gPeak.compare_exchange_weak(peak, now)) {}
  return p;
}
// Both forms of delete release through one helper: a sized delete that called the plain
// operator delete would hand a pointer from operator new to a different deallocation function,
// which GCC reports at -O3 once both are inlined (mismatched-new-delete).
namespace bench {
inline void Release(void* p) noexcept {
  if (p) gLive -= long(malloc_usable_size(p));
  std::free(p);
}
}  // namespace bench
void operator delete(void* p) noexcept { bench::Release(p); }
void operator delete(void* p, size_t) noexcept { bench::Release(p); }

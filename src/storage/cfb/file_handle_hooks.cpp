// The parts of the file unit that are the same on every system: the write-fault hook of the
// tests and the count of flushes.
#include <atomic>

#include "storage/cfb/file_handle.h"

namespace kv::cfb {
namespace {

TWriteFaultHook& Hook() {
  static TWriteFaultHook hook;
  return hook;
}

std::atomic<uint64_t> gFlushes{0};

}  // namespace

void SetWriteFaultHook(TWriteFaultHook hook) { Hook() = std::move(hook); }

void CallWriteFaultHook() {
  if (Hook()) Hook()();
}

uint64_t FlushCount() { return gFlushes.load(std::memory_order_relaxed); }

void CountFlush() { gFlushes.fetch_add(1, std::memory_order_relaxed); }

}  // namespace kv::cfb

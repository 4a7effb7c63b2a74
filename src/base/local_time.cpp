#include <atomic>

#include "base/local_time.h"

namespace kv {

namespace {

std::atomic<uint64_t> gZoneGeneration{1};

// The offset of one whole UTC day, per thread (readers of large folders run on several).
struct TKeptDay {
  uint64_t Generation = 0;
  int64_t Day = 0;
  int64_t Offset = 0;
};
thread_local TKeptDay tKept;

int64_t DayOf(int64_t seconds) { return seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0); }

}  // namespace

std::optional<int64_t> LocalOffsetAt(int64_t utcSeconds) {
  const uint64_t generation = gZoneGeneration.load(std::memory_order_relaxed);
  const int64_t day = DayOf(utcSeconds);
  if (tKept.Generation == generation && tKept.Day == day) return tKept.Offset;
  const std::optional<int64_t> first = SystemOffsetAt(day * 86400);
  const std::optional<int64_t> last = SystemOffsetAt(day * 86400 + 86399);
  if (first && last && *first == *last) {
    tKept = {generation, day, *first};
    return *first;
  }
  return SystemOffsetAt(utcSeconds);  // a day the offset changes in
}

void LocalTimeZoneChanged() { gZoneGeneration.fetch_add(1, std::memory_order_relaxed); }

}  // namespace kv

// Local time from the C library's zone database (TZ, /etc/localtime).
#include <time.h>

#include <chrono>

#include "base/local_time.h"

namespace kv {

std::optional<int64_t> SystemOffsetAt(int64_t utcSeconds) {
  const time_t t = static_cast<time_t>(utcSeconds);
  struct tm local {};
  if (localtime_r(&t, &local) == nullptr) return std::nullopt;
  return static_cast<int64_t>(local.tm_gmtoff);
}

int64_t UtcNowSeconds(int& millisecond) {
  using namespace std::chrono;
  const int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  millisecond = int(ms % 1000);
  if (millisecond < 0) millisecond += 1000;
  return (ms - millisecond) / 1000;
}

}  // namespace kv

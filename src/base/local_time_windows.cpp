// Local time from the Windows time-zone rules: the zone the system is set to, with the rules of
// the instant's own year where the zone has rules that changed over the years.
#include <windows.h>

#include "base/local_time.h"

namespace kv {
namespace {

constexpr int64_t kUnixEpochAsFileTime = 116444736000000000;  // 100 ns units since 1601
constexpr int64_t kTicksPerSecond = 10000000;

bool ToSystemTime(int64_t ticks, SYSTEMTIME& st) {
  if (ticks < 0) return false;
  FILETIME ft{DWORD(uint64_t(ticks) & 0xFFFFFFFF), DWORD(uint64_t(ticks) >> 32)};
  return FileTimeToSystemTime(&ft, &st) != 0;
}

int64_t TicksOf(const SYSTEMTIME& st) {
  FILETIME ft{};
  if (!SystemTimeToFileTime(&st, &ft)) return -1;
  return int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

}  // namespace

std::optional<int64_t> SystemOffsetAt(int64_t utcSeconds) {
  // FILETIME begins in 1601; earlier instants have no Windows time-zone answer.
  if (utcSeconds < -11644473600 || utcSeconds > 910692730085) return std::nullopt;
  const int64_t ticks = kUnixEpochAsFileTime + utcSeconds * kTicksPerSecond;
  SYSTEMTIME utc{}, local{};
  if (!ToSystemTime(ticks, utc)) return std::nullopt;
  // The zone's rules for the instant's year (zones whose rules changed keep one set per year).
  DYNAMIC_TIME_ZONE_INFORMATION zone{};
  TIME_ZONE_INFORMATION rules{};
  const bool ofYear = GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID &&
                      GetTimeZoneInformationForYear(utc.wYear, &zone, &rules);
  const BOOL ok = SystemTimeToTzSpecificLocalTime(ofYear ? &rules : nullptr, &utc, &local);
  if (!ok) return std::nullopt;
  const int64_t localTicks = TicksOf(local);
  if (localTicks < 0) return std::nullopt;
  return (localTicks - ticks) / kTicksPerSecond;
}

int64_t UtcNowSeconds(int& millisecond) {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  const int64_t ticks = int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  const int64_t ms = (ticks - kUnixEpochAsFileTime) / 10000;
  millisecond = int(ms % 1000);
  if (millisecond < 0) millisecond += 1000;
  return (ms - millisecond) / 1000;
}

}  // namespace kv

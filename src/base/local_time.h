// The offset of local time from UTC, from the system's time-zone rules. Every conversion between
// UTC and local time in Kolvane goes through this one question, asked for the instant itself, so
// the rules in force on that date apply (a winter date in summer gets the winter offset).
#pragma once

#include <cstdint>
#include <optional>

namespace kv {

// Seconds east of UTC at the instant `utcSeconds` (seconds since 1970-01-01 00:00 UTC); nullopt
// when the system cannot tell for that instant. Asked once per message of a folder, so the answer
// for a whole UTC day is kept when the offset is the same at its first and last second: zones
// change their offset at most twice a year, never twice in one day.
std::optional<int64_t> LocalOffsetAt(int64_t utcSeconds);
// The system's own answer, never kept (each platform has its own).
std::optional<int64_t> SystemOffsetAt(int64_t utcSeconds);
// Forgets the kept answers; a process that changes its zone (a test setting TZ) calls it.
void LocalTimeZoneChanged();
// The current instant as seconds since 1970-01-01 UTC and its millisecond.
int64_t UtcNowSeconds(int& millisecond);

}  // namespace kv

// The local time zone for one test. POSIX takes it from TZ, which the test sets for its scope.
// Windows takes it from the system's settings, which a program cannot change for itself: there
// the zone applies only when the process already runs in it (CTest starts the Windows test
// programs with TZ=Europe/Berlin, which Wine turns into the matching Windows zone); otherwise
// the test is skipped.
#pragma once

#include <time.h>

#include <filesystem>
#include <string>

#include "base/local_time.h"
#include "support/test_env.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kv::test {

class TZoneScope {
 public:
  explicit TZoneScope(const char* zone) : FZone(zone), FOld(GetEnvVar("TZ")) {
#ifndef _WIN32
    SetEnvVar("TZ", zone);
    tzset();
    LocalTimeZoneChanged();
#endif
  }
  ~TZoneScope() {
#ifndef _WIN32
    if (FOld)
      SetEnvVar("TZ", *FOld);
    else
      UnsetEnvVar("TZ");
    tzset();
    LocalTimeZoneChanged();
#endif
  }
  TZoneScope(const TZoneScope&) = delete;
  TZoneScope& operator=(const TZoneScope&) = delete;

  // Whether local time now follows the zone; when not, Reason() says why.
  bool Applies() const {
#ifdef _WIN32
    DYNAMIC_TIME_ZONE_INFORMATION info{};
    if (GetDynamicTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID) return false;
    const std::wstring key = info.TimeZoneKeyName;
    for (const auto& [iana, windows] : kWindowsZones)
      if (FZone == iana && key == windows) return true;
    return false;
#else
    return std::filesystem::exists(std::string("/usr/share/zoneinfo/") + FZone);
#endif
  }
  std::string Reason() const {
#ifdef _WIN32
    return "Windows takes its zone from the system, and this process does not run in " + FZone;
#else
    return "the zone database (tzdata) lacks " + FZone;
#endif
  }

 private:
#ifdef _WIN32
  // The Windows zones with the rules of each zone the tests use (Wine picks any zone whose rules
  // match TZ: Europe/Berlin may come out as Central Europe Standard Time).
  static constexpr std::pair<const char*, const wchar_t*> kWindowsZones[] = {
      {"Europe/Berlin", L"W. Europe Standard Time"},
      {"Europe/Berlin", L"Central Europe Standard Time"},
      {"Europe/Berlin", L"Central European Standard Time"},
      {"Europe/Berlin", L"Romance Standard Time"},
      {"America/New_York", L"Eastern Standard Time"},
      {"Asia/Kolkata", L"India Standard Time"},
      {"UTC", L"UTC"},
      {"UTC", L"Greenwich Standard Time"},
  };
#endif
  std::string FZone;
  std::optional<std::string> FOld;
};

}  // namespace kv::test

// Runs the rest of the test in `zone`, or skips it where that cannot be had.
#define KOLVANE_IN_ZONE(zone)              \
  ::kv::test::TZoneScope zoneScope_(zone); \
  if (!zoneScope_.Applies()) GTEST_SKIP() << zoneScope_.Reason()

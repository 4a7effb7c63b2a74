// The version facts of a program file, and the program's own version record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "system/platform.h"

namespace kv {

struct TVersionInfo {
  std::u16string FileName, FileVersion, Version, ProductName, CompanyName, Description, Comments,
      Copyright, Trademarks, InternalName, OriginalFilename, ProductVersion;
  uint32_t Major = 0, Minor = 0, Release = 0, Build = 0;
  uint32_t ProductMajor = 0, ProductMinor = 0, ProductRelease = 0, ProductBuild = 0;
  std::u16string SpecialBuild;
  bool PreRelease = false;
};

// Fills `info` from raw facts: numbers from the two 32-bit halves (high 16 bits first), texts
// from the string table, and Version "%d.%d.%d.%d" ("... BETA n" for a pre-release).
void VersionInfoFromFacts(const TFileVersionFacts& facts, TVersionInfo& info);

// Clears `info`, sets FileName and fills it from the platform's version facts of the file;
// false when the file has none.
bool GetVersionInfo(IPlatform& platform, std::u16string_view fileName, TVersionInfo& info);

// Kolvane's own version record: product "Kolvane", the version of the build, its legal notice and
// file description.
TFileVersionFacts OwnVersionFacts();

}  // namespace kv

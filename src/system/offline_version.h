// What the registry of an offline tree tells about its Windows: the version record, computer
// name, product name and edition, processor architecture, the system folder and the kinds of
// system (server R2, starter, tablet, media center) that GetSystemMetrics tells on a live one.
#pragma once

#include <cstdint>
#include <string>

#include "system/platform.h"

namespace kv {

class TOfflinePaths;
class TOfflineRegistry;

struct TOfflineVersion {
  TOSVersionRecord Version;
  std::u16string ComputerName, ProductName, EditionId;
  std::u16string SystemRoot;  // "C:\Windows", as the tree spells it
  uint32_t Architecture = kArchitectureX86;
  uint32_t SystemKinds = 0;
};

TOfflineVersion ReadOfflineVersion(const TOfflineRegistry& registry, TOfflinePaths& paths);

}  // namespace kv

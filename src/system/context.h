// The system context: the platform every fact and file operation goes through, and the start-up
// facts computed from it once. Components take the context in their constructors; tests pass one
// built over the fake platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "system/platform.h"
#include "system/version_info.h"

namespace kv {

struct TStartupFacts {
  bool Is64BitHost = false;
  uint32_t ProcessorArchitecture = 0;
  TOSVersionRecord OSVersion;  // CSDVersion as GetOSName left it ("Service Pack 6a")
  std::u16string OSName;
  std::u16string OSEdition;
  std::u16string CurrentUserName;
  std::u16string MachineName;   // upper case
  TVersionInfo ProgramVersion;  // Kolvane's own record
};

class TSystemContext {
 public:
  // Computes the start-up facts, in the order 64-bit host, processor architecture, OS version
  // record, OS name and edition, current user name, machine name, program version.
  explicit TSystemContext(std::unique_ptr<IPlatform> platform);

  TSystemContext(const TSystemContext&) = delete;
  TSystemContext& operator=(const TSystemContext&) = delete;

  IPlatform& Platform() const { return *FPlatform; }
  char16_t Separator() const { return FPlatform->PathSeparator(); }
  const TStartupFacts& Facts() const { return FFacts; }

 private:
  std::unique_ptr<IPlatform> FPlatform;
  TStartupFacts FFacts;
};

}  // namespace kv

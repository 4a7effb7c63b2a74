#include "system/context.h"

#include "system/os_name.h"
#include "system/user_facts.h"

namespace kv {

TSystemContext::TSystemContext(std::unique_ptr<IPlatform> platform)
    : FPlatform(std::move(platform)) {
  IPlatform& p = *FPlatform;
  FFacts.Is64BitHost = p.Is64BitHost();
  FFacts.ProcessorArchitecture = p.ProcessorArchitecture();
  FFacts.OSVersion = p.OSVersion();
  TOSName os = GetOSName(p, FFacts.OSVersion, FFacts.ProcessorArchitecture);
  FFacts.OSName = std::move(os.Name);
  FFacts.OSEdition = std::move(os.Edition);
  FFacts.CurrentUserName = GetCurrentUserName(*this);
  FFacts.MachineName = AsciiUpper(GetMachineName(*this));
  // The program file's own version facts (a version resource on Windows); a program without
  // them (a test program) has the build's.
  if (!GetVersionInfo(p, p.ProgramFile(), FFacts.ProgramVersion)) {
    VersionInfoFromFacts(OwnVersionFacts(), FFacts.ProgramVersion);
    FFacts.ProgramVersion.FileName = p.ProgramFile();
  }
}

}  // namespace kv

#include "system/offline_version.h"

#include <algorithm>
#include <utility>

#include "base/codepage.h"
#include "base/text.h"
#include "system/case_fold.h"
#include "system/offline_paths.h"
#include "system/offline_registry.h"
#include "system/path.h"

namespace kv {
namespace {

constexpr const char16_t* kCurrentVersionKey = u"Microsoft\\Windows NT\\CurrentVersion";

void ReadVersionNumbers(const TOfflineRegistry& registry, TOSVersionRecord& v) {
  auto major = registry.SoftwareValue(kCurrentVersionKey, u"CurrentMajorVersionNumber");
  auto minor = registry.SoftwareValue(kCurrentVersionKey, u"CurrentMinorVersionNumber");
  if (major && !major->IsText()) {
    v.MajorVersion = uint32_t(major->Number);
    v.MinorVersion = minor && !minor->IsText() ? uint32_t(minor->Number) : 0;
  } else {
    TStringList parts = Split(registry.SoftwareText(kCurrentVersionKey, u"CurrentVersion"), u'.');
    if (parts.size() >= 1) v.MajorVersion = uint32_t(std::max(0, StrToIntDef(parts[0], 0)));
    if (parts.size() >= 2) v.MinorVersion = uint32_t(std::max(0, StrToIntDef(parts[1], 0)));
  }
  std::u16string build = registry.SoftwareText(kCurrentVersionKey, u"CurrentBuildNumber");
  if (build.empty()) build = registry.SoftwareText(kCurrentVersionKey, u"CurrentBuild");
  v.BuildNumber = uint32_t(std::max(0, StrToIntDef(build, 0)));
  v.CSDVersion = registry.SoftwareText(kCurrentVersionKey, u"CSDVersion");
  if (v.CSDVersion.size() > 128) v.CSDVersion.resize(128);
  if (auto sp = registry.SystemValue(u"Control\\Windows", u"CSDVersion"); sp && !sp->IsText()) {
    v.ServicePackMajor = uint16_t((sp->Number >> 8) & 0xFF);
    v.ServicePackMinor = uint16_t(sp->Number & 0xFF);
  }
}

void ReadProductOptions(const TOfflineRegistry& registry, TOSVersionRecord& v) {
  std::u16string type = registry.SystemText(u"Control\\ProductOptions", u"ProductType");
  if (SameTextFold(type, u"LanmanNT"))
    v.ProductType = 2;
  else if (SameTextFold(type, u"ServerNT"))
    v.ProductType = 3;
  static constexpr std::pair<const char16_t*, uint16_t> kSuites[] = {
      {u"Small Business", 0x1},
      {u"Enterprise", 0x2},
      {u"BackOffice", 0x4},
      {u"CommunicationServer", 0x8},
      {u"Terminal Server", 0x10},
      {u"Small Business(Restricted)", 0x20},
      {u"EmbeddedNT", 0x40},
      {u"DataCenter", 0x80},
      {u"Personal", 0x200},
      {u"Blade", 0x400},
      {u"Embedded(Restricted)", 0x800},
      {u"Security Appliance", 0x1000},
      {u"Storage Server", 0x2000},
      {u"Compute Server", 0x4000},
      {u"WH Server", 0x8000}};
  for (const std::u16string& s :
       registry.SystemMultiText(u"Control\\ProductOptions", u"ProductSuite")) {
    for (const auto& [name, bit] : kSuites) {
      if (SameTextFold(s, name)) v.SuiteMask |= bit;
    }
  }
}

// The system folder as the registry names it, else the one the tree holds.
std::u16string FindSystemRoot(const TOfflineRegistry& registry, TOfflinePaths& paths) {
  std::u16string root = registry.SoftwareText(kCurrentVersionKey, u"SystemRoot");
  if (!root.empty() && !paths.HostPath(root).empty()) return root;
  for (const char16_t* name : {u"C:\\WINDOWS", u"C:\\WINNT"}) {
    std::string host = paths.HostPath(name);
    if (!host.empty()) return u"C:\\" + ExtractFileName(Utf8ToUtf16(host), u'/');
  }
  return u"C:\\Windows";
}

}  // namespace

TOfflineVersion ReadOfflineVersion(const TOfflineRegistry& registry, TOfflinePaths& paths) {
  TOfflineVersion out;
  out.Version.PlatformId = kPlatformWin32NT;
  out.Version.ProductType = 1;
  out.ComputerName = registry.SystemText(u"Control\\ComputerName\\ComputerName", u"ComputerName");
  ReadVersionNumbers(registry, out.Version);
  ReadProductOptions(registry, out.Version);
  out.ProductName = registry.SoftwareText(kCurrentVersionKey, u"ProductName");
  // Windows 11 still calls itself "Windows 10" in ProductName; its build number tells.
  if (out.Version.MajorVersion == 10 && out.Version.BuildNumber >= 22000 &&
      StartsWithAscii(out.ProductName, u"Windows 10")) {
    out.ProductName = u"Windows 11" + out.ProductName.substr(10);
  }
  out.EditionId = registry.SoftwareText(kCurrentVersionKey, u"EditionID");
  const std::u16string& name = out.ProductName;
  if (FindFold(name, u" R2") != std::u16string::npos) out.SystemKinds |= skServerR2;
  if (FindFold(name, u"Starter") != std::u16string::npos) out.SystemKinds |= skStarter;
  if (FindFold(name, u"Tablet PC") != std::u16string::npos) out.SystemKinds |= skTabletPC;
  if (FindFold(name, u"Media Center") != std::u16string::npos) out.SystemKinds |= skMediaCenter;
  std::u16string arch =
      registry.SystemText(u"Control\\Session Manager\\Environment", u"PROCESSOR_ARCHITECTURE");
  if (SameTextFold(arch, u"AMD64"))
    out.Architecture = kArchitectureX64;
  else if (SameTextFold(arch, u"IA64"))
    out.Architecture = kArchitectureIA64;
  else if (SameTextFold(arch, u"ARM64"))
    out.Architecture = kArchitectureArm64;
  out.SystemRoot = FindSystemRoot(registry, paths);
  return out;
}

}  // namespace kv

#include "system/os_name.h"

#include "base/text.h"
#include "system/registry.h"

namespace kv {
namespace {

struct TProductType {
  uint32_t Number;
  const char16_t* Name;
};

// The editions of the product-information query.
constexpr TProductType kProductTypes[] = {
    {0, u"An unknown product"},
    {1, u"Ultimate"},
    {2, u"Home Basic"},
    {3, u"Home Premium"},
    {4, u"Enterprise"},
    {5, u"Home Basic N"},
    {6, u"Business"},
    {7, u"Standard Full"},
    {8, u"Datacenter Full"},
    {9, u"Windows Small Business Server"},
    {10, u"Enterprise Full"},
    {11, u"Starter"},
    {12, u"Datacenter Core"},
    {13, u"Standard Core"},
    {14, u"Enterprise Core"},
    {15, u"Enterprise for Itanium-based Systems"},
    {16, u"Business N"},
    {17, u"Web Server Full"},
    {18, u"HPC Edition"},
    {20, u"Storage Server Express"},
    {21, u"Storage Server Standard"},
    {22, u"Storage Server Workgroup"},
    {23, u"Storage Server Enterprise"},
    {24, u"Windows Essential Server Solutions"},
    {26, u"Home Premium N"},
    {27, u"Enterprise N"},
    {28, u"Ultimate N"},
    {29, u"Web Server Core"},
    {30, u"Windows Essential Business Server Management Server"},
    {31, u"Windows Essential Business Server Security Server"},
    {32, u"Windows Essential Business Server Messaging Server"},
    {33, u"Server Foundation"},
    {35, u"without Hyper-V for Windows Essential Server Solutions"},
    {36, u"Standard without Hyper-V Full"},
    {37, u"Datacenter without Hyper-V Full"},
    {38, u"Enterprise without Hyper-V Full"},
    {39, u"Datacenter without Hyper-V Core"},
    {40, u"Standard without Hyper-V Core"},
    {41, u"Enterprise without Hyper-V Core"},
    {42, u"Microsoft Hyper-V Server"},
    {47, u"Starter N"},
    {48, u"Professional"},
    {49, u"Professional N"},
    {66, u"Starter E"},
    {67, u"Home Basic E"},
    {68, u"Home Premium E"},
    {69, u"Professional E"},
    {70, u"Enterprise E"},
    {71, u"Ultimate E"},
};

// Names of version 6.x by minor version: workstation, server (empty: no name).
struct TVistaFamily {
  uint32_t Minor;
  const char16_t* Workstation;
  const char16_t* Server;
};
constexpr TVistaFamily kVistaFamily[] = {
    {0, u"Windows Vista", u"Windows Server 2008"},
    {1, u"Windows 7", u"Windows Server 2008 R2"},
    {2, u"Windows 8", u""},
};

// Suite bits and the edition they name: the first bit set wins, `Fallback` when none is.
struct TSuiteEdition {
  uint16_t Bit;
  const char16_t* Edition;
};
constexpr TSuiteEdition kServer2003Itanium[] = {{0x80, u"Datacenter for Itanium-based Systems"},
                                                {0x2, u"Enterprise for Itanium-based Systems"}};
constexpr TSuiteEdition kServer2003X64[] = {{0x80, u"Datacenter x64"}, {0x2, u"Enterprise x64"}};
constexpr TSuiteEdition kServer2003[] = {
    {0x4000, u"Compute Cluster"}, {0x80, u"Datacenter"}, {0x2, u"Enterprise"}, {0x400, u"Web"}};
constexpr TSuiteEdition kServer2003Names[] = {{0x2000, u"Windows Storage Server 2003"},
                                              {0x8000, u"Windows Home Server"}};
constexpr TSuiteEdition kWindows2000Server[] = {{0x80, u"Datacenter Server"},
                                                {0x2, u"Advanced Server"}};
constexpr TSuiteEdition kNT4Server[] = {{0x2, u"Server 4.0, Enterprise"}};
constexpr TSuiteEdition kXPKinds[] = {  // system kinds, checked in this order
    {skStarter, u" Starter"},
    {skTabletPC, u" Tablet PC"},
    {skMediaCenter, u" Media Center"}};

struct TNamedType {
  const char16_t* Value;
  const char16_t* Edition;
};
constexpr TNamedType kNT4ProductTypes[] = {
    {u"WINNT", u"Workstation"}, {u"LANMANNT", u"Server"}, {u"SERVERNT", u"Advanced Server"}};

template <size_t N>
std::u16string BySuite(const TSuiteEdition (&table)[N], uint32_t bits, const char16_t* fallback) {
  for (const TSuiteEdition& e : table) {
    if (bits & e.Bit) return e.Edition;
  }
  return fallback;
}

char16_t SecondChar(const std::u16string& text) { return text.size() >= 2 ? text[1] : 0; }

constexpr const char16_t* kProductOptionsKey =
    u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr const char16_t* kHotfixKey =
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";

void WindowsName(IPlatform& platform, TOSVersionRecord& v, uint32_t arch, TOSName& out) {
  const bool workstation = v.ProductType == 1;
  if (v.PlatformId == kPlatformWin32Windows) {
    if (v.MajorVersion == 4 && v.MinorVersion == 0) {
      out.Name = u"Windows 95";
      switch (SecondChar(v.CSDVersion)) {
        case u'A': out.Edition = u"OSR 1"; break;
        case u'B': out.Edition = u"OSR 2"; break;
        case u'C': out.Edition = u"OSR 2.5"; break;
        default: break;
      }
    } else if (v.MajorVersion == 4 && v.MinorVersion == 10) {
      out.Name = u"Windows 98";
      char16_t c = SecondChar(v.CSDVersion);
      if (c == u'A' || c == u'B') out.Edition = u"SE";
    } else if (v.MajorVersion == 4 && v.MinorVersion == 90) {
      out.Name = u"Windows Millennium Edition";
    }
    return;
  }
  if (v.PlatformId != kPlatformWin32NT) return;

  if (v.MajorVersion == 6) {
    for (const TVistaFamily& f : kVistaFamily) {
      if (f.Minor == v.MinorVersion) out.Name = workstation ? f.Workstation : f.Server;
    }
    std::optional<uint32_t> type = platform.ProductInfo(v.MajorVersion, v.MinorVersion,
                                                        v.ServicePackMajor, v.ServicePackMinor);
    if (type) {
      if (std::optional<std::u16string> name = ProductTypeName(*type)) out.Edition = *name;
    }
    if (arch == kArchitectureX64)
      out.Edition = out.Edition.empty() ? u"x64" : out.Edition + u" x64";
  } else if (v.MajorVersion == 5 && v.MinorVersion == 2) {
    if (workstation && arch == kArchitectureX64) {
      out.Name = u"Windows XP";
      out.Edition = u"Professional x64";
    } else {
      out.Name = (platform.SystemKinds() & skServerR2)
                     ? u"Windows Server 2003 R2"
                     : BySuite(kServer2003Names, v.SuiteMask, u"Windows Server 2003");
      if (arch == kArchitectureIA64) {
        out.Edition = BySuite(kServer2003Itanium, v.SuiteMask, u"");
      } else if (arch == kArchitectureX64) {
        out.Edition = BySuite(kServer2003X64, v.SuiteMask, u"Standard x64");
      } else {
        out.Edition = BySuite(kServer2003, v.SuiteMask, u"Standard");
      }
    }
  } else if (v.MajorVersion == 5 && v.MinorVersion == 1) {
    out.Name = u"Windows XP";
    out.Edition = (v.SuiteMask & 0x200) ? u"Home" : u"Professional";
    out.Edition += BySuite(kXPKinds, platform.SystemKinds(), u"");
  } else if (v.MajorVersion == 5 && v.MinorVersion == 0) {
    out.Name = u"Windows 2000";
    out.Edition =
        workstation ? u"Professional" : BySuite(kWindows2000Server, v.SuiteMask, u"Server");
  } else if (v.MajorVersion == 4) {
    out.Name = u"Windows NT 4";
    out.Edition = workstation ? u"Workstation" : BySuite(kNT4Server, v.SuiteMask, u"Server 4.0");
    if (std::optional<std::u16string> type = ReadRegistryText(platform, TRegistryRoot::LocalMachine,
                                                              kProductOptionsKey, u"ProductType")) {
      for (const TNamedType& t : kNT4ProductTypes) {
        if (SameTextAscii(*type, t.Value)) out.Edition = t.Edition;
      }
    }
    std::optional<TRegistryValue> installed =
        ReadRegistryValue(platform, TRegistryRoot::LocalMachine, kHotfixKey, u"Installed");
    bool hotfix =
        installed && (installed->IsText() ? installed->Text == u"1" : installed->Number == 1);
    if (hotfix && v.CSDVersion == u"Service Pack 6") v.CSDVersion = u"Service Pack 6a";
  }
}

}  // namespace

std::u16string ProductNameOfBuild(std::u16string productName, uint32_t major, uint32_t build) {
  if (major == 10 && build >= 22000 && StartsWithAscii(productName, u"Windows 10"))
    return u"Windows 11" + productName.substr(10);
  return productName;
}

std::optional<std::u16string> ProductTypeName(uint32_t productType) {
  for (const TProductType& t : kProductTypes) {
    if (t.Number == productType) return std::u16string(t.Name);
  }
  return std::nullopt;
}

std::optional<uint32_t> ProductTypeFromEditionId(std::u16string_view edition) {
  auto squeeze = [](std::u16string_view s) {
    std::u16string out;
    for (char16_t c : s) {
      if (c != u' ') out += AsciiUpperChar(c);
    }
    return out;
  };
  std::u16string wanted = squeeze(edition);
  if (wanted.empty()) return std::nullopt;
  for (const TProductType& t : kProductTypes) {
    if (squeeze(t.Name) == wanted) return t.Number;
  }
  return std::nullopt;
}

TOSName GetOSName(IPlatform& platform, TOSVersionRecord& version, uint32_t architecture) {
  TOSName out;
  WindowsName(platform, version, architecture, out);
  out.Edition = Trim(out.Edition);
  if (out.Name.empty()) {
    if (auto own = platform.OwnOSName()) {
      out.Name = Trim(own->first);
      out.Edition = Trim(own->second);
    }
  }
  return out;
}

}  // namespace kv

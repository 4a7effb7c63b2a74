#include "system/version_info.h"

#include "base/text.h"

#ifndef KOLVANE_VERSION_MAJOR
#error "KOLVANE_VERSION_MAJOR/MINOR/PATCH come from the project version (src/system/CMakeLists.txt)"
#endif

namespace kv {
namespace {

// "%d.%d.%d.%d", appended piece by piece.
std::u16string DottedVersion(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  std::u16string out;
  for (uint32_t part : {a, b, c, d}) {
    if (!out.empty()) out += u'.';
    out += UIntToStr(part);
  }
  return out;
}

}  // namespace

void VersionInfoFromFacts(const TFileVersionFacts& facts, TVersionInfo& info) {
  info.Major = facts.FileVersionMS >> 16;
  info.Minor = facts.FileVersionMS & 0xFFFF;
  info.Release = facts.FileVersionLS >> 16;
  info.Build = facts.FileVersionLS & 0xFFFF;
  info.ProductMajor = facts.ProductVersionMS >> 16;
  info.ProductMinor = facts.ProductVersionMS & 0xFFFF;
  info.ProductRelease = facts.ProductVersionLS >> 16;
  info.ProductBuild = facts.ProductVersionLS & 0xFFFF;
  info.PreRelease = (facts.FileFlags & 0x2) != 0;

  struct Slot {
    const char16_t* name;
    std::u16string TVersionInfo::*field;
  };
  static const Slot kSlots[] = {
      {u"ProductVersion", &TVersionInfo::ProductVersion},
      {u"FileVersion", &TVersionInfo::FileVersion},
      {u"FileDescription", &TVersionInfo::Description},
      {u"LegalCopyright", &TVersionInfo::Copyright},
      {u"LegalTrademarks", &TVersionInfo::Trademarks},
      {u"Comments", &TVersionInfo::Comments},
      {u"SpecialBuild", &TVersionInfo::SpecialBuild},
      {u"ProductName", &TVersionInfo::ProductName},
      {u"CompanyName", &TVersionInfo::CompanyName},
      {u"InternalName", &TVersionInfo::InternalName},
      {u"OriginalFileName", &TVersionInfo::OriginalFilename},
  };
  for (const Slot& slot : kSlots) {
    for (const auto& [name, value] : facts.Strings) {
      if (SameTextAscii(name, slot.name)) {
        info.*slot.field = value;
        break;
      }
    }
  }

  info.Version = DottedVersion(info.Major, info.Minor, info.Release, info.Build);
  if (info.PreRelease) {
    info.Version += u" BETA";
    if (info.Build != 0) {
      info.Version += u' ';
      info.Version += UIntToStr(info.Build);
    }
  }
}

bool GetVersionInfo(IPlatform& platform, std::u16string_view fileName, TVersionInfo& info) {
  info = TVersionInfo{};
  info.FileName = std::u16string(fileName);
  std::optional<TFileVersionFacts> facts = platform.FileVersion(fileName);
  if (!facts) return false;
  VersionInfoFromFacts(*facts, info);
  return true;
}

TFileVersionFacts OwnVersionFacts() {
  constexpr uint32_t kMajor = KOLVANE_VERSION_MAJOR, kMinor = KOLVANE_VERSION_MINOR,
                     kPatch = KOLVANE_VERSION_PATCH;
  TFileVersionFacts f;
  f.FileVersionMS = f.ProductVersionMS = (kMajor << 16) | (kMinor & 0xFFFF);
  f.FileVersionLS = f.ProductVersionLS = (kPatch << 16);
  std::u16string version = DottedVersion(kMajor, kMinor, kPatch, 0);
  f.Strings = {
      {u"ProductName", u"Kolvane"},
      {u"FileDescription", u"Kolvane mail history"},
      {u"LegalCopyright", u"Copyright (C) 2026 the Kolvane authors"},
      {u"CompanyName", u"Kolvane"},
      {u"InternalName", u"kolvane"},
      {u"OriginalFileName", u"kolvane"},
      {u"FileVersion", version},
      {u"ProductVersion", version},
  };
  return f;
}

}  // namespace kv

// The name and edition of the operating system, decided by the OS version record and the
// processor architecture through the tables in os_name.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "system/platform.h"

namespace kv {

struct TOSName {
  std::u16string Name;
  std::u16string Edition;
};

// May change version.CSDVersion ("Service Pack 6" becomes "Service Pack 6a" on an NT 4 with the
// Q246009 hotfix). When the tables give no name (a later Windows, or a system outside the
// Windows families) the platform's own name and edition are taken.
TOSName GetOSName(IPlatform& platform, TOSVersionRecord& version, uint32_t architecture);

// The registry's ProductName of a Windows with this version: Windows 11 still calls itself
// "Windows 10" there, and its build number (22000 on) tells.
std::u16string ProductNameOfBuild(std::u16string productName, uint32_t major, uint32_t build);

// The edition name of a product-type number; nullopt outside the table.
std::optional<std::u16string> ProductTypeName(uint32_t productType);
// The product-type number whose name equals `edition` with blanks ignored and case folded
// ("HomePremium" -> 3); nullopt when none does.
std::optional<uint32_t> ProductTypeFromEditionId(std::u16string_view edition);

}  // namespace kv

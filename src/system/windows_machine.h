// Facts of the live Windows machine: the real version record (RtlGetVersion, which no
// compatibility shim changes), the product type, system kinds, addresses, workgroup, special
// folders, the environment and the version resources of program files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"
#include "system/platform.h"

namespace kv {

TOSVersionRecord WindowsVersionRecord();
uint32_t WindowsProcessorArchitecture();
bool WindowsIs64BitHost();
std::optional<uint32_t> WindowsProductInfo(uint32_t major, uint32_t minor, uint32_t spMajor,
                                           uint32_t spMinor);
uint32_t WindowsSystemKinds();
bool WindowsIsRemoteSession();
std::u16string WindowsComputerName();
TStringList WindowsEnvironment();
// The host name's IPv4 addresses, through the socket library (version 1.1) and the resolver.
TStringList WindowsIPv4Addresses();
std::u16string WindowsWorkgroup(std::u16string_view server);
std::u16string WindowsSpecialFolder(int id);
std::u16string WindowsProgramFile();
std::optional<TFileVersionFacts> WindowsFileVersion(std::u16string_view path);

}  // namespace kv

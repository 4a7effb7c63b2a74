// The live Linux machine as a platform. Paths use "/".
//
// How the Windows-shaped facts are answered here:
// - OS version record: platform id kPlatformLinux (1000, a number no Windows family uses: those
//   are 0 Win32s, 1 Windows 9x, 2 NT, 3 CE); major, minor and build from the kernel release
//   ("6.1.0-18-amd64" -> 6, 1, 0); the service-pack text is the whole kernel release; product
//   type 1. Name and edition are NAME and VERSION (else VERSION_ID) of /etc/os-release.
// - Special folders: 0 (desktop) is $HOME/Desktop; 26 (roaming application data) is the home
//   folder itself, where Linux mail clients keep their per-user folders (~/.thunderbird,
//   ~/.mozilla-thunderbird, ~/.icedove); 28 (local application data) is $XDG_DATA_HOME, else
//   $HOME/.local/share. The home folder is $HOME when set, else the password database's.
// - No registry (every key is absent) and no SIDs (GetUserSID is empty).
// - Session: remote when SSH_CONNECTION, SSH_CLIENT or SSH_TTY is set; virtual machines from the
//   DMI product name and vendor; administrator = effective uid 0 or membership of the sudo, wheel
//   or admin group; IPv4 addresses of the non-loopback interfaces.
#pragma once

#include <memory>

#include "system/platform.h"

namespace kv {

constexpr uint32_t kPlatformLinux = 1000;

std::unique_ptr<IPlatform> MakeLinuxPlatform();

// Parsing helpers, exposed for tests.
// NAME and VERSION (else VERSION_ID) of an os-release text; values may be quoted.
std::pair<std::u16string, std::u16string> ParseOsRelease(std::string_view text);
// Leading numbers of a kernel release: "6.1.0-18-amd64" -> {6, 1, 0}.
void ParseKernelRelease(std::string_view release, uint32_t& major, uint32_t& minor,
                        uint32_t& build);
// vm* bits named by a DMI product name and vendor.
uint32_t VirtualMachinesFromDmi(std::string_view product, std::string_view vendor);

}  // namespace kv

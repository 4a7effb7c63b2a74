// The live Windows registry through advapi32, read only: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER
// and HKEY_USERS, always in the 64-bit view (not the one redirected for 32-bit programs).
#pragma once

#include <memory>
#include <string_view>

#include "system/platform.h"

namespace kv {

// nullptr when the key is absent or cannot be opened for reading. `path` may begin with "\".
std::unique_ptr<IRegistryKey> OpenWindowsKey(TRegistryRoot root, std::u16string_view path);

}  // namespace kv

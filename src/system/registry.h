// Reading single registry values through the platform: the small helpers every caller wants.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "system/platform.h"

namespace kv {

std::optional<TRegistryValue> ReadRegistryValue(IPlatform& platform, TRegistryRoot root,
                                                std::u16string_view key, std::u16string_view name);
// The text of a REG_SZ or REG_EXPAND_SZ value (unexpanded); nullopt when absent or a number.
std::optional<std::u16string> ReadRegistryText(IPlatform& platform, TRegistryRoot root,
                                               std::u16string_view key, std::u16string_view name);
bool RegistryKeyExists(IPlatform& platform, TRegistryRoot root, std::u16string_view key);

}  // namespace kv

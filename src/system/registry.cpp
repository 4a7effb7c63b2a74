#include "system/registry.h"

namespace kv {

std::optional<TRegistryValue> ReadRegistryValue(IPlatform& platform, TRegistryRoot root,
                                                std::u16string_view key, std::u16string_view name) {
  std::unique_ptr<IRegistryKey> k = platform.OpenKey(root, key);
  if (!k) return std::nullopt;
  return k->Value(name);
}

std::optional<std::u16string> ReadRegistryText(IPlatform& platform, TRegistryRoot root,
                                               std::u16string_view key, std::u16string_view name) {
  std::optional<TRegistryValue> v = ReadRegistryValue(platform, root, key, name);
  if (!v || !v->IsText()) return std::nullopt;
  return std::move(v->Text);
}

bool RegistryKeyExists(IPlatform& platform, TRegistryRoot root, std::u16string_view key) {
  return platform.OpenKey(root, key) != nullptr;
}

}  // namespace kv

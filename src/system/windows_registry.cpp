#include "system/windows_registry.h"

#include <windows.h>

#include <vector>

#include "base/windows_text.h"

namespace kv {
namespace {

class TWindowsKey final : public IRegistryKey {
 public:
  explicit TWindowsKey(HKEY key) : FKey(key) {}
  ~TWindowsKey() override { RegCloseKey(FKey); }
  TWindowsKey(const TWindowsKey&) = delete;
  TWindowsKey& operator=(const TWindowsKey&) = delete;

  std::optional<TRegistryValue> Value(std::u16string_view name) override {
    const std::wstring n = Wide(name);
    std::vector<BYTE> data(256);
    DWORD type = 0;
    for (;;) {
      DWORD size = DWORD(data.size());
      const LSTATUS r = RegQueryValueExW(FKey, n.c_str(), nullptr, &type, data.data(), &size);
      if (r == ERROR_MORE_DATA && size > data.size()) {
        data.resize(size + 2);
        continue;
      }
      if (r != ERROR_SUCCESS) return std::nullopt;
      data.resize(size);
      break;
    }
    switch (type) {
      case REG_SZ:
      case REG_EXPAND_SZ: {
        std::u16string text(data.size() / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i)
          text[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
        // The stored terminator (and any padding after it) is not part of the text.
        const size_t nul = text.find(u'\0');
        if (nul != std::u16string::npos) text.resize(nul);
        return TRegistryValue::FromText(std::move(text), type == REG_EXPAND_SZ);
      }
      case REG_DWORD:
        if (data.size() < 4) return std::nullopt;
        return TRegistryValue::FromDWord(data[0] | (data[1] << 8) | (data[2] << 16) |
                                         (uint32_t(data[3]) << 24));
      case REG_QWORD: {
        if (data.size() < 8) return std::nullopt;
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | data[size_t(i)];
        return TRegistryValue::FromQWord(v);
      }
      default: return std::nullopt;
    }
  }

  TStringList SubKeyNames() override {
    TStringList out;
    wchar_t name[256];  // key names are at most 255 characters
    for (DWORD i = 0;; ++i) {
      DWORD length = DWORD(std::size(name));
      const LSTATUS r = RegEnumKeyExW(FKey, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (r != ERROR_SUCCESS) break;
      out.push_back(FromWide(name, length));
    }
    return out;
  }

  TStringList ValueNames() override {
    TStringList out;
    std::vector<wchar_t> name(16384);  // value names are at most 16383 characters
    for (DWORD i = 0;; ++i) {
      DWORD length = DWORD(name.size());
      const LSTATUS r =
          RegEnumValueW(FKey, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (r != ERROR_SUCCESS) break;
      out.push_back(FromWide(name.data(), length));
    }
    return out;
  }

 private:
  HKEY FKey;
};

HKEY RootKey(TRegistryRoot root) {
  switch (root) {
    case TRegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case TRegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case TRegistryRoot::Users: return HKEY_USERS;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<IRegistryKey> OpenWindowsKey(TRegistryRoot root, std::u16string_view path) {
  while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<TWindowsKey>(key);
}

}  // namespace kv

#include "base/windows_text.h"

#include <windows.h>

#include "base/text.h"

namespace kv {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string FromWide(const wchar_t* text, size_t length) {
  return text ? std::u16string(text, text + length) : std::u16string();
}

std::u16string FromWide(const wchar_t* text) { return text ? FromWide(text, wcslen(text)) : u""; }

std::wstring LongPath(std::u16string_view path) {
  std::wstring p = Wide(path);
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  if (p.starts_with(L"\\\\?\\") || p.empty()) return p;
  // GetFullPathNameW takes and gives paths of any length.
  DWORD size = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
  if (size == 0) return p;
  std::wstring full(size, L'\0');
  DWORD made = GetFullPathNameW(p.c_str(), size, full.data(), nullptr);
  if (made == 0 || made >= size) return p;
  full.resize(made);
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::u16string SystemErrorText(uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text = n ? FromWide(buffer, n) : std::u16string();
  if (buffer) LocalFree(buffer);
  text = Trim(text);
  while (!text.empty() && text.back() == u'.') text.pop_back();
  return text.empty() ? u"error " + UIntToStr(code) : text;
}

}  // namespace kv

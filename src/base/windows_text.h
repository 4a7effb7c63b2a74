// The edge between Kolvane's UTF-16 text and the wide-character Windows API (wchar_t is UTF-16
// there), long-path forms of file names, and the system's message text of an error code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

std::wstring Wide(std::u16string_view text);
std::u16string FromWide(const wchar_t* text, size_t length);
std::u16string FromWide(const wchar_t* text);  // NUL-terminated; nullptr gives ""

// A file name as the wide API takes it beyond MAX_PATH: made absolute and normalised ("/" as
// "\", "." and ".." applied), then "\\?\C:\..." or "\\?\UNC\server\share\...".
std::wstring LongPath(std::u16string_view path);

// The system's text for an error code (GetLastError, registry and network results), without the
// trailing line end; "error N" when the system has none.
std::u16string SystemErrorText(uint32_t code);

}  // namespace kv

// File names on the command line and in messages are UTF-8; std::filesystem takes and gives them
// as such through its char8_t forms, on Windows (where a plain std::string would be read in the
// ANSI code page) as on POSIX.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kv {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8OfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kv

#include "app/data_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kv {

std::u16string LocalDataFile(const std::string& programFolder, std::u16string_view fileName) {
  namespace fs = std::filesystem;
  if (::access(programFolder.c_str(), W_OK) == 0) return {};
  fs::path folder;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
    folder = fs::path(xdg) / "kolvane";
  else if (const char* home = std::getenv("HOME"); home && *home)
    folder = fs::path(home) / ".local/share/kolvane";
  else
    return {};
  std::error_code ec;
  fs::create_directories(folder, ec);
  return (folder / fs::path(std::u16string(fileName))).u16string();
}

}  // namespace kv

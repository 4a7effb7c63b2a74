// The environment of kolvane-cli on Linux: the live machine, offline Windows trees through
// hivex, the program's folder from /proc/self/exe, the XDG data folder.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "cli/cli_app.h"
#include "system/linux_platform.h"
#include "system/offline_windows_platform.h"

namespace kv {

TCliEnvironment ProcessEnvironment(const char* argv0) {
  namespace fs = std::filesystem;
  TCliEnvironment env;
  env.LivePlatform = [] { return MakeLinuxPlatform(); };
  env.WindowsTreePlatform = [](const std::string& root, std::u16string_view user) {
    return std::unique_ptr<IPlatform>(OpenOfflineWindowsTree(root, user));
  };
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec && argv0) self = fs::absolute(argv0, ec);
  env.ProgramFolder = self.parent_path().string();
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
    env.DataFolder = (fs::path(xdg) / "kolvane").string();
  else if (const char* home = std::getenv("HOME"); home && *home)
    env.DataFolder = (fs::path(home) / ".local/share/kolvane").string();
  else
    env.DataFolder = ".";
  env.ProgressOnTerminal = ::isatty(STDERR_FILENO) == 1;
  return env;
}

}  // namespace kv

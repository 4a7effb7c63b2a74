// The environment of kolvane-cli.exe on Windows: the live machine, the program's folder from
// GetModuleFileNameW, the local application-data folder for the history file when the
// program's folder cannot take it (Program Files). Offline trees are refused (see
// windows_offline_tree.cpp).
#include <windows.h>

#include "base/codepage.h"
#include "cli/cli_app.h"
#include "cli/utf8_path.h"
#include "system/offline_windows_platform.h"
#include "system/windows_platform.h"

namespace kv {

TCliEnvironment ProcessEnvironment(const char*) {
  TCliEnvironment env;
  env.LivePlatform = [] { return MakeWindowsPlatform(); };
  env.WindowsTreePlatform = [](const std::string& root, std::u16string_view user) {
    return std::unique_ptr<IPlatform>(OpenOfflineWindowsTree(root, user));
  };
  auto platform = MakeWindowsPlatform();
  const std::filesystem::path self(platform->ProgramFile());
  env.ProgramFolder = Utf8OfPath(self.parent_path());
  const std::u16string local = platform->SpecialFolder(sfLocalAppData);
  env.DataFolder = local.empty() ? "." : Utf8OfPath(std::filesystem::path(local) / "Kolvane");
  // The progress line redraws itself with terminal escapes: only on a console that takes them.
  HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  env.ProgressOnTerminal = GetConsoleMode(console, &mode) &&
                           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  return env;
}

}  // namespace kv

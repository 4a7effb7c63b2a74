// The desktop program's command line: its options, and the other arguments, which the main
// window rejoins into the paths of history files to open.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv {

struct TProgramOptions {
  bool Help = false, Version = false, Scan = false;
  std::optional<std::string> WindowsRoot;
  std::u16string User;
  std::vector<std::u16string> Files;
  std::string Error;  // a usage error, or empty
};

TProgramOptions ParseProgramOptions(int argc, const char* const* argv);
std::string ProgramHelpText();

}  // namespace kv

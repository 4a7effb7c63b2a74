// kolvane-cli's commands: scan a machine or an offline Windows tree into a history data file,
// and list, search, describe and export what a history file holds. RunCli is the whole program
// with its streams and environment passed in, so tests run it in-process.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>

#include "system/context.h"

namespace kv {

struct TCliEnvironment {
  // The platform a scan runs on: the live machine, or an offline Windows tree (folder, user).
  std::function<std::unique_ptr<IPlatform>()> LivePlatform;
  std::function<std::unique_ptr<IPlatform>(const std::string& root, std::u16string_view user)>
      WindowsTreePlatform;
  // Where a scan without --out writes: the program's folder when writable, else the data folder.
  std::string ProgramFolder;
  std::string DataFolder;           // $XDG_DATA_HOME/kolvane or ~/.local/share/kolvane
  bool ProgressOnTerminal = false;  // stderr is a terminal
  std::string Locale;               // POSIX locale name for dates, numbers and collation
};

// The real environment of this process.
TCliEnvironment ProcessEnvironment(const char* argv0);

// Runs one command line (without the program name); returns the exit status: 0 success,
// 1 failure, 2 usage error. Failures are one line on `err`: "kolvane-cli: " and the message.
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const TCliEnvironment& env);

}  // namespace kv

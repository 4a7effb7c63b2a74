// The command line of kolvane-cli: a command word, then its arguments and long options.
//   kolvane-cli [--help | --version]
//   kolvane-cli help [COMMAND]
//   kolvane-cli COMMAND [ARGUMENT...] [--option VALUE | --option=VALUE | --flag]... [-- ARG...]
// "-h"/"--help" anywhere before "--" asks for the command's help, "--version"/"-V" for the
// version; neither is checked further. Everything else that does not fit the command's
// table is a usage error, raised as EUsageError with a one-line message; the caller prints
// "kolvane-cli: " and the message on stderr and exits with status 2.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace kv {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// The scan finished, but some folder could not be read whole (each one got a warning line).
constexpr int kExitIncomplete = 3;

class EUsageError : public EKolvaneError {
 public:
  explicit EUsageError(const std::string& message) : EKolvaneError(message) {}
};

struct TOptionSpec {
  std::string Name;       // without the leading "--"
  std::string ValueName;  // "FILE", "COLUMN[:asc|:desc]"; empty: a flag without value
  std::string Help;
  std::vector<std::string> Choices;  // when not empty, the only values allowed
};

struct TArgumentSpec {
  std::string Name;  // "FILE"
  bool Required = true;
};

struct TCommandSpec {
  std::string Name;
  std::string Summary;      // one line for the command list
  std::string Description;  // the paragraph of the command's help
  std::vector<TArgumentSpec> Arguments;
  std::vector<TOptionSpec> Options;
};

struct TParsedCommand {
  std::string Command;  // empty when only --help or --version was given
  bool Help = false;
  bool Version = false;
  std::vector<std::string> Arguments;
  std::map<std::string, std::string> Options;  // name -> value ("" for flags)

  bool Has(const std::string& name) const { return Options.count(name) != 0; }
  std::optional<std::string> Value(const std::string& name) const;
};

class TArgParser {
 public:
  TArgParser(std::string program, std::string version, std::vector<TCommandSpec> commands);

  // Arguments without the program name.
  TParsedCommand Parse(std::span<const std::string> args) const;
  TParsedCommand Parse(int argc, const char* const* argv) const;

  std::string HelpText() const;                               // the program's help
  std::string CommandHelp(const std::string& command) const;  // one command's help
  std::string VersionText() const;                            // "kolvane-cli 0.1.0\n"

  const TCommandSpec* FindCommand(std::string_view name) const;
  const std::string& Program() const { return FProgram; }

 private:
  std::string FProgram;
  std::string FVersion;
  std::vector<TCommandSpec> FCommands;
};

// Writes "<program>: <message>" as one line (line breaks in the message become blanks) and
// returns the exit status to use: kExitUsage for a usage error, kExitFailure otherwise.
int ReportUsageError(std::ostream& err, std::string_view program, const EUsageError& error);
int ReportFailure(std::ostream& err, std::string_view program, std::string_view message);

}  // namespace kv

#include "cli/args.h"

#include <algorithm>
#include <sstream>

namespace kv {

std::optional<std::string> TParsedCommand::Value(const std::string& name) const {
  auto it = Options.find(name);
  if (it == Options.end()) return std::nullopt;
  return it->second;
}

TArgParser::TArgParser(std::string program, std::string version, std::vector<TCommandSpec> commands)
    : FProgram(std::move(program)), FVersion(std::move(version)), FCommands(std::move(commands)) {}

const TCommandSpec* TArgParser::FindCommand(std::string_view name) const {
  for (const auto& command : FCommands)
    if (command.Name == name) return &command;
  return nullptr;
}

namespace {

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }
bool IsVersion(std::string_view arg) { return arg == "--version" || arg == "-V"; }

std::string Quoted(std::string_view text) {
  // Keep the message on one line whatever the argument holds.
  std::string out = "'";
  for (char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out + "'";
}

}  // namespace

TParsedCommand TArgParser::Parse(int argc, const char* const* argv) const {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  return Parse(args);
}

TParsedCommand TArgParser::Parse(std::span<const std::string> args) const {
  TParsedCommand parsed;
  const std::string tryHelp = " (try '" + FProgram + " --help')";
  if (args.empty()) throw EUsageError("no command given" + tryHelp);

  const std::string& first = args[0];
  if (IsHelp(first)) {
    parsed.Help = true;
    return parsed;
  }
  if (IsVersion(first)) {
    parsed.Version = true;
    return parsed;
  }
  if (first == "help") {
    parsed.Help = true;
    if (args.size() > 1) {
      if (!FindCommand(args[1])) throw EUsageError("unknown command " + Quoted(args[1]) + tryHelp);
      parsed.Command = args[1];
    }
    if (args.size() > 2) throw EUsageError("unexpected argument " + Quoted(args[2]));
    return parsed;
  }
  if (first.starts_with("-")) throw EUsageError("unknown option " + Quoted(first) + tryHelp);
  const TCommandSpec* command = FindCommand(first);
  if (!command) throw EUsageError("unknown command " + Quoted(first) + tryHelp);
  parsed.Command = command->Name;
  const std::string tryCommandHelp = " (try '" + FProgram + " " + command->Name + " --help')";

  // --help and --version win over everything else on the line.
  for (size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (IsHelp(args[i])) parsed.Help = true;
    if (IsVersion(args[i]) && !parsed.Help) parsed.Version = true;
  }
  if (parsed.Help || parsed.Version) return parsed;

  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      if (parsed.Arguments.size() >= command->Arguments.size())
        throw EUsageError("unexpected argument " + Quoted(arg) + tryCommandHelp);
      parsed.Arguments.push_back(arg);
      continue;
    }
    if (!arg.starts_with("--")) throw EUsageError("unknown option " + Quoted(arg) + tryCommandHelp);
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    auto optionSpec = std::find_if(command->Options.begin(), command->Options.end(),
                                   [&](const TOptionSpec& o) { return o.Name == name; });
    if (optionSpec == command->Options.end())
      throw EUsageError("unknown option " + Quoted("--" + name) + tryCommandHelp);
    if (parsed.Has(name)) throw EUsageError("option --" + name + " given more than once");
    if (optionSpec->ValueName.empty()) {
      if (value) throw EUsageError("option --" + name + " takes no value");
      parsed.Options[name] = "";
      continue;
    }
    if (!value) {
      // The next argument is the value, unless it is missing or is itself an option.
      if (i + 1 >= args.size() || (args[i + 1].starts_with("--") && args[i + 1] != "--"))
        throw EUsageError("option --" + name + " needs a value " + optionSpec->ValueName);
      value = args[++i];
    }
    if (!optionSpec->Choices.empty() &&
        std::find(optionSpec->Choices.begin(), optionSpec->Choices.end(), *value) ==
            optionSpec->Choices.end()) {
      std::string choices;
      for (const auto& c : optionSpec->Choices) choices += (choices.empty() ? "" : ", ") + c;
      throw EUsageError("invalid value " + Quoted(*value) + " for --" + name +
                        " (use one of: " + choices + ")");
    }
    parsed.Options[name] = *value;
  }
  for (size_t k = parsed.Arguments.size(); k < command->Arguments.size(); ++k)
    if (command->Arguments[k].Required)
      throw EUsageError("missing argument " + command->Arguments[k].Name + tryCommandHelp);
  return parsed;
}

std::string TArgParser::HelpText() const {
  std::ostringstream out;
  out << "Usage: " << FProgram << " COMMAND [ARGUMENTS] [OPTIONS]\n\nCommands:\n";
  size_t width = 0;
  for (const auto& c : FCommands) width = std::max(width, c.Name.size());
  for (const auto& c : FCommands)
    out << "  " << c.Name << std::string(width - c.Name.size() + 2, ' ') << c.Summary << "\n";
  out << "\nOptions:\n"
      << "  -h, --help     show this help, or with a command that command's help\n"
      << "  -V, --version  show the program's version\n"
      << "\nRun '" << FProgram << " COMMAND --help' for the arguments of a command.\n";
  return out.str();
}

std::string TArgParser::CommandHelp(const std::string& name) const {
  const TCommandSpec* command = FindCommand(name);
  if (!command) return HelpText();
  std::ostringstream out;
  out << "Usage: " << FProgram << " " << command->Name;
  for (const auto& a : command->Arguments) out << (a.Required ? " " + a.Name : " [" + a.Name + "]");
  if (!command->Options.empty()) out << " [OPTIONS]";
  out << "\n\n" << (command->Description.empty() ? command->Summary : command->Description) << "\n";
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto& o : command->Options)
    rows.emplace_back("--" + o.Name + (o.ValueName.empty() ? "" : " " + o.ValueName), o.Help);
  rows.emplace_back("-h, --help", "show this help");
  size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.first.size());
  out << "\nOptions:\n";
  for (const auto& r : rows)
    out << "  " << r.first << std::string(width - r.first.size() + 2, ' ') << r.second << "\n";
  return out.str();
}

std::string TArgParser::VersionText() const { return FProgram + " " + FVersion + "\n"; }

namespace {
std::string OneLineMessage(std::string_view message) {
  std::string out(message);
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}
}  // namespace

int ReportUsageError(std::ostream& err, std::string_view program, const EUsageError& error) {
  err << program << ": " << OneLineMessage(error.what()) << "\n";
  err.flush();
  return kExitUsage;
}

int ReportFailure(std::ostream& err, std::string_view program, std::string_view message) {
  err << program << ": " << OneLineMessage(message) << "\n";
  err.flush();
  return kExitFailure;
}

}  // namespace kv

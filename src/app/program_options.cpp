#include "app/program_options.h"

#include "base/codepage.h"

namespace kv {

TProgramOptions ParseProgramOptions(int argc, const char* const* argv) {
  TProgramOptions o;
  for (int i = 1; i < argc && o.Error.empty(); ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> std::optional<std::string> {
      if (i + 1 < argc) return std::string(argv[++i]);
      o.Error = std::string("option ") + name + " needs a value";
      return std::nullopt;
    };
    if (arg == "--help" || arg == "-h")
      o.Help = true;
    else if (arg == "--version")
      o.Version = true;
    else if (arg == "--scan")
      o.Scan = true;
    else if (arg == "--windows-root")
      o.WindowsRoot = value("--windows-root");
    else if (arg == "--user")
      o.User = Utf8ToUtf16(value("--user").value_or(""));
    else if (arg == "--") {
      for (++i; i < argc; ++i) o.Files.push_back(Utf8ToUtf16(argv[i]));
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0)
      o.Error = "unknown option " + arg;
    else
      o.Files.push_back(Utf8ToUtf16(arg));
  }
  if (o.Error.empty() && !o.User.empty() && !o.WindowsRoot) o.Error = "--user needs --windows-root";
  return o;
}

std::string ProgramHelpText() {
  return "Usage: kolvane [FILE...]\n"
         "       kolvane --scan\n"
         "       kolvane --windows-root DIR [--user NAME]\n"
         "\n"
         "Kolvane keeps the history of one person's e-mail. The desktop viewer browses history\n"
         "files and the mail stores of Outlook Express, Windows Mail, Windows Live Mail and\n"
         "Thunderbird; a scan appends every folder's new messages to the history file\n"
         "MACHINE_USER.qmr beside the program (or in ~/.local/share/kolvane).\n"
         "\n"
         "  FILE...               open each history file in a viewer (a path with blanks may\n"
         "                        come in several arguments)\n"
         "  --scan                scan this machine's user in a new viewer\n"
         "  --windows-root DIR    scan a user of the offline Windows installation at DIR (a\n"
         "                        mounted disk or a copied C: tree); nothing in it is written\n"
         "  --user NAME           the user of that tree (needed when it has several)\n"
         "  --help                show this text\n"
         "  --version             show the program's version\n";
}

}  // namespace kv

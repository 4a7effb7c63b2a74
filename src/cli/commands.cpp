#include "cli/commands.h"

#include "base/mail_clients.h"
#include "cli/list_row.h"

namespace kv {

namespace {

TOptionSpec FormatOption(const char* fallback) {
  return {
      "format",
      "FORMAT",
      std::string("table, csv (RFC 4180, UTF-8) or jsonl (one JSON object per line); default ") +
          fallback,
      {"table", "csv", "jsonl"}};
}

}  // namespace

// The short names of the clients, as the client table gives them.
static std::vector<std::string> ClientKeys() {
  std::vector<std::string> keys;
  for (const TMailClient& c : kMailClients) keys.emplace_back(c.Key);
  return keys;
}

const std::vector<TCommandSpec>& CliCommands() {
  static const std::vector<TCommandSpec> commands = {
      {"scan",
       "scan the mail stores of a user and append them to a history file",
       "Scans the Outlook Express, Windows Mail, Windows Live Mail and Thunderbird stores of this\n"
       "machine's user, or of a user of an offline Windows tree, and appends every folder's new\n"
       "messages to the history file.\n"
       "\n"
       "Exit status: 0 when every folder was read whole; 3 when the scan finished but some folder\n"
       "could not be read whole (its messages read before the failure are kept, and a warning\n"
       "line on stderr names it and the reason); 1 when the scan failed; 2 for a usage error.",
       {},
       {{"windows-root", "DIR", "scan the Windows tree mounted at DIR instead of this machine", {}},
        {"user", "NAME", "the user of the Windows tree to scan (with --windows-root)", {}},
        {"out", "FILE", "the history file to append to (default: MACHINE_USER.qmr)", {}},
        {"quiet", "", "show no progress", {}}}},
      {"folders",
       "list the stored folders of a history file",
       "Lists client, folder and message count of every folder stored in the history file.",
       {{"FILE", true}},
       {FormatOption("table")}},
      {"list",
       "list the messages of stored folders as the viewer shows them",
       "Lists the messages of one folder, or of all folders, with sender, subject, received,\n"
       "receiver and size, and with client and folder when they come from several folders (csv\n"
       "and jsonl always have those two). Markers: '!' highest priority, '\xE2\x86\x93' lowest\n"
       "priority, '@' has attachments, '*' unread.",
       {{"FILE", true}},
       {{"client", "C", "only this client: oe, winmail, winlivemail or thunderbird", ClientKeys()},
        {"folder", "F", "only the folder named F", {}},
        {"search",
         "TEXT",
         "only messages whose subject, sender name or address holds TEXT (any case)",
         {}},
        {"sort",
         "COLUMN[:asc|:desc]",
         "sort by priority, attachment, sender, subject, received, receiver or size (default "
         "received:desc)",
         {}},
        FormatOption("table")}},
      {"info",
       "show the summary properties of a history file",
       "Shows the summary property set of the history file: who wrote it, where and when.",
       {{"FILE", true}},
       {FormatOption("table")}},
      {"export",
       "export every stored message",
       "Writes every message of every stored folder, one row per message, with the columns\n"
       "client, folder, index, id, flags, subject, server, sender_name, sender_email,\n"
       "received_date, received, receiver_name, receiver_email, account, size, priority.\n"
       "\n"
       "Every text is written exactly as stored, also with --bom. A subject or name that begins\n"
       "with =, +, - or @ is run as a formula by a spreadsheet program that opens the file: the\n"
       "text comes from whoever sent the mail. For a file to open in a spreadsheet use\n"
       "--spreadsheet, which writes such a text with a leading ' (a tab or CR at the start too).",
       {{"FILE", true}},
       {{"out", "PATH", "write to PATH instead of standard output", {}},
        {"bom", "", "start the CSV with a UTF-8 byte-order mark; texts stay exact", {}},
        {"spreadsheet",
         "",
         "the byte-order mark, and a ' before texts a spreadsheet would run as formulas",
         {}},
        FormatOption("csv")}},
  };
  return commands;
}

TArgParser MakeCliParser(const std::string& version) {
  return TArgParser("kolvane-cli", version, CliCommands());
}

TOutputFormat OutputFormatOf(const TParsedCommand& parsed) {
  if (auto value = parsed.Value("format"))
    if (auto format = ParseOutputFormat(*value)) return *format;
  return parsed.Command == "export" ? TOutputFormat::ofCsv : TOutputFormat::ofTable;
}

TSortState SortStateOf(const TParsedCommand& parsed) {
  if (auto value = parsed.Value("sort"))
    if (auto state = ParseSortOption(*value)) return *state;
  return TSortState{};
}

void CheckCommandOptions(const TParsedCommand& parsed) {
  if (parsed.Has("user") && !parsed.Has("windows-root"))
    throw EUsageError("option --user needs --windows-root");
  if (auto value = parsed.Value("sort"); value && !ParseSortOption(*value))
    throw EUsageError("invalid value '" + *value +
                      "' for --sort (use COLUMN[:asc|:desc] with COLUMN one of: priority, "
                      "attachment, sender, subject, received, receiver, size)");
  for (const char* option : {"bom", "spreadsheet"})
    if (parsed.Has(option) && OutputFormatOf(parsed) != TOutputFormat::ofCsv)
      throw EUsageError(std::string("option --") + option + " needs the csv format");
}

}  // namespace kv

#include "cli/commands.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TParsedCommand Parse(std::vector<std::string> args) {
  TParsedCommand parsed = MakeCliParser("0.1.0").Parse(args);
  CheckCommandOptions(parsed);
  return parsed;
}

std::string UsageError(std::vector<std::string> args) {
  try {
    Parse(args);
  } catch (const EUsageError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(CliCommands, TheFiveCommandsAndTheirOptions) {
  auto p =
      Parse({"scan", "--windows-root", "/mnt/win", "--user", "anna", "--out", "h.qmr", "--quiet"});
  EXPECT_EQ(p.Value("windows-root"), "/mnt/win");
  EXPECT_EQ(p.Value("user"), "anna");
  p = Parse({"list", "h.qmr", "--client", "thunderbird", "--folder", "Inbox", "--search", "Report",
             "--sort", "subject:desc", "--format", "jsonl"});
  EXPECT_EQ(SortStateOf(p), (TSortState{lcSubject, TSortDirection::sdDescending}));
  EXPECT_EQ(OutputFormatOf(p), TOutputFormat::ofJsonLines);
  EXPECT_EQ(Parse({"folders", "h.qmr"}).Arguments, (std::vector<std::string>{"h.qmr"}));
  EXPECT_EQ(Parse({"info", "h.qmr", "--format", "csv"}).Value("format"), "csv");
  p = Parse({"export", "h.qmr", "--out", "all.csv", "--bom"});
  EXPECT_TRUE(p.Has("bom"));
  EXPECT_EQ(OutputFormatOf(p), TOutputFormat::ofCsv);  // export's default form
  EXPECT_TRUE(Parse({"export", "h.qmr", "--spreadsheet", "--format", "csv"}).Has("spreadsheet"));
}

TEST(CliCommands, Defaults) {
  auto p = Parse({"list", "h.qmr"});
  EXPECT_EQ(SortStateOf(p), TSortState{});  // received, newest first, as the viewer starts
  EXPECT_EQ(OutputFormatOf(p), TOutputFormat::ofTable);
  EXPECT_EQ(OutputFormatOf(Parse({"folders", "h.qmr"})), TOutputFormat::ofTable);
}

TEST(CliCommands, UsageErrors) {
  EXPECT_EQ(UsageError({"scan", "--user", "anna"}), "option --user needs --windows-root");
  EXPECT_EQ(UsageError({"list", "h.qmr", "--sort", "flag"}).substr(0, 34),
            "invalid value 'flag' for --sort (u");
  EXPECT_EQ(UsageError({"list", "h.qmr", "--client", "outlook"}).substr(0, 37),
            "invalid value 'outlook' for --client ");
  EXPECT_EQ(UsageError({"export", "h.qmr", "--bom", "--format", "jsonl"}),
            "option --bom needs the csv format");
  EXPECT_EQ(UsageError({"export", "h.qmr", "--spreadsheet", "--format", "table"}),
            "option --spreadsheet needs the csv format");
  EXPECT_EQ(UsageError({"list", "h.qmr", "--spreadsheet"}),
            "unknown option '--spreadsheet' (try 'kolvane-cli list --help')");
  EXPECT_EQ(UsageError({"scan", "extra"}),
            "unexpected argument 'extra' (try 'kolvane-cli scan --help')");
  EXPECT_EQ(UsageError({"info"}), "missing argument FILE (try 'kolvane-cli info --help')");
  EXPECT_EQ(UsageError({"folders", "h.qmr", "--bom"}),
            "unknown option '--bom' (try 'kolvane-cli folders --help')");
}

TEST(CliCommands, HelpListsEveryCommand) {
  TArgParser parser = MakeCliParser("0.1.0");
  std::string help = parser.HelpText();
  for (const char* name : {"scan", "folders", "list", "info", "export"})
    EXPECT_NE(help.find(std::string("  ") + name + " "), std::string::npos) << name;
  EXPECT_NE(parser.CommandHelp("scan").find("--windows-root DIR"), std::string::npos);
  EXPECT_NE(parser.CommandHelp("export").find("--bom"), std::string::npos);
  EXPECT_NE(parser.CommandHelp("export").find("--spreadsheet"), std::string::npos);
}

}  // namespace
}  // namespace kv

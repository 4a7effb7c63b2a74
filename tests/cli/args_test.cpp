#include "cli/args.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kv {
namespace {

TArgParser Parser() {
  std::vector<TCommandSpec> commands = {
      {"list",
       "the rows of a folder",
       "",
       {{"FILE", true}},
       {{"client", "C", "only this client", {"oe", "winmail", "winlivemail", "thunderbird"}},
        {"sort", "COLUMN[:asc|:desc]", "sort order", {}},
        {"format", "FORMAT", "output form", {"table", "csv", "jsonl"}},
        {"search", "TEXT", "search text", {}}}},
      {"scan",
       "scan this machine",
       "Scans the mail stores.",
       {},
       {{"out", "FILE", "data file", {}}, {"quiet", "", "no progress", {}}}},
  };
  return TArgParser("kolvane-cli", "0.1.0", commands);
}

TParsedCommand Parse(std::vector<std::string> args) { return Parser().Parse(args); }

std::string UsageError(std::vector<std::string> args) {
  try {
    Parse(args);
  } catch (const EUsageError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(Args, CommandArgumentsAndOptions) {
  auto p = Parse({"list", "h.qmr", "--sort", "subject:desc", "--client=oe", "--search", "-x-"});
  EXPECT_EQ(p.Command, "list");
  EXPECT_EQ(p.Arguments, (std::vector<std::string>{"h.qmr"}));
  EXPECT_EQ(p.Value("sort"), "subject:desc");
  EXPECT_EQ(p.Value("client"), "oe");
  EXPECT_EQ(p.Value("search"), "-x-");
  EXPECT_FALSE(p.Has("format"));
  EXPECT_FALSE(p.Help);

  p = Parse({"scan", "--quiet", "--out", "a b.qmr"});
  EXPECT_TRUE(p.Has("quiet"));
  EXPECT_EQ(p.Value("out"), "a b.qmr");
  // Options may come first; "--" ends them; "-" is an argument; empty values are values.
  p = Parse({"list", "--format", "csv", "--search=", "--", "--odd-name.qmr"});
  EXPECT_EQ(p.Arguments, (std::vector<std::string>{"--odd-name.qmr"}));
  EXPECT_EQ(p.Value("search"), "");
  EXPECT_EQ(Parse({"list", "-"}).Arguments, (std::vector<std::string>{"-"}));
}

TEST(Args, HelpAndVersionWinAnywhere) {
  EXPECT_TRUE(Parse({"--help"}).Help);
  EXPECT_TRUE(Parse({"-h"}).Help);
  EXPECT_TRUE(Parse({"--version"}).Version);
  auto p = Parse({"list", "--bogus", "--help"});
  EXPECT_TRUE(p.Help);
  EXPECT_EQ(p.Command, "list");
  EXPECT_TRUE(Parse({"scan", "--version"}).Version);
  p = Parse({"help", "scan"});
  EXPECT_TRUE(p.Help);
  EXPECT_EQ(p.Command, "scan");
  // After "--" a "--help" is a file name.
  EXPECT_EQ(Parse({"list", "--", "--help"}).Arguments, (std::vector<std::string>{"--help"}));
}

TEST(Args, UsageErrorsNameTheProblem) {
  EXPECT_EQ(UsageError({}), "no command given (try 'kolvane-cli --help')");
  EXPECT_EQ(UsageError({"frob"}), "unknown command 'frob' (try 'kolvane-cli --help')");
  EXPECT_EQ(UsageError({"--quiet"}), "unknown option '--quiet' (try 'kolvane-cli --help')");
  EXPECT_EQ(UsageError({"list", "f", "--frob"}),
            "unknown option '--frob' (try 'kolvane-cli list --help')");
  EXPECT_EQ(UsageError({"list", "f", "-q"}), "unknown option '-q' (try 'kolvane-cli list --help')");
  EXPECT_EQ(UsageError({"list"}), "missing argument FILE (try 'kolvane-cli list --help')");
  EXPECT_EQ(UsageError({"list", "a", "b"}),
            "unexpected argument 'b' (try 'kolvane-cli list --help')");
  EXPECT_EQ(UsageError({"scan", "--out"}), "option --out needs a value FILE");
  EXPECT_EQ(UsageError({"scan", "--out", "--quiet"}), "option --out needs a value FILE");
  EXPECT_EQ(UsageError({"scan", "--quiet=yes"}), "option --quiet takes no value");
  EXPECT_EQ(UsageError({"scan", "--out", "a", "--out=b"}), "option --out given more than once");
  EXPECT_EQ(UsageError({"list", "f", "--format", "xml"}),
            "invalid value 'xml' for --format (use one of: table, csv, jsonl)");
  EXPECT_EQ(UsageError({"help", "frob"}), "unknown command 'frob' (try 'kolvane-cli --help')");
  // A line break in an argument never breaks the one-line message.
  EXPECT_EQ(UsageError({"list", "a", "b\nc"}),
            "unexpected argument 'b c' (try 'kolvane-cli list --help')");
}

TEST(Args, ReportsOneLineAndTheExitStatus) {
  std::ostringstream err;
  EXPECT_EQ(ReportUsageError(err, "kolvane-cli", EUsageError("unknown option '--x'")), kExitUsage);
  EXPECT_EQ(err.str(), "kolvane-cli: unknown option '--x'\n");
  err.str("");
  EXPECT_EQ(ReportFailure(err, "kolvane-cli", "cannot open\nh.qmr"), kExitFailure);
  EXPECT_EQ(err.str(), "kolvane-cli: cannot open h.qmr\n");
  EXPECT_EQ(kExitSuccess, 0);
}

TEST(Args, HelpTexts) {
  TArgParser parser = Parser();
  std::string help = parser.HelpText();
  EXPECT_NE(help.find("Usage: kolvane-cli COMMAND"), std::string::npos);
  EXPECT_NE(help.find("  list  the rows of a folder\n"), std::string::npos);
  EXPECT_NE(help.find("--version"), std::string::npos);
  std::string list = parser.CommandHelp("list");
  EXPECT_EQ(list.substr(0, list.find('\n')), "Usage: kolvane-cli list FILE [OPTIONS]");
  EXPECT_NE(list.find("  --sort COLUMN[:asc|:desc]  sort order\n"), std::string::npos);
  EXPECT_NE(list.find("-h, --help"), std::string::npos);
  EXPECT_NE(parser.CommandHelp("scan").find("Scans the mail stores."), std::string::npos);
  EXPECT_EQ(parser.VersionText(), "kolvane-cli 0.1.0\n");
}

}  // namespace
}  // namespace kv

#include "app/program_options.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TProgramOptions Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "kolvane");
  return ParseProgramOptions(int(args.size()), args.data());
}

TEST(ProgramOptions, FilesScanAndOfflineTrees) {
  TProgramOptions o = Parse({"/home/a/My", "Data/A_B.qmr", "--scan"});
  EXPECT_TRUE(o.Scan);
  EXPECT_EQ(o.Files, (std::vector<std::u16string>{u"/home/a/My", u"Data/A_B.qmr"}));
  EXPECT_TRUE(o.Error.empty());

  o = Parse({"--windows-root", "/mnt/win", "--user", "anna"});
  EXPECT_EQ(o.WindowsRoot, "/mnt/win");
  EXPECT_EQ(o.User, u"anna");
  EXPECT_TRUE(o.Files.empty());

  o = Parse({"--", "--scan"});  // after "--" everything is a file
  EXPECT_FALSE(o.Scan);
  EXPECT_EQ(o.Files, std::vector<std::u16string>{u"--scan"});
}

TEST(ProgramOptions, UsageErrorsSayWhatIsWrong) {
  EXPECT_EQ(Parse({"--windows-root"}).Error, "option --windows-root needs a value");
  EXPECT_EQ(Parse({"--frobnicate"}).Error, "unknown option --frobnicate");
  EXPECT_EQ(Parse({"--user", "anna"}).Error, "--user needs --windows-root");
  EXPECT_TRUE(Parse({"--help"}).Help);
  EXPECT_TRUE(Parse({"--version"}).Version);
  EXPECT_NE(ProgramHelpText().find("--windows-root DIR"), std::string::npos);
}

}  // namespace
}  // namespace kv

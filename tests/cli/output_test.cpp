#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/error.h"
#include "cli/folder_row.h"
#include "cli/output_file.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kv_output_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  size_t Entries() const { return size_t(std::distance(fs::directory_iterator(dir_), {})); }
  fs::path dir_;
};

TEST_F(OutputFileTest, ReplacesTheTargetOnlyOnCommit) {
  fs::path target = dir_ / "export.csv";
  std::ofstream(target) << "old";
  {
    TOutputFile out(target);
    out.Stream() << "new text";
    EXPECT_EQ(Read(target), "old");  // untouched while writing
    out.Commit();
  }
  EXPECT_EQ(Read(target), "new text");
  EXPECT_EQ(Entries(), 1u);  // no temporary file left
}

TEST_F(OutputFileTest, AbandonedOutputLeavesNothingBehind) {
  fs::path target = dir_ / "export.csv";
  std::ofstream(target) << "old";
  {
    TOutputFile out(target);
    out.Stream() << "half";
  }  // an error in the middle of an export ends here without Commit
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(OutputFileTest, UnwritablePlacesAreErrors) {
  EXPECT_THROW(TOutputFile(dir_ / "missing" / "x.csv"), EKolvaneError);
  // A folder in the way of the target: the rename fails and the folder stays.
  fs::create_directories(dir_ / "taken" / "inner");
  TOutputFile out(dir_ / "taken");
  out.Stream() << "x";
  EXPECT_THROW(out.Commit(), EKolvaneError);
  EXPECT_TRUE(fs::is_directory(dir_ / "taken" / "inner"));
}

TEST(FolderRow, ClientFolderAndCount) {
  std::vector<std::u16string> cells;
  FolderCells(TEmailClient::ecWindowsLiveMail, u"Inbox", 42, cells);
  EXPECT_EQ(cells, (std::vector<std::u16string>{u"winlivemail", u"Inbox", u"42"}));
  std::vector<std::string> keys;
  for (const auto& c : FolderColumns()) keys.push_back(c.Key);
  EXPECT_EQ(keys, (std::vector<std::string>{"client", "folder", "messages"}));
}

}  // namespace
}  // namespace kv

// The committed sample tree is exactly what the generator writes, and its manifest is sound.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "samples/samples_support.h"
#include "system/temp_tree.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using samples::TSampleFolder;
using samples::TSampleManifest;
using samples::TSampleMessage;

// Files written by hand beside the generated tree.
bool HandWritten(const std::string& rel) { return rel == "README.md" || rel == ".gitattributes"; }

struct TTreeContents {
  std::map<std::string, std::string> Files;  // relative path -> bytes
  std::set<std::string> EmptyFolders;
};

TTreeContents ReadTree(const fs::path& root) {
  TTreeContents t;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).generic_string();
    if (e.is_directory()) {
      if (fs::is_empty(e.path())) t.EmptyFolders.insert(rel);
    } else if (!HandWritten(rel)) {
      t.Files[rel] = test::ReadHostFile(e.path().string());
    }
  }
  return t;
}

TEST(SampleTree, CommittedTreeIsWhatTheGeneratorWrites) {
  test::TTempTree temp;
  const TSampleManifest written = samples::WriteSampleTree(temp.Path("samples"));
  const TTreeContents fresh = ReadTree(temp.Path("samples"));
  const TTreeContents committed = ReadTree(test::SamplesDir());

  std::set<std::string> names;
  for (const auto& [rel, bytes] : fresh.Files) names.insert(rel);
  for (const auto& [rel, bytes] : committed.Files) names.insert(rel);
  size_t total = 0;
  for (const std::string& rel : names) {
    auto a = fresh.Files.find(rel), b = committed.Files.find(rel);
    if (a == fresh.Files.end()) {
      ADD_FAILURE() << "samples/" << rel << " is not written by the generator";
    } else if (b == committed.Files.end()) {
      ADD_FAILURE() << "samples/" << rel << " is missing: run kolvane-make-samples";
    } else {
      EXPECT_TRUE(a->second == b->second) << "samples/" << rel << " differs from the generator's";
      total += a->second.size();
    }
  }
  // Git keeps no empty folder: the generator must not write one.
  EXPECT_TRUE(fresh.EmptyFolders.empty()) << *fresh.EmptyFolders.begin();
  EXPECT_LT(total, 1u << 20) << "the bundled samples should stay small";
  EXPECT_EQ(samples::FormatManifest(written), samples::FormatManifest(test::CommittedManifest()));
}

TEST(SampleTree, GeneratorRunsReplaceAnEarlierTreeAndGiveTheSameBytes) {
  test::TTempTree temp;
  const std::string root = temp.Path("s");
  samples::WriteSampleTree(root);
  // A stale file of an earlier tree goes; a file beside the tree stays.
  temp.Write("s/Users/Clara/AppData/Local/stale.txt", "old");
  temp.Write("s/README.md", "readme");
  samples::WriteSampleTree(root);
  EXPECT_FALSE(fs::exists(temp.Path("s/Users/Clara/AppData/Local/stale.txt")));
  EXPECT_EQ(test::ReadHostFile(temp.Path("s/README.md")), "readme");
  EXPECT_TRUE(ReadTree(root).Files == ReadTree(test::SamplesDir()).Files);
}

TEST(SampleTree, GeneratorRefusesAFolderThatHoldsSomethingElse) {
  test::TTempTree temp;
  temp.Write("drive/Windows/System32/config/SOFTWARE", "real hive");
  EXPECT_THROW(samples::WriteSampleTree(temp.Path("drive")), std::runtime_error);
  EXPECT_EQ(test::ReadHostFile(temp.Path("drive/Windows/System32/config/SOFTWARE")), "real hive");
  EXPECT_FALSE(fs::exists(temp.Path("drive/Users")));
  // A manifest of another kind does not count either.
  temp.Write("drive/MANIFEST.tsv", "# something else\n");
  EXPECT_THROW(samples::WriteSampleTree(temp.Path("drive")), std::runtime_error);
  EXPECT_TRUE(fs::exists(temp.Path("drive/Windows/System32/config/SOFTWARE")));
}

TEST(SampleTree, ManifestRoundTripsAndCoversEveryClient) {
  const std::string text = test::ReadHostFile(test::SamplesDir() + "/MANIFEST.tsv");
  const TSampleManifest m = samples::ParseManifest(text);
  EXPECT_EQ(samples::FormatManifest(m), text);

  std::map<std::string, size_t> messages, folders;
  for (const TSampleFolder& f : m.Folders) ++folders[f.Client];
  for (const TSampleMessage& x : m.Messages) ++messages[x.Client];
  for (const char* client : {"oe", "winmail", "winlivemail", "thunderbird"}) {
    EXPECT_GE(folders[client], 5u) << client;
    EXPECT_GE(messages[client], 8u) << client;
  }
  EXPECT_GE(m.Messages.size(), 40u);

  // Within a folder the dates differ, so the order after the date sort is fixed.
  std::set<std::pair<std::string, std::string>> stamps;
  for (const TSampleMessage& x : m.Messages) {
    if (!x.Date.empty()) {
      EXPECT_TRUE(stamps.insert({x.Folder, x.Date}).second) << x.Subject;
    }
  }
  // Every kind of message the tree is meant to show is there.
  size_t attachments = 0, read = 0, unread = 0, priorities = 0, undated = 0, nonAscii = 0;
  for (const TSampleMessage& x : m.Messages) {
    attachments += (x.Flags & 0x4000) ? 1 : 0;
    read += (x.Flags & 0x80) ? 1 : 0;
    unread += (x.Client == "oe" || x.Client == "thunderbird") && !(x.Flags & 0x80) ? 1 : 0;
    priorities += x.Priority != 3 && x.Priority != 0 ? 1 : 0;
    undated += x.Date.empty() ? 1 : 0;
    nonAscii += std::any_of(x.Subject.begin(), x.Subject.end(),
                            [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  }
  EXPECT_GE(attachments, 5u);
  EXPECT_GE(read, 10u);
  EXPECT_GE(unread, 5u);
  EXPECT_GE(priorities, 8u);
  EXPECT_EQ(undated, 1u);
  EXPECT_GE(nonAscii, 20u);
}

TEST(SampleTree, ManifestRejectsRowsItCannotRead) {
  EXPECT_THROW(samples::ParseManifest("folder\toe\tC:\\x\n"), std::runtime_error);
  EXPECT_THROW(samples::ParseManifest("folder\toe\tC:\\x\tx\t2\t0\n"), std::runtime_error);
  EXPECT_THROW(samples::ParseManifest("mail\n"), std::runtime_error);
  const std::string row = "message\toe\tC:\\x\ts\t\t\t\t\t\t\t\t\t\t0x80\t3\t";
  EXPECT_THROW(samples::ParseManifest(row + "12a\n"), std::runtime_error);
  EXPECT_EQ(samples::ParseManifest(row + "12\n").Messages.at(0).Size, 12u);
  EXPECT_THROW(samples::FormatManifest({{{"oe", "C:\\a\tb", "a", true, 0}}, {}}),
               std::runtime_error);
}

}  // namespace
}  // namespace kv

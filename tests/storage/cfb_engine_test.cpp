// The compound file engine: files it writes read back, in place changes, sector reuse, the
// directory tree, the mini stream boundary and files big enough to need DIFAT sectors.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/error.h"
#include "storage/cfb/compound_file.h"
#include "storage/storage_test_util.h"
#include "support/realdata.h"

namespace kv::cfb {
namespace {

using test::TScratchDir;

std::string Pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  std::mt19937 rng(seed);
  for (char& c : s) c = char(rng());
  return s;
}

// Checks the red-black tree of a storage: order, no red node with a red child, the same
// number of black nodes on every path. Returns the black height.
int CheckTree(TCompoundFile& f, uint32_t id, const std::u16string* low,
              const std::u16string* high) {
  if (id == kNoStream) return 1;
  const TDirEntry& e = f.Entry(id);
  if (low) {
    EXPECT_LT(CompareNames(*low, e.Name), 0);
  }
  if (high) {
    EXPECT_LT(CompareNames(e.Name, *high), 0);
  }
  if (e.Color == 0) {
    EXPECT_TRUE(e.Left == kNoStream || f.Entry(e.Left).Color == 1);
    EXPECT_TRUE(e.Right == kNoStream || f.Entry(e.Right).Color == 1);
  }
  int left = CheckTree(f, e.Left, low, &e.Name);
  int right = CheckTree(f, e.Right, &e.Name, high);
  EXPECT_EQ(left, right);
  return left + (e.Color == 1 ? 1 : 0);
}

TEST(CfbEngine, WritesAFileThatReadsBack) {
  TScratchDir dir;
  std::string small = Pattern(100, 1), large = Pattern(70000, 2), edge = Pattern(4096, 3);
  {
    auto f = TCompoundFile::OpenForWriting(dir.Path16("a.cfb"));
    uint32_t s = f->Create(TCompoundFile::kRoot, u"Folder", TEntryType::Storage);
    uint32_t a = f->Create(s, u"small", TEntryType::Stream);
    uint32_t b = f->Create(s, u"large", TEntryType::Stream);
    uint32_t c = f->Create(TCompoundFile::kRoot, u"edge", TEntryType::Stream);
    f->WriteStream(a, 0, small.data(), small.size());
    f->WriteStream(b, 0, large.data(), large.size());
    f->WriteStream(c, 0, edge.data(), edge.size());
  }
  auto f = TCompoundFile::OpenForReading(dir.Path16("a.cfb"));
  EXPECT_EQ(f->MajorVersion(), 3);
  uint32_t s = f->Find(TCompoundFile::kRoot, u"FOLDER");  // names compare without case
  ASSERT_NE(s, kNoStream);
  EXPECT_EQ(f->ReadWholeStream(f->Find(s, u"small")), small);
  EXPECT_EQ(f->ReadWholeStream(f->Find(s, u"large")), large);
  EXPECT_EQ(f->ReadWholeStream(f->Find(TCompoundFile::kRoot, u"edge")), edge);
  char part[10];
  EXPECT_EQ(f->ReadStream(f->Find(s, u"large"), 69995, part, 10), 5u);
  EXPECT_EQ(std::string(part, 5), large.substr(69995));
}

TEST(CfbEngine, ResizesAcrossTheMiniStreamBoundaryKeepingTheBytes) {
  TScratchDir dir;
  std::string data = Pattern(5000, 4);
  auto f = TCompoundFile::OpenForWriting(dir.Path16("b.cfb"));
  uint32_t id = f->Create(TCompoundFile::kRoot, u"s", TEntryType::Stream);
  f->WriteStream(id, 0, data.data(), 3000);            // mini stream
  f->WriteStream(id, 3000, data.data() + 3000, 2000);  // moves to whole sectors
  EXPECT_EQ(f->ReadWholeStream(id), data);
  f->ResizeStream(id, 4095);  // back into the mini stream
  EXPECT_EQ(f->ReadWholeStream(id), data.substr(0, 4095));
  f->ResizeStream(id, 4200);  // grown bytes are zeros
  EXPECT_EQ(f->ReadWholeStream(id), data.substr(0, 4095) + std::string(105, '\0'));
  f->WriteStream(id, 6000, "x", 1);  // a gap reads as zeros
  EXPECT_EQ(f->StreamSize(id), 6001u);
  EXPECT_EQ(f->ReadWholeStream(id).substr(4200, 1800), std::string(1800, '\0'));
  f->Commit();
  f.reset();
  f = TCompoundFile::OpenForReading(dir.Path16("b.cfb"));
  EXPECT_EQ(f->ReadWholeStream(f->Find(TCompoundFile::kRoot, u"s")).substr(0, 4095),
            data.substr(0, 4095));
}

TEST(CfbEngine, RewritingTheSameStreamsDoesNotGrowTheFile) {
  TScratchDir dir;
  auto rewrite = [&](unsigned round) {
    auto f = TCompoundFile::OpenForWriting(dir.Path16("c.cfb"));
    uint32_t store = f->Find(TCompoundFile::kRoot, u"OE");
    if (store == kNoStream) store = f->Create(TCompoundFile::kRoot, u"OE", TEntryType::Storage);
    for (int i = 0; i < 20; ++i) {
      std::u16string name = u"Folder" + std::u16string(1, char16_t(u'A' + i));
      uint32_t old = f->Find(store, name);
      if (old != kNoStream) f->Destroy(store, old);
      uint32_t id = f->Create(store, name, TEntryType::Stream);
      std::string data = Pattern(i % 3 == 0 ? 1000 : 20000 + 37 * round, round * 100 + i);
      f->WriteStream(id, 0, data.data(), data.size());
    }
  };
  rewrite(0);
  uint64_t first = test::FileSize(dir.Path("c.cfb"));
  for (unsigned round = 1; round <= 10; ++round) rewrite(round);
  EXPECT_LE(test::FileSize(dir.Path("c.cfb")), first + first / 10);
}

TEST(CfbEngine, KeepsEveryStorageAValidRedBlackTreeInTheFormatsOrder) {
  TScratchDir dir;
  std::vector<std::u16string> names;
  for (int i = 0; i < 60; ++i) {
    std::u16string n = u"n";
    for (int k = 0; k < i % 7; ++k) n += char16_t(u'a' + (i * 7 + k) % 26);
    n += char16_t(u'A' + i % 26);
    n += char16_t(u'0' + i / 26);
    names.push_back(n);
  }
  names.push_back(u"\u0436\u0443\u0440\u043d\u0430\u043b");  // Cyrillic, upper-cased for the order
  auto f = TCompoundFile::OpenForWriting(dir.Path16("d.cfb"));
  for (const auto& n : names) f->Create(TCompoundFile::kRoot, n, TEntryType::Stream);
  for (size_t i = 0; i < names.size(); i += 3)
    f->Destroy(TCompoundFile::kRoot, f->Find(TCompoundFile::kRoot, names[i]));
  f->Commit();
  f.reset();
  f = TCompoundFile::OpenForReading(dir.Path16("d.cfb"));
  CheckTree(*f, f->Entry(TCompoundFile::kRoot).Child, nullptr, nullptr);
  const auto& children = f->Children(TCompoundFile::kRoot);
  EXPECT_EQ(children.size(), names.size() - (names.size() + 2) / 3);
  for (size_t i = 1; i < children.size(); ++i) {
    EXPECT_LT(CompareNames(f->Entry(children[i - 1]).Name, f->Entry(children[i]).Name), 0);
  }
  EXPECT_LT(CompareNames(u"Zz", u"aaa"), 0);  // the shorter name first
  EXPECT_EQ(CompareNames(u"\u0436", u"\u0416"), 0);
}

TEST(CfbEngine, RefusesBadNamesAndDuplicates) {
  TScratchDir dir;
  auto f = TCompoundFile::OpenForWriting(dir.Path16("e.cfb"));
  f->Create(TCompoundFile::kRoot, u"Inbox", TEntryType::Stream);
  for (std::u16string bad : {std::u16string(u"a/b"), std::u16string(u"a:b"), std::u16string(u"a!b"),
                             std::u16string(u"a\\b"), std::u16string(32, u'x'), std::u16string()}) {
    try {
      f->Create(TCompoundFile::kRoot, bad, TEntryType::Stream);
      ADD_FAILURE() << "accepted a bad name";
    } catch (const EStorageError& e) {
      EXPECT_EQ(e.Status(), TStorageStatus::InvalidName);
    }
  }
  try {
    f->Create(TCompoundFile::kRoot, u"INBOX", TEntryType::Stream);
    ADD_FAILURE() << "accepted a duplicate";
  } catch (const EStorageError& e) {
    EXPECT_EQ(e.Status(), TStorageStatus::FileAlreadyExists);
  }
  EXPECT_NE(f->Find(TCompoundFile::kRoot, std::u16string(31, u'y')), 0u);
}

TEST(CfbEngine, WritesAndReadsAFileThatNeedsDifatSectors) {
  TScratchDir dir;
  std::string big = Pattern(8 << 20, 5);  // 8 MB: more than 109 FAT sectors can map
  {
    auto f = TCompoundFile::OpenForWriting(dir.Path16("big.cfb"));
    uint32_t id = f->Create(TCompoundFile::kRoot, u"big", TEntryType::Stream);
    f->WriteStream(id, 0, big.data(), big.size());
  }
  std::string header = test::ReadFileBytes(dir.Path("big.cfb")).substr(0, 512);
  EXPECT_GT(uint8_t(header[72]), 0);  // DIFAT sector count
  auto f = TCompoundFile::OpenForReading(dir.Path16("big.cfb"));
  EXPECT_EQ(f->ReadWholeStream(f->Find(TCompoundFile::kRoot, u"big")), big);
}

TEST(CfbEngine, ReadsFilesWith4096ByteSectors) {
  const auto file = test::RealDataPath("cfb/poi_poifs/BlockSize4096.zvi");
  KV_SKIP_WITHOUT_REAL_DATA(file);
  auto f = TCompoundFile::OpenForReading(file.u16string());
  ASSERT_FALSE(f->Children(TCompoundFile::kRoot).empty());
  for (uint32_t id : f->Children(TCompoundFile::kRoot)) {
    if (f->Entry(id).Type == TEntryType::Stream) {
      EXPECT_EQ(f->ReadWholeStream(id).size(), f->StreamSize(id));
    }
  }
}

TEST(CfbEngine, ModifiesFilesOfOtherProgramsInPlace) {
  const auto doc = test::RealDataPath("cfb/olefile_test-ole-file.doc");
  const auto zvi = test::RealDataPath("cfb/poi_poifs/BlockSize4096.zvi");
  KV_SKIP_WITHOUT_REAL_DATA(doc, zvi);
  for (const auto& file : {doc, zvi}) {
    SCOPED_TRACE(file.string());
    TScratchDir dir;
    test::WriteFileBytes(dir.Path("w"), test::ReadFileBytes(file.string()));
    std::map<std::u16string, std::string> before;
    std::string big = Pattern(20000, 7);
    {
      auto f = TCompoundFile::OpenForWriting(dir.Path16("w"));
      for (uint32_t id : f->Children(TCompoundFile::kRoot)) {
        if (f->Entry(id).Type == TEntryType::Stream)
          before[f->Entry(id).Name] = f->ReadWholeStream(id);
      }
      uint32_t a = f->Create(TCompoundFile::kRoot, u"Added", TEntryType::Stream);
      f->WriteStream(a, 0, "hello", 5);
      uint32_t b = f->Create(TCompoundFile::kRoot, u"AddedBig", TEntryType::Stream);
      f->WriteStream(b, 0, big.data(), big.size());
    }
    auto f = TCompoundFile::OpenForReading(dir.Path16("w"));
    for (const auto& [n, bytes] : before)
      EXPECT_EQ(f->ReadWholeStream(f->Find(TCompoundFile::kRoot, n)), bytes);
    EXPECT_EQ(f->ReadWholeStream(f->Find(TCompoundFile::kRoot, u"Added")), "hello");
    EXPECT_EQ(f->ReadWholeStream(f->Find(TCompoundFile::kRoot, u"AddedBig")), big);
  }
}

}  // namespace
}  // namespace kv::cfb

// An append is one exclusive open and one transaction: two writers of one folder never lose
// each other's lines, and an append costs the flushes of a single commit.
#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <thread>

#include "base/codepage.h"
#include "base/error.h"
#include "base/text.h"
#include "core/memory_collector.h"
#include "storage/cfb/file_handle.h"
#include "storage/stream_lines.h"
#include "storage/structured_storage.h"
#include "storage/zlib_codec.h"
#include "support/child_process.h"

namespace kv {
namespace {

using test::Message;
using test::TMemoryCollector;

const std::u16string kFolder = u"C:\\S\\Inbox.dbx";

// Appends, waiting out the other writer: its lock is never waited for, the open fails at once.
void AppendRetrying(TMemoryCollector& c, std::u16string_view file) {
  for (;;) {
    try {
      c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
      return;
    } catch (const EStorageError& e) {
      if (e.Status() != TStorageStatus::ShareViolation) throw;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
}

// One writer process (arguments: its number, the rounds, the file): each round the folder
// holds one new message (the older ones were deleted in the client, so a line lost in the file
// is lost for good) and is appended. Returns the process's exit status.
KOLVANE_TEST_CHILD(Writer) {
  try {
    const int who = std::stoi(args.at(0)), rounds = std::stoi(args.at(1));
    const std::u16string file = Utf8ToUtf16(args.at(2));
    auto context = test::FakeContext();
    TMemoryCollector c(*context);
    for (int i = 0; i < rounds; ++i) {
      const std::u16string id = u"w" + IntToStr(who) + u"-" + IntToStr(i);
      c.Store[kFolder] = {Message(id, 40000 + i + 0.25 * who)};
      c.GetMailboxFolders(u"", u"");
      c.SetFolder(kFolder);
      AppendRetrying(c, file);
    }
    return 0;
  } catch (...) {
    return 1;
  }
}

TEST(AppendTransaction, TwoWritingProcessesNeverLoseALine) {
  test::TTempDir dir;
  const std::u16string file = dir.File("PC_ANNA.qmr");
  constexpr int kRounds = 200;
  const std::string path = Utf16ToUtf8(file), rounds = std::to_string(kRounds);
  EXPECT_EQ(test::RunChildren("Writer", {{"0", rounds, path}, {"1", rounds, path}}),
            (std::vector<int>{0, 0}));
  TStringList lines;
  ASSERT_EQ(ReadStorageLines(file, u"OE", u"Inbox", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  std::set<std::u16string> ids;
  for (const auto& line : lines) {
    TMessageInfo r;
    ParseMessageLine(line, r);
    ids.insert(r.ID);
  }
  EXPECT_EQ(lines.size(), size_t(2 * kRounds));
  EXPECT_EQ(ids.size(), size_t(2 * kRounds));  // every message once
}

// A second writer that comes while an append is under way (here: from inside its header write)
// is refused, and nothing it could have written is lost by the first one's rewrite.
TEST(AppendTransaction, AWriterArrivingMidAppendIsRefusedAndLosesNothing) {
  auto context = test::FakeContext();
  test::TTempDir dir;
  const std::u16string file = dir.File("PC_ANNA.qmr");
  TMemoryCollector first(*context), second(*context);
  first.Store[kFolder] = {Message(u"a", 40000)};
  second.Store[kFolder] = {Message(u"b", 40001)};
  for (TMemoryCollector* c : {&first, &second}) {
    c->GetMailboxFolders(u"", u"");
    c->SetFolder(kFolder);
  }
  bool refused = false;
  first.OnWriteHeader = [&](TStructuredStorage& f, std::u16string_view comment, bool encoded) {
    try {
      second.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
    } catch (const EStorageError& e) {
      refused = e.Status() == TStorageStatus::ShareViolation;
    }
    first.WriteStorageHeader(f, comment, encoded);
  };
  first.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
  EXPECT_TRUE(refused);
  second.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);  // its turn now
  TStringList lines;
  ASSERT_EQ(ReadStorageLines(file, u"OE", u"Inbox", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  ASSERT_EQ(lines.size(), 2u);
}

TEST(AppendTransaction, AnAppendFlushesAsOneCommit) {
  auto context = test::FakeContext();
  test::TTempDir dir;
  const std::u16string file = dir.File("PC_ANNA.qmr");
  TMemoryCollector c(*context);
  c.Store[kFolder] = {Message(u"a", 40000), Message(u"b", 40001)};
  c.GetMailboxFolders(u"", u"");
  c.SetFolder(kFolder);
  c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);  // creates file and journal

  auto flushesOfOneAppend = [&] {
    const uint64_t before = cfb::FlushCount();
    c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
    return cfb::FlushCount() - before;
  };
  EXPECT_LE(flushesOfOneAppend(), 2u) << "nothing new: the header alone";
  c.Store[kFolder].push_back(Message(u"c", 40002));
  c.SetFolder(kFolder);
  EXPECT_LE(flushesOfOneAppend(), 2u) << "a new message: header and folder stream together";
}

}  // namespace
}  // namespace kv

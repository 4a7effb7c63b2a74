#include "core/emails.h"

#include <fstream>
#include <gtest/gtest.h>

#include <random>

#include "base/codepage.h"
#include "core/append_plan.h"
#include "base/error.h"
#include "core/memory_collector.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/stream_lines.h"
#include "storage/structured_storage.h"
#include "storage/zlib_codec.h"

namespace kv {
namespace {

using test::Message;
using test::TMemoryCollector;

class EMails : public ::testing::Test {
 protected:
  std::unique_ptr<TSystemContext> context = test::FakeContext();
  test::TTempDir dir;
  std::u16string file = dir.File("PC_ANNA.qmr");

  // Scans every folder of the collector into the file, as a viewer's scan does.
  static void Scan(TMemoryCollector& c, std::u16string_view file) {
    c.GetMailboxFolders(u"", u"");
    for (const auto& folder : TStringList(c.Folders())) {
      c.SetFolder(folder);
      c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
    }
  }

  TStringList StoredLines(std::u16string_view storage, std::u16string_view stream) {
    TStringList lines;
    EXPECT_EQ(ReadStorageLines(file, storage, stream, ZDecompressStream, lines),
              TLinesResult::lrComplete);
    return lines;
  }

  static TStringList StoredLinesOf(std::u16string_view history) {
    TStringList lines;
    EXPECT_EQ(ReadStorageLines(history, u"OE", u"Inbox", ZDecompressStream, lines),
              TLinesResult::lrComplete);
    return lines;
  }

  std::string RawStream(std::u16string_view storage, std::u16string_view stream) {
    auto root = OpenStorageFile(file, kModeRead);
    auto s = root->OpenStream(std::u16string(storage) + u"\\" + std::u16string(stream), kModeRead,
                              false);
    return s ? s->ReadRest() : std::string("<missing>");
  }

  std::string FileBytes() {
    std::ifstream in(dir.Path() / "PC_ANNA.qmr", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static TStringList Ids(const TStringList& lines) {
    TStringList ids;
    for (const auto& l : lines) {
      TMessageInfo r;
      ParseMessageLine(l, r);
      ids.push_back(r.ID);
    }
    return ids;
  }
};

TEST_F(EMails, SortsByDateAndMarksSearchMatchesWithAsciiFolding) {
  TMemoryCollector c(*context);
  TMessageInfo alice = Message(u"a", 3);
  alice.SenderName = u"alice";
  TMessageInfo accented = Message(u"b", 1);
  accented.Subject = u"\u00e9t\u00e9";
  c.Store[u"C:\\S\\Inbox.dbx"] = {alice, accented, Message(u"c", 2)};
  c.GetMailboxFolders(u"", u"");
  c.SetFolder(u"C:\\S\\Inbox.dbx");
  ASSERT_EQ(c.RecordCount(), 3u);
  EXPECT_EQ(c.Record(0).ID, u"b");
  EXPECT_EQ(c.Record(2).ID, u"a");
  EXPECT_EQ(c.Record(0)._Client, TEmailClient::ecOutlookExpress);
  EXPECT_TRUE(c.DataAvailable());

  c.Search(u"ALICE");
  EXPECT_TRUE(c.Record(2)._Marked);
  EXPECT_FALSE(c.Record(0)._Marked);
  c.Search(u"\u00c9");  // accented letters compare exactly
  EXPECT_FALSE(c.Record(0)._Marked);
  c.Search(u"\u00e9T");
  EXPECT_TRUE(c.Record(0)._Marked);
  c.Search(u"");
  for (size_t i = 0; i < c.RecordCount(); ++i) EXPECT_FALSE(c.Record(i)._Marked);
}

TEST_F(EMails, QuicksortOfEqualAndManyDatesTerminatesAndOrders) {
  TMessages many;
  for (int i = 0; i < 100000; ++i) many.push_back(Message(u"x", i % 7 == 0 ? 5 : double(i % 1000)));
  SortMessagesByDate(many);
  for (size_t i = 1; i < many.size(); ++i)
    ASSERT_LE(many[i - 1].ReceivedDate, many[i].ReceivedDate);
  TMessages same(50000, Message(u"same", 1));
  SortMessagesByDate(same);
  EXPECT_EQ(same.size(), 50000u);
}

TEST_F(EMails, FailingFolderReadKeepsWhatWasReadAndGlobalSearchWalksAllFolders) {
  TMemoryCollector c(*context);
  c.Store[u"C:\\S\\A.dbx"] = {Message(u"report-1", 1), Message(u"x", 2), Message(u"report-3", 3)};
  c.Store[u"C:\\S\\B.dbx"] = {Message(u"report-4", 4)};
  c.FailAfter[u"C:\\S\\A.dbx"] = 2;
  c.GetMailboxFolders(u"", u"");
  c.SetFolder(u"C:\\S\\A.dbx");
  EXPECT_EQ(c.RecordCount(), 2u);

  TMessages found{Message(u"kept", 0)};
  c.GlobalSearch(u"REPORT", found, false);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].ID, u"kept");
  EXPECT_EQ(found[1].ID, u"report-1");
  EXPECT_EQ(found[2].ID, u"report-4");
  EXPECT_EQ(c.Folder(), u"C:\\S\\B.dbx");
}

TEST_F(EMails, HistoryKeepsEveryMessageOnceAcrossScans) {
  TMemoryCollector c(*context);
  const std::u16string inbox = u"C:\\S\\Inbox.dbx";
  c.Store[inbox] = {Message(u"a", 1), Message(u"b", 2), Message(u"c", 3)};
  Scan(c, file);
  EXPECT_EQ(Ids(StoredLines(u"OE", u"Inbox")), (TStringList{u"a", u"b", u"c"}));

  // Nothing new: the folder stream stays byte for byte the same.
  const std::string before = RawStream(u"OE", u"Inbox");
  Scan(c, file);
  EXPECT_EQ(RawStream(u"OE", u"Inbox"), before);

  // Two new messages.
  c.Store[inbox].push_back(Message(u"d", 4));
  c.Store[inbox].push_back(Message(u"e", 5));
  Scan(c, file);
  EXPECT_EQ(Ids(StoredLines(u"OE", u"Inbox")), (TStringList{u"a", u"b", u"c", u"d", u"e"}));

  // The newest stored message is deleted in the client, then a newer one arrives.
  c.Store[inbox].pop_back();
  Scan(c, file);
  c.Store[inbox].push_back(Message(u"f", 6));
  Scan(c, file);
  EXPECT_EQ(Ids(StoredLines(u"OE", u"Inbox")), (TStringList{u"a", u"b", u"c", u"d", u"e", u"f"}));

  // A delayed message with an older date, and a message that was read meanwhile.
  c.Store[inbox].push_back(Message(u"late", 0.5));
  c.Store[inbox][0].Flags |= kFlagRead;
  Scan(c, file);
  Scan(c, file);
  EXPECT_EQ(Ids(StoredLines(u"OE", u"Inbox")),
            (TStringList{u"a", u"b", u"c", u"d", u"e", u"f", u"late"}));
}

// An append first holds the stored lines against the records in order, keeping nothing, and
// reads them whole only where that fails: the lines it writes are always the stored ones and
// then those the append plan picks. Over random histories: messages deleted, delayed, read,
// repeated and new between scans.
TEST_F(EMails, AppendAddsWhatThePlanPicksWhateverTheOrder) {
  std::mt19937 random(17);
  for (int round = 0; round < 30; ++round) {
    test::TTempDir roundDir;
    const std::u16string history = roundDir.File("H.qmr");
    TMemoryCollector c(*context);
    const std::u16string inbox = u"C:\\S\\Inbox.dbx";
    TMessages& folder = c.Store[inbox];
    int next = 0;
    for (int scan = 0; scan < 5; ++scan) {
      for (int k = int(random() % 6); k > 0; --k, ++next)  // new messages, some dated earlier
        folder.push_back(Message(u"m" + IntToStr(next), random() % 4 ? next : next - 3));
      if (!folder.empty() && random() % 3 == 0)
        folder.erase(folder.begin() + std::ptrdiff_t(random() % folder.size()));
      if (!folder.empty() && random() % 4 == 0) folder.push_back(folder[random() % folder.size()]);
      if (!folder.empty()) folder[random() % folder.size()].Flags ^= kFlagRead;
      const TStringList stored = StoredLinesOf(history);
      c.GetMailboxFolders(u"", u"");
      c.SetFolder(inbox);
      TStringList expected = stored;
      const TMessages records = c.Records();
      for (size_t i : RecordsToAppend(stored, records))
        expected.push_back(FormatMessageLine(records[i]));
      c.AppendToStorage(history, u"", ZCompressStream, ZDecompressStream);
      ASSERT_EQ(StoredLinesOf(history), expected) << "round " << round << ", scan " << scan;
    }
  }
}

TEST_F(EMails, TwoFoldersSharingAStreamNameNeverDuplicate) {
  TMemoryCollector c(*context);
  c.Store[u"C:\\One\\Inbox.dbx"] = {Message(u"one-1", 1), Message(u"one-2", 5)};
  c.Store[u"C:\\Two\\Inbox.dbx"] = {Message(u"two-1", 2)};
  for (int i = 0; i < 5; ++i) Scan(c, file);
  TStringList ids = Ids(StoredLines(u"OE", u"Inbox"));
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (TStringList{u"one-1", u"one-2", u"two-1"}));
}

TEST_F(EMails, EmptyFolderGetsAnEmptyStreamAndLoadsBackWithoutMessages) {
  TMemoryCollector c(*context);
  c.Store[u"C:\\S\\Empty.dbx"] = {};
  Scan(c, file);
  EXPECT_EQ(RawStream(u"OE", u"Empty"), "");

  TMemoryCollector viewer(*context);
  viewer.LoadFromStorage(file, ZDecompressStream);
  EXPECT_EQ(viewer.Folders(), (TStringList{u"Empty"}));
  viewer.SetFolder(u"Empty");
  EXPECT_EQ(viewer.RecordCount(), 0u);
  EXPECT_FALSE(viewer.DataAvailable());
}

TEST_F(EMails, StoredModeLoadsListedFoldersByTheirOwnStreamNames) {
  TMemoryCollector c(*context, u"Thunderbird", TEmailClient::ecThunderbird);
  c.Store[u"C:\\Mail\\Local Folders\\Inbox"] = {Message(u"a", 1)};
  c.Store[u"C:\\Mail\\Local Folders\\lists.dev.sbd"] = {Message(u"b", 2), Message(u"c", 3)};
  Scan(c, file);

  TMemoryCollector viewer(*context, u"Thunderbird", TEmailClient::ecOutlookExpress);
  EXPECT_FALSE(viewer.LoadFromStorage(file, ZDecompressStream));
  EXPECT_FALSE(viewer.LiveData());
  ASSERT_EQ(viewer.Folders().size(), 2u);
  viewer.SetFolder(u"lists.dev");
  ASSERT_EQ(viewer.RecordCount(), 2u);
  EXPECT_EQ(viewer.Record(0)._Client, TEmailClient::ecOutlookExpress);  // the loader's own id
  EXPECT_EQ(viewer.Record(0)._Folder, u"lists.dev");
  viewer.SetFolder(u"Nothing");
  EXPECT_EQ(viewer.RecordCount(), 0u);
  EXPECT_FALSE(viewer.DataAvailable());
}

TEST_F(EMails, FilesThatAreNotHistoriesLoadQuietlyAndAreNeverOverwritten) {
  {
    std::ofstream out(dir.Path() / "PC_ANNA.qmr", std::ios::binary);
    out << "a letter the user keeps, not a history file";
  }
  const std::string original = FileBytes();
  TMemoryCollector viewer(*context);
  viewer.SetFolder(u"Inbox");
  EXPECT_TRUE(viewer.LoadFromStorage(file, ZDecompressStream));
  EXPECT_TRUE(viewer.Folders().empty());
  EXPECT_FALSE(viewer.LiveData());
  EXPECT_EQ(viewer.StorageFilename(), file);

  TMemoryCollector c(*context);
  c.Store[u"C:\\S\\Inbox.dbx"] = {Message(u"a", 1)};
  EXPECT_THROW(Scan(c, file), EStorageError);
  EXPECT_EQ(FileBytes(), original);

  TMemoryCollector missing(*context);
  EXPECT_TRUE(missing.LoadFromStorage(dir.File("none.qmr"), ZDecompressStream));
  EXPECT_TRUE(missing.Folders().empty());
}

TEST_F(EMails, LockedFileFailsTheAppendAndStaysUnchanged) {
  TMemoryCollector c(*context);
  c.Store[u"C:\\S\\Inbox.dbx"] = {Message(u"a", 1)};
  Scan(c, file);
  const std::string before = FileBytes();
  c.Store[u"C:\\S\\Inbox.dbx"].push_back(Message(u"b", 2));
  {
    auto holder = OpenStorageFile(file, kModeReadWrite);
    EXPECT_THROW(Scan(c, file), EStorageError);
  }
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(EMails, DamagedStoredLinesAreNeverRewritten) {
  TMemoryCollector c(*context);
  c.Store[u"C:\\S\\Inbox.dbx"] = {Message(u"a", 1), Message(u"b", 2)};
  Scan(c, file);
  {
    // Cut the zlib stream in the middle.
    std::string raw = RawStream(u"OE", u"Inbox");
    auto root = OpenStorageFile(file, kModeReadWrite);
    auto s = root->OpenStream(u"OE\\Inbox", kModeReadWrite, false);
    ASSERT_TRUE(s);
    s->SetSize(0);
    s->Write(raw.data(), raw.size() / 2);
  }
  const std::string damaged = FileBytes();
  c.Store[u"C:\\S\\Inbox.dbx"].push_back(Message(u"c", 3));
  try {
    Scan(c, file);
    FAIL() << "the append rewrote a damaged folder";
  } catch (const EStorageError& e) {
    EXPECT_NE(std::string(e.what()).find("OE\\Inbox"), std::string::npos) << e.what();
  }
  EXPECT_EQ(FileBytes(), damaged);
}

TEST_F(EMails, SaveToStorageRewritesTheFolderWhole) {
  TMemoryCollector c(*context);
  c.Store[u"C:\\S\\Inbox.dbx"] = {Message(u"a", 1), Message(u"b", 2)};
  Scan(c, file);
  c.Store[u"C:\\S\\Inbox.dbx"] = {Message(u"z", 9)};
  c.SetFolder(u"C:\\S\\Inbox.dbx");
  c.SaveToStorage(file, u"", ZCompressStream);
  EXPECT_EQ(Ids(StoredLines(u"OE", u"Inbox")), (TStringList{u"z"}));
}

}  // namespace
}  // namespace kv

// A scan of a copy of the sample tree with damaged folders: every folder that cannot be read
// whole is reported with its reason, what was read of it is kept, and every other folder is
// appended as from the intact tree. Empty stores and the databases that hold no messages by
// their kind are no failures.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "samples/samples_support.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"
#include "ui/client_pages.h"
#include "ui/viewer.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class SampleDamage : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("kolvane-damage-" + std::to_string(::getpid()));
  fs::path tree = dir / "tree";
  fs::path oe = tree /
                "Users/Clara/AppData/Local/Identities/{BB17E13B-2B69-4F33-8EF3-5CC51B3095F2}/"
                "Microsoft/Outlook Express";
  fs::path winmail = tree / "Users/Clara/AppData/Local/Microsoft/Windows Mail/Local Folders";
  fs::path thunderbird = tree /
                         "Users/Clara/AppData/Roaming/Thunderbird/Profiles/x7k2m9qa.default/"
                         "Mail/Local Folders";

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(test::SamplesDir(), tree, fs::copy_options::recursive);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Scans the tree into a new history file; `during` runs after each folder's append.
  std::vector<TScanReport> Scan(const std::function<void(TVix_EMails&)>& during = {}) {
    TSystemContext context(OpenOfflineWindowsTree(tree.string(), u""));
    TViewerController viewer(context, CreateClientPages(context), TLocale::Plain());
    viewer.SetDataFile((dir / "history.qmr").u16string());
    if (during)
      viewer.OnScanProgress = [&](const TClientPage& page, std::u16string_view, size_t, size_t) {
        during(*page.Collector);
      };
    viewer.OpenLocal();
    return viewer.LastScan();
  }

  size_t StoredLines(std::u16string_view storage, std::u16string_view stream) {
    TStringList lines;
    EXPECT_EQ(ReadStorageLines((dir / "history.qmr").u16string(), storage, stream,
                               ZDecompressStream, lines),
              TLinesResult::lrComplete);
    return lines.size();
  }

  static void Overwrite(const fs::path& file, size_t offset, std::string_view bytes) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(std::streamoff(offset));
    f.write(bytes.data(), std::streamsize(bytes.size()));
  }
};

TEST_F(SampleDamage, TheIntactSamplesScanWithoutAFailure) {
  // Folders.dbx (the folder list) and the listed "Local Folders" folder are read as empty.
  for (const auto& report : Scan())
    EXPECT_TRUE(report.Failures.empty()) << Utf16ToUtf8(report.Caption);
}

TEST_F(SampleDamage, EachDamagedFolderIsReportedAndTheOthersAreAppended) {
  Overwrite(oe / "Inbox.dbx", 4, "\x01\x02\x03\x04");  // the file-type id after the signature
  Overwrite(oe / "Deleted Items.dbx", 0, std::string(12, '\0'));  // no longer an OE file at all
  // An empty message database and another database kind are no failures.
  Overwrite(oe / "Folders.dbx", 4, "\x30\x9d\xfe\x26");  // as Offline.dbx is
  // A Windows Mail message that cannot be read: a FIFO in place of the file.
  const fs::path projekte = winmail / "Inbox" / "Projekte";
  fs::path victim;
  for (const auto& e : fs::directory_iterator(projekte)) victim = e.path();
  fs::remove(victim);
  ASSERT_EQ(::mkfifo(victim.c_str(), 0644), 0);
  // A Thunderbird mailbox that vanishes between the listing and its read.
  bool removed = false;
  auto removeTrash = [&](TVix_EMails& c) {
    if (removed || c.EID() != TEmailClient::ecThunderbird) return;
    removed = true;
    fs::remove(thunderbird / "Trash");
  };

  const std::vector<TScanReport> scan = Scan(removeTrash);
  ASSERT_EQ(scan.size(), 4u);
  std::map<std::u16string, TFolderFailure> failures;
  for (const auto& r : scan)
    for (const auto& f : r.Failures) failures[r.Caption + u"/" + f.Folder] = f;
  ASSERT_EQ(failures.size(), 4u);
  EXPECT_EQ(failures.at(u"Outlook Express/Inbox").Reason,
            u"File is not an Outlook Express 5/6 Message Database.");
  EXPECT_EQ(failures.at(u"Outlook Express/Deleted Items").Reason,
            u"File is not in supported format.");
  const TFolderFailure& fifo = failures.at(u"Windows Mail/Projekte");
  EXPECT_NE(fifo.Reason.find(test::U(victim.filename().string())), std::u16string::npos)
      << Utf16ToUtf8(fifo.Reason);
  EXPECT_LE(fifo.MessagesRead, 1u);
  const TFolderFailure& gone = failures.at(u"Mozilla Thunderbird/Trash");
  EXPECT_EQ(gone.MessagesRead, 0u);
  EXPECT_FALSE(gone.Reason.empty());

  // The folders before and after the damaged ones are in the file as from the intact tree;
  // what was read of the Windows Mail folder before its failure is kept.
  EXPECT_EQ(StoredLines(u"OE", u"Sent Items"), 2u);
  EXPECT_EQ(StoredLines(u"OE", u"Inbox"), 3u);  // the other identity's Inbox shares the stream
  EXPECT_EQ(StoredLines(u"WinMail", u"Projekte"), fifo.MessagesRead);
  EXPECT_GT(StoredLines(u"Thunderbird", u"Inbox"), 0u);
}

}  // namespace
}  // namespace kv

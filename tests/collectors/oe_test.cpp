// The Outlook Express collector over identities trees on the fake platform and on an offline
// drive: which files become folders, how a folder file becomes records, damaged files.
#include "collectors/oe.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "collectors/windows_tree.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"
#include "support/dbx_builder.h"
#include "support/mbx_builder.h"
#include "system/file_search.h"

namespace kv {
namespace {

using fixtures::DbxBuilder;
using fixtures::DbxMessage;
using fixtures::FileTimeUtc;

constexpr char16_t kIdentities[] = u"C:\\Users\\anna\\AppData\\Local\\Identities\\";
constexpr char16_t kA[] =
    u"C:\\Users\\anna\\AppData\\Local\\Identities\\{A}\\Microsoft\\Outlook Express\\";
constexpr char16_t kB[] =
    u"C:\\Users\\anna\\AppData\\Local\\Identities\\{B}\\Microsoft\\Outlook Express\\";

std::u16string Path(const char16_t* folder, std::u16string_view name) {
  return std::u16string(folder) + std::u16string(name);
}

DbxMessage Mail(std::string subject, uint64_t received, std::string text = "x") {
  DbxMessage m;
  m.Subject = subject;
  m.SenderName = "Ann Lee";
  m.SenderEmail = "ann@example.org";
  m.ReceiverEmail = "bob@example.org";
  m.Received = received;
  m.Text = text.empty() ? "" : "Subject: " + subject + "\r\n\r\n" + text;
  return m;
}

std::string Dbx(std::initializer_list<DbxMessage> messages) {
  DbxBuilder b;
  for (const DbxMessage& m : messages) b.Add(m);
  return b.Build().Bytes;
}

TStringList Subjects(const TVix_EMails& c) {
  TStringList out;
  for (const TMessageInfo& m : c.Records()) out.push_back(m.Subject);
  return out;
}

class OECollector : public ::testing::Test {
 protected:
  test::TFakeWindows windows;
  TFakePlatform& fake = windows.Fake;
};

TEST_F(OECollector, TwoIdentitiesGiveTheirFilesAsFoldersInWalkOrder) {
  const std::string one = Dbx({Mail("a", FileTimeUtc(2005, 1, 1, 0, 0, 0))});
  fake.AddFile(Path(kA, u"Inbox.dbx"), one);
  fake.AddFile(Path(kA, u"Sent Items.dbx"), one);
  fake.AddFile(Path(kA, u"Inbox.txt"), "not a folder file");
  fake.AddFile(Path(kB, u"Inbox.dbx"), one);
  fake.AddFile(Path(kB, u"Sent Items.DBX"), one);
  TVix_OE oe(windows.Context());
  EXPECT_EQ(oe.StorageFolder(), u"OE");
  EXPECT_EQ(oe.EID(), TEmailClient::ecOutlookExpress);

  oe.GetMailboxFolders(u"", u"");
  EXPECT_EQ(oe.Store(), kIdentities);
  EXPECT_EQ(oe.Folders(), (TStringList{Path(kA, u"Inbox.dbx"), Path(kA, u"Sent Items.dbx"),
                                       Path(kB, u"Inbox.dbx"), Path(kB, u"Sent Items.DBX")}));
  for (size_t i : {0, 2}) {
    oe.SetFolder(oe.Folders()[i]);
    ASSERT_EQ(oe.RecordCount(), 1u);
    EXPECT_EQ(oe.Record(0)._Folder, u"Inbox");
  }
  oe.SetFolder(oe.Folders()[3]);
  ASSERT_EQ(oe.RecordCount(), 1u);
  EXPECT_EQ(oe.Record(0)._Folder, u"Sent Items");
}

TEST_F(OECollector, ReadsAFolderSortedByDateWithoutEmptyMessages) {
  DbxMessage late = Mail("late", FileTimeUtc(2006, 5, 1, 10, 0, 0));
  late.ReceiverEmail = "bob@example.org;carl@example.org";
  late.ReceiverName = "Bob;Carl";
  late.Priority = 1;
  late.Server = "pop.example.org";
  late.Account = "Example";
  fake.AddFile(Path(kA, u"Inbox.dbx"),
               Dbx({late, Mail("no text", FileTimeUtc(2004, 1, 1, 0, 0, 0), ""),
                    Mail("early", FileTimeUtc(2003, 2, 1, 0, 0, 0))}));
  TVix_OE oe(windows.Context());
  oe.GetMailboxFolders(u"", u"");
  oe.SetFolder(Path(kA, u"Inbox.dbx"));

  ASSERT_EQ(Subjects(oe), (TStringList{u"early", u"late"}));
  const TMessageInfo& m = oe.Record(1);
  EXPECT_EQ(m.ReceiverEmail, u"bob@example.org,carl@example.org");
  EXPECT_EQ(m.ReceiverName, u"Bob,Carl");
  EXPECT_EQ(m.SenderName, u"Ann Lee");
  EXPECT_EQ(m.SenderEmail, u"ann@example.org");
  EXPECT_EQ(m.Server, u"pop.example.org");
  EXPECT_EQ(m.Account, u"Example");
  EXPECT_EQ(m.Priority, 1u);
  EXPECT_GT(m.Size, 0u);
  EXPECT_EQ(m._Folder, u"Inbox");
  EXPECT_EQ(m._Client, TEmailClient::ecOutlookExpress);
  EXPECT_FALSE(m._Marked);
  EXPECT_GT(m.ReceivedDate, oe.Record(0).ReceivedDate);
  EXPECT_TRUE(oe.DataAvailable());
}

TEST_F(OECollector, ReadsOutlookExpress4FoldersWithAndWithoutTheirIndex) {
  fixtures::MbxBuilder b;
  fixtures::MbxMessage m;
  m.Text =
      "From: Ann <ann@example.org>\r\nSubject: old\r\nDate: Tue, 3 Mar 1998 10:00:00 "
      "+0000\r\n\r\nbody";
  m.Subject = "old";
  m.SenderEmail = "ann@example.org";
  m.ReceiverEmail = "bob@example.org;carl@example.org";
  m.Received = FileTimeUtc(1998, 3, 3, 10, 0, 0);
  b.Add(m);
  const fixtures::MbxFolder f = b.Build();
  const std::u16string mail = u"C:\\Users\\anna\\AppData\\Local\\Identities\\{C}\\Mail\\";
  fake.AddFile(mail + u"Inbox.mbx", f.Mbx);
  fake.AddFile(mail + u"Inbox.idx", f.Idx);
  fake.AddFile(mail + u"Loose.mbx", f.Mbx);
  TVix_OE oe(windows.Context());
  oe.GetMailboxFolders(u"", u"");
  ASSERT_EQ(oe.Folders(), (TStringList{mail + u"Inbox.mbx", mail + u"Loose.mbx"}));

  oe.SetFolder(mail + u"Inbox.mbx");
  ASSERT_EQ(oe.RecordCount(), 1u);
  EXPECT_EQ(oe.Record(0).Subject, u"old");
  EXPECT_EQ(oe.Record(0).ReceiverEmail, u"bob@example.org,carl@example.org");
  EXPECT_NE(oe.Record(0).ReceivedDate, 0);
  EXPECT_EQ(oe.Record(0)._Folder, u"Inbox");

  // Without its .idx file the header text gives the facts.
  oe.SetFolder(mail + u"Loose.mbx");
  ASSERT_EQ(oe.RecordCount(), 1u);
  EXPECT_EQ(oe.Record(0).Subject, u"old");
  EXPECT_EQ(oe.Record(0).SenderName, u"Ann <ann@example.org>");
  EXPECT_EQ(oe.Record(0).Received, u"Tue, 3 Mar 1998 10:00:00 +0000");
  EXPECT_EQ(oe.Record(0)._Folder, u"Loose");
}

TEST_F(OECollector, DamagedFilesStayListedYieldNoMessagesAndTheScanGoesOn) {
  const std::string good = Dbx({Mail("kept", FileTimeUtc(2005, 1, 1, 0, 0, 0))});
  std::string folders = good;
  folders[4] = char(0xC6);  // the folder database every identity holds: not messages
  std::string none = good;
  fixtures::PutU32(none, fixtures::kDbxEntryCountField, 0);
  fake.AddFile(Path(kA, u"Folders.dbx"), folders);
  fake.AddFile(Path(kA, u"Empty.mbx"), "");
  fake.AddFile(Path(kA, u"Junk.dbx"), "this is no folder file at all");
  fake.AddFile(Path(kA, u"None.dbx"), none);
  fake.AddFolder(Path(kA, u"Locked.dbx"));  // listed, but cannot be opened as a file
  fake.AddFile(Path(kA, u"Inbox.dbx"), good);

  TVix_OE oe(windows.Context());
  oe.GetMailboxFolders(u"", u"");
  ASSERT_EQ(oe.Folders().size(), 6u);
  test::TTempTree dir;
  const std::u16string file = Utf8ToUtf16(dir.Path("PC_ANNA.qmr"));
  for (const std::u16string& folder : TStringList(oe.Folders())) {
    oe.SetFolder(folder);
    const bool inbox = FolderNameFromPath(folder) == u"Inbox";
    EXPECT_EQ(oe.RecordCount(), inbox ? 1u : 0u) << Utf16ToUtf8(folder);
    oe.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
  }
  TStringList lines;
  EXPECT_EQ(ReadStorageLines(file, u"OE", u"Inbox", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(OECollector, StoreGivenOrOtherUserOrNone) {
  fake.AddFile(u"D:\\Mail\\OE\\Inbox.dbx", Dbx({Mail("a", FileTimeUtc(2005, 1, 1, 0, 0, 0))}));
  fake.AddFile(u"D:\\Mail\\OE\\Identities\\Other.dbx", "");
  fake.AddFile(u"C:\\Users\\bob\\AppData\\Local\\Identities\\{X}\\Inbox.dbx", "");
  TVix_OE oe(windows.Context());

  // A store without its trailing separator: searched as it is, "Identities" not appended.
  oe.GetMailboxFolders(u"", u"D:\\Mail\\OE");
  EXPECT_EQ(oe.Store(), u"D:\\Mail\\OE\\");
  EXPECT_EQ(oe.Folders(),
            (TStringList{u"D:\\Mail\\OE\\Inbox.dbx", u"D:\\Mail\\OE\\Identities\\Other.dbx"}));

  // Another user: the running user's local application data mapped into that user's profile.
  oe.GetMailboxFolders(u"bob", u"");
  EXPECT_EQ(oe.Store(), u"C:\\Users\\bob\\AppData\\Local\\Identities\\");
  EXPECT_EQ(oe.Folders(),
            (TStringList{u"C:\\Users\\bob\\AppData\\Local\\Identities\\{X}\\Inbox.dbx"}));
}

TEST(OECollectorAlone, WithoutApplicationDataTheListStaysEmpty) {
  auto p = std::make_unique<TFakePlatform>();
  p->AddFile(u"C:\\Identities\\Inbox.dbx", "");  // not found from a lone separator either
  TSystemContext context(std::move(p));
  TVix_OE oe(context);
  oe.GetMailboxFolders(u"", u"");
  EXPECT_EQ(oe.Store(), u"\\Identities\\");
  EXPECT_TRUE(oe.Folders().empty());
}

TEST_F(OECollector, StoredModeLeavesTheFolderListAlone) {
  fake.AddFile(Path(kA, u"Inbox.dbx"), Dbx({Mail("a", FileTimeUtc(2005, 1, 1, 0, 0, 0))}));
  TVix_OE oe(windows.Context());
  test::TTempTree dir;
  oe.LoadFromStorage(Utf8ToUtf16(dir.Path("missing.qmr")), ZDecompressStream);
  oe.SetFolders({u"Kept"});
  oe.GetMailboxFolders(u"", u"");
  EXPECT_EQ(oe.Folders(), TStringList{u"Kept"});
}

// ---- on an offline Windows drive, read through hivex (the Linux build) ----
#if KOLVANE_HAVE_OFFLINE_TREE

TEST(OECollectorOnDisk, FindsTheIdentitiesOfAnOfflineDrive) {
  test::TDiskWindows windows;
  const std::string folder =
      "Users/anna/AppData/Local/Identities/{1F2E}/Microsoft/Outlook Express/";
  windows.Tree.Write(folder + "Inbox.dbx", Dbx({Mail("second", FileTimeUtc(2007, 1, 2, 0, 0, 0)),
                                                Mail("first", FileTimeUtc(2007, 1, 1, 0, 0, 0))}));
  windows.Tree.Write(folder + "Folders.dbx", "\xCF\xAD\x12\xFE\xC6\xFD\x74\x6F");
  std::filesystem::create_symlink("nowhere.dbx", windows.Tree.Path(folder + "Gone.dbx"));
  TVix_OE oe(windows.Open());

  oe.GetMailboxFolders(u"", u"");
  EXPECT_EQ(oe.Store(), u"C:\\Users\\anna\\AppData\\Local\\Identities\\");
  ASSERT_EQ(oe.Folders().size(), 3u);
  size_t records = 0;
  for (const std::u16string& f : TStringList(oe.Folders())) {
    oe.SetFolder(f);
    records += oe.RecordCount();
    if (FolderNameFromPath(f) == u"Inbox") {
      EXPECT_EQ(Subjects(oe), (TStringList{u"first", u"second"}));
    }
  }
  EXPECT_EQ(records, 2u);
}

#endif  // KOLVANE_HAVE_OFFLINE_TREE

}  // namespace
}  // namespace kv

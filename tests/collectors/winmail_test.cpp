// The Windows Mail collector, the store-root lookup and the .eml folder reader it shares with
// Windows Live Mail: registry locations, folder lists, records of .eml files, the header-only
// read and unreadable files.
#include "collectors/winmail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/error.h"
#include "collectors/eml_folder.h"
#include "collectors/store_root.h"
#include "collectors/windows_tree.h"
#include "formats/maildate.h"
#include "support/eml_builder.h"
#include "system/linux_platform.h"

namespace kv {
namespace {

using fixtures::EmlBuilder;
using namespace std::string_view_literals;

constexpr char16_t kMailKey[] = u"Software\\Microsoft\\Windows Mail";
constexpr char16_t kLocal[] =
    u"C:\\Users\\anna\\AppData\\Local\\Microsoft\\Windows Mail\\Local Folders";

std::u16string In(std::u16string_view folder, std::u16string_view name) {
  return std::u16string(folder) + u"\\" + std::u16string(name);
}

TStringList Subjects(const TVix_EMails& c) {
  TStringList out;
  for (const TMessageInfo& m : c.Records()) out.push_back(m.Subject);
  return out;
}

class WinMailCollector : public ::testing::Test {
 protected:
  test::TFakeWindows windows;
  TFakePlatform& fake = windows.Fake;
};

TEST_F(WinMailCollector, StoreRootFromTheUsersHiveWithTheProfileFolderPutIn) {
  windows.SetUserText(test::kAnnaSid, kMailKey, u"Store Root",
                      u"%userPROFILE%\\AppData\\Local\\Microsoft\\Windows Mail");
  windows.SetUserText(test::kBobSid, kMailKey, u"Store Root",
                      u"%UserProfile%\\Mail\\%UserProfile%");
  windows.SetUserText(test::kBobSid, u"Software\\Microsoft\\Windows Live Mail", u"Store Root",
                      u"%LOCALAPPDATA%\\Microsoft\\Windows Live Mail");
  const TSystemContext& context = windows.Context();
  EXPECT_EQ(ReadStoreRoot(context, u"anna", u"Windows Mail"),
            u"C:\\Users\\anna\\AppData\\Local\\Microsoft\\Windows Mail\\");
  EXPECT_EQ(ReadStoreRoot(context, u"", u"Windows Mail"),
            u"C:\\Users\\anna\\AppData\\Local\\Microsoft\\Windows Mail\\");
  // Only the first occurrence is replaced, and no other variable is expanded.
  EXPECT_EQ(ReadStoreRoot(context, u"bob", u"Windows Mail"),
            u"C:\\Users\\bob\\Mail\\%UserProfile%\\");
  EXPECT_EQ(ReadStoreRoot(context, u"bob", u"Windows Live Mail"),
            u"%LOCALAPPDATA%\\Microsoft\\Windows Live Mail\\");
  EXPECT_EQ(ReadStoreRoot(context, u"anna", u"Windows Live Mail"), u"");
  EXPECT_EQ(ReadStoreRoot(context, u"carl", u"Windows Mail"), u"");  // no SID, no hive
}

TEST_F(WinMailCollector, OlderSystemsReadTheCurrentUsersKey) {
  fake.Facts.OSVersion.PlatformId = kPlatformWin32Windows;
  fake.SetText(TRegistryRoot::CurrentUser, u"\\Software\\Microsoft\\Windows Mail", u"Store Root",
               u"C:\\Mail");
  windows.SetUserText(test::kAnnaSid, kMailKey, u"Store Root", u"C:\\Elsewhere");
  EXPECT_EQ(ReadStoreRoot(windows.Context(), u"anna", u"Windows Mail"), u"C:\\Mail\\");
}

TEST_F(WinMailCollector, ListsEveryFolderBelowLocalFoldersAParentFirst) {
  windows.SetUserText(test::kAnnaSid, kMailKey, u"Store Root",
                      u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Mail");
  fake.AddFolder(In(kLocal, u"Inbox"));
  fake.AddFolder(In(kLocal, u"Inbox\\Sub"));
  fake.AddFolder(In(kLocal, u"Hidden"), faDirectory | faHidden);
  fake.AddFile(In(kLocal, u"WindowsMail.MSMessageStore"), "store");
  fake.AddFolder(u"C:\\Users\\anna\\AppData\\Local\\Microsoft\\Windows Mail\\Backup");
  TVix_WinMail wm(windows.Context());
  EXPECT_EQ(wm.StorageFolder(), u"WinMail");
  EXPECT_EQ(wm.EID(), TEmailClient::ecWindowsMail);

  wm.GetMailboxFolders(u"", u"");
  EXPECT_EQ(wm.Store(), kLocal);
  EXPECT_EQ(wm.Folders(),
            (TStringList{In(kLocal, u"Inbox"), In(kLocal, u"Inbox\\Sub"), In(kLocal, u"Hidden")}));

  // A given store is taken as it stands.
  fake.AddFolder(u"D:\\Store\\Drafts");
  wm.GetMailboxFolders(u"", u"D:\\Store");
  EXPECT_EQ(wm.Store(), u"D:\\Store");
  EXPECT_EQ(wm.Folders(), TStringList{u"D:\\Store\\Drafts"});
}

TEST_F(WinMailCollector, NoStoreRootMeansNoFolders) {
  fake.AddFolder(In(kLocal, u"Inbox"));
  TVix_WinMail wm(windows.Context());
  wm.SetFolders({u"old"});
  wm.GetMailboxFolders(u"", u"");
  EXPECT_TRUE(wm.Folders().empty());
  windows.SetUserText(test::kAnnaSid, kMailKey, u"Store Root", u"");
  wm.GetMailboxFolders(u"", u"");
  EXPECT_TRUE(wm.Folders().empty());
  // A store root that does not exist: the search finds nothing.
  windows.SetUserText(test::kAnnaSid, kMailKey, u"Store Root", u"E:\\Gone");
  wm.GetMailboxFolders(u"", u"");
  EXPECT_EQ(wm.Store(), u"E:\\Gone\\Local Folders");
  EXPECT_TRUE(wm.Folders().empty());
}

TEST_F(WinMailCollector, ReadsTheEmlFilesOfAFolderIntoRecordsSortedByDate) {
  const std::u16string inbox = In(kLocal, u"Inbox");
  const std::string first = EmlBuilder()
                                .From("\"Lee, Ann\" <ann@example.org>")
                                .To("Bob <bob@example.org>; carl@example.org")
                                .Subject("=?iso-8859-2?Q?=B9ipka?= second")
                                .Date("Tue, 02 Mar 2010 10:00:00 +0000")
                                .MessageId("<2@example.org>")
                                .Priority("1 (Highest)")
                                .MozillaStatus(0x0001)
                                .Body("hello\r\n")
                                .Attach("a.bin", "application/octet-stream", std::string(3000, 'x'))
                                .Build();
  const std::string early = EmlBuilder()
                                .From("carl@example.org")
                                .To("=?utf-8?Q?Smith=3B_Jo?= <jo@example.org>")
                                .Subject("first")
                                .Date("Mon, 01 Mar 2010 10:00:00 +0000")
                                .Build();
  const std::string undated = EmlBuilder().From("dan@example.org").Subject("undated").Build();
  fake.AddFile(In(inbox, u"{1}.eml"), first);
  fake.AddFile(In(inbox, u"{2}.EML"), undated);
  fake.AddFile(In(inbox, u"{3}.eml"), early);
  fake.AddFile(In(inbox, u"notes.txt"), "Subject: not a message\r\n\r\n");
  fake.AddFile(In(inbox, u"Sub.folder\\{4}.eml"), early);

  TVix_WinMail wm(windows.Context());
  wm.GetMailboxFolders(u"", kLocal);
  wm.SetFolder(inbox);
  ASSERT_EQ(Subjects(wm), (TStringList{u"undated", u"first", u"\u0161ipka second"}));

  const TMessageInfo& undatedRecord = wm.Record(0);
  EXPECT_EQ(undatedRecord.ReceivedDate, 0);
  EXPECT_EQ(undatedRecord.Received, u"");
  EXPECT_EQ(undatedRecord.SenderName, u"dan@example.org");
  EXPECT_EQ(undatedRecord.SenderEmail, u"dan@example.org");
  EXPECT_EQ(undatedRecord.Size, undated.size());

  const TMessageInfo& m = wm.Record(2);
  EXPECT_EQ(m.SenderEmail, u"ann@example.org");
  EXPECT_EQ(m.SenderName.find(u"Lee"), 0u) << Utf16ToUtf8(m.SenderName);
  EXPECT_EQ(m.ReceiverName, u"Bob");  // the To value ends at its first semicolon
  EXPECT_EQ(m.ReceiverEmail, u"bob@example.org");
  EXPECT_EQ(m.ID, u"<2@example.org>");
  EXPECT_EQ(m.Priority, 1u);
  EXPECT_EQ(m.Received, u"Tue, 02 Mar 2010 10:00:00 +0000");
  EXPECT_EQ(m.ReceivedDate, ParseMailDate(u"Tue, 02 Mar 2010 10:00:00 +0000"));
  EXPECT_EQ(m.Size, first.size());
  EXPECT_EQ(m.Flags, 0u);  // read and attachment marks of .eml files are not used
  EXPECT_EQ(m._Folder, u"Inbox");
  EXPECT_EQ(m._Client, TEmailClient::ecWindowsMail);
  EXPECT_EQ(m.Server, u"");
  EXPECT_EQ(m.Account, u"");

  // A semicolon that an encoded word brings into the receiver becomes a comma.
  EXPECT_EQ(wm.Record(1).ReceiverName, u"Smith, Jo");
  EXPECT_EQ(wm.Record(1).ReceiverEmail, u"jo@example.org");

  // A folder's display name stops before its last dot.
  wm.SetFolder(In(inbox, u"Sub.folder"));
  ASSERT_EQ(wm.RecordCount(), 1u);
  EXPECT_EQ(wm.Record(0)._Folder, u"Sub");
}

TEST_F(WinMailCollector, AnUnreadableFileEndsTheFolderReadKeepingWhatCameBefore) {
  const std::u16string inbox = In(kLocal, u"Inbox");
  fake.AddFile(In(inbox, u"b.eml"),
               EmlBuilder().Subject("b").Date("2 Mar 2010 10:00 +0000").Build());
  fake.AddFile(In(inbox, u"a.eml"),
               EmlBuilder().Subject("a").Date("1 Mar 2010 10:00 +0000").Build());
  fake.AddFolder(In(inbox, u"locked.eml"));  // listed among the files, cannot be opened
  fake.AddFile(In(inbox, u"c.eml"), EmlBuilder().Subject("c").Build());
  fake.AddFolder(In(kLocal, u"Only unreadable\\x.eml"));
  fake.AddFile(In(kLocal, u"Next\\n.eml"), EmlBuilder().Subject("n").Build());

  TVix_WinMail wm(windows.Context());
  wm.GetMailboxFolders(u"", kLocal);
  wm.SetFolder(inbox);
  // In file order: the failure came before the sort.
  EXPECT_EQ(Subjects(wm), (TStringList{u"b", u"a"}));
  wm.SetFolder(In(kLocal, u"Only unreadable"));
  EXPECT_EQ(wm.RecordCount(), 0u);
  EXPECT_FALSE(wm.DataAvailable());
  wm.SetFolder(In(kLocal, u"Next"));
  EXPECT_EQ(Subjects(wm), TStringList{u"n"});
}

// ---- the header-only read ----

// A stream over memory that counts the bytes asked of it.
class TCountingStream final : public IReadStream {
 public:
  explicit TCountingStream(std::string bytes) : FInner(std::move(bytes)) {}
  uint64_t Size() const override { return FInner.Size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    const size_t n = FInner.ReadAt(offset, buffer, count);
    Read += n;
    return n;
  }
  size_t Read = 0;

 private:
  TMemoryReadStream FInner;
};

// Parses `message` from the header block the reader cut and from the whole text; both agree.
void ExpectSameHeader(const std::string& message, const std::string& what) {
  TCountingStream stream(message);
  std::string block;
  ReadHeaderBlock(stream, block);
  ASSERT_LE(block.size(), message.size()) << what;
  EXPECT_EQ(message.compare(0, block.size(), block), 0) << what;
  TEMLHeader cut, whole;
  ReadEMLHeader(std::string_view(block), cut);
  ReadEMLHeader(std::string_view(message), whole);
  EXPECT_EQ(cut.Subject, whole.Subject) << what;
  EXPECT_EQ(cut.From, whole.From) << what;
  EXPECT_EQ(cut.SendTo, whole.SendTo) << what;
  EXPECT_EQ(cut.Date, whole.Date) << what;
  EXPECT_EQ(cut.MessageId, whole.MessageId) << what;
  EXPECT_EQ(cut.Priority, whole.Priority) << what;
  EXPECT_EQ(cut.ContentType, whole.ContentType) << what;
}

std::string Utf16(std::u16string_view text, bool little) {
  std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t c : text) {
    const char lo = char(c & 0xFF), hi = char(c >> 8);
    out += little ? lo : hi;
    out += little ? hi : lo;
  }
  return out;
}

TEST(EmlHeaderBlock, ReadsOnlyTheHeaderOfALargeMessage) {
  const std::string big =
      EmlBuilder()
          .From("ann@example.org")
          .Subject("big")
          .Body("see attachment\r\n")
          .Attach("big.bin", "application/octet-stream", std::string(1 << 20, '\x5A'))
          .Build();
  TCountingStream stream(big);
  std::string block;
  ReadHeaderBlock(stream, block);
  EXPECT_LE(stream.Read, 8192u);
  EXPECT_EQ(block.find("Subject: big"), block.find("Subject:"));
  EXPECT_EQ(block.find("see attachment"), std::string::npos);
  ExpectSameHeader(big, "big");
}

TEST(EmlHeaderBlock, FindsTheSameFieldsAsTheParserOverTheWholeText) {
  const std::string body = "\r\nSubject: body field\r\n\r\nmore";
  ExpectSameHeader("Subject: crlf\r\nFrom: a@b\r\n" + body, "CR LF");
  ExpectSameHeader("Subject: lf\nFrom: a@b\n\nSubject: body\n", "LF");
  ExpectSameHeader("Subject: cr\rFrom: a@b\r\rSubject: body\r", "CR");
  ExpectSameHeader("Subject: mixed\r\r\nFrom: a@b\r\n\r\nSubject: body", "CR then CR LF");
  ExpectSameHeader("\r\n\n\rSubject: after blank lines\r\n\r\nSubject: body", "leading blanks");
  ExpectSameHeader("\xEF\xBB\xBF\r\nSubject: bom\r\n\r\nSubject: body", "UTF-8 mark");
  ExpectSameHeader("Subject: folded\r\n continued\r\nTo: x@y\r\n" + body, "folded");
  ExpectSameHeader("Subject: no body at all", "no line end");
  ExpectSameHeader("Subject: header only\r\n", "no empty line");
  ExpectSameHeader("", "empty file");
  ExpectSameHeader("\r\n\r\n", "only blank lines");
  ExpectSameHeader(Utf16(u"Subject: \u0161ipka\r\nTo: b@c\r\n\r\nSubject: body", true), "UTF-16LE");
  ExpectSameHeader(Utf16(u"Subject: \u010a\u0a0d\r\n\r\nSubject: body", false), "UTF-16BE");
  ExpectSameHeader(Utf16(u"\uFEFF\r\n\r\nSubject: marked twice\r\n\r\nSubject: body", true),
                   "UTF-16 text that begins with its own mark");

  // Headers longer than the first read, with a line break cut at each block boundary.
  for (size_t at : {8190u, 8191u, 8192u, 8193u, 16383u, 16384u}) {
    std::string h = "X-Long: " + std::string(at - 10, 'r') + "\r\nSubject: long\r\n";
    ExpectSameHeader(h + body, "long header " + std::to_string(at));
    ExpectSameHeader("Subject: s\r" + std::string(at - 12, 'q') + "\r\r\nSubject: body",
                     "CR at " + std::to_string(at));
  }
}

TEST(EmlHeaderBlock, IncompleteTextsAskForMoreOnlyWhenTheyCannotTell) {
  EXPECT_EQ(FindHeaderBlockEnd("Subject: a\r\n\r\nbody", false), 12u);
  EXPECT_EQ(FindHeaderBlockEnd("Subject: a\r", false), std::nullopt);
  EXPECT_EQ(FindHeaderBlockEnd("Subject: a\r", true), 11u);
  EXPECT_EQ(FindHeaderBlockEnd("Subject: a", false), std::nullopt);
  EXPECT_EQ(FindHeaderBlockEnd("\xEF\xBB", false), std::nullopt);
  EXPECT_EQ(FindHeaderBlockEnd("\r\n\r\n", false), std::nullopt);
  EXPECT_EQ(FindHeaderBlockEnd("\xFF\xFEZ\0\n\0\n\0"sv, false), 6u);
}

// ---- on an offline Windows drive, read through hivex (the Linux build) ----
#if KOLVANE_HAVE_OFFLINE_TREE

TEST(WinMailOnDisk, ReadsTheStoreOfAnOfflineDrive) {
  test::TDiskWindows windows;
  windows.User().SetExpandText("Software\\Microsoft\\Windows Mail", "Store Root",
                               u"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows Mail");
  const std::string local = "Users/anna/AppData/Local/Microsoft/Windows Mail/Local Folders/";
  const std::string a = EmlBuilder().Subject("a").Date("1 Mar 2010 10:00 +0000").Build();
  windows.Tree.Write(local + "Inbox/{A}.eml", a);
  windows.Tree.Write(local + "Inbox/Sub/{B}.eml", a);
  windows.Tree.Folder(local + "Sent Items");
  windows.Tree.Folder(local + "Broken");
  std::filesystem::create_symlink("gone.eml", windows.Tree.Path(local + "Broken/{C}.eml"));
  TVix_WinMail wm(windows.Open());

  wm.GetMailboxFolders(u"", u"");
  EXPECT_EQ(wm.Store(), kLocal);
  TStringList names;
  for (const std::u16string& f : wm.Folders())
    names.push_back(f.substr(std::u16string(kLocal).size()));
  std::sort(names.begin(), names.end());  // the disk's listing order is its own
  EXPECT_EQ(names, (TStringList{u"\\Broken", u"\\Inbox", u"\\Inbox\\Sub", u"\\Sent Items"}));

  wm.SetFolder(In(kLocal, u"Inbox"));
  ASSERT_EQ(wm.RecordCount(), 1u);
  EXPECT_EQ(wm.Record(0).Size, a.size());
  EXPECT_EQ(wm.Record(0)._Folder, u"Inbox");
  wm.SetFolder(In(kLocal, u"Broken"));
  EXPECT_EQ(wm.RecordCount(), 0u);
}

TEST(WinMailOnLinux, AGivenStoreIsReadWithThisMachinesPaths) {
  test::TTempTree tree;
  const std::string a = EmlBuilder().Subject("linux").Date("1 Mar 2010 10:00 +0000").Build();
  tree.Write("Local Folders/Inbox.2010/a.eml", a);
  tree.Folder("Local Folders/Inbox.2010/Sub");
  TSystemContext context(MakeLinuxPlatform());
  TVix_WinMail wm(context);
  const std::u16string store = Utf8ToUtf16(tree.Path("Local Folders"));
  wm.GetMailboxFolders(u"", store);
  EXPECT_EQ(wm.Folders(), (TStringList{store + u"/Inbox.2010", store + u"/Inbox.2010/Sub"}));
  wm.SetFolder(wm.Folders()[0]);
  ASSERT_EQ(wm.RecordCount(), 1u);
  EXPECT_EQ(wm.Record(0).Subject, u"linux");
  EXPECT_EQ(wm.Record(0).Size, a.size());
  EXPECT_EQ(wm.Record(0)._Folder, u"Inbox");
}

#endif  // KOLVANE_HAVE_OFFLINE_TREE

}  // namespace
}  // namespace kv

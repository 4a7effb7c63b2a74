// The Windows Live Mail collector: the default account's folder found through its .oeaccount
// file, the fallbacks to the whole store, and the records of its .eml folders.
#include "collectors/winlivemail.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "collectors/windows_tree.h"
#include "support/eml_builder.h"

namespace kv {
namespace {

using fixtures::EmlBuilder;

constexpr char16_t kLiveKey[] = u"Software\\Microsoft\\Windows Live Mail";
constexpr char16_t kRoot[] = u"C:\\Users\\anna\\AppData\\Local\\Microsoft\\Windows Live Mail\\";

std::u16string At(std::u16string_view relative) { return kRoot + std::u16string(relative); }

// A store with two accounts, each with its account file, Inbox and Sent Items, and a folder of
// its own directly under the store root.
class WinLiveMailCollector : public ::testing::Test {
 protected:
  WinLiveMailCollector() {
    windows.SetUserText(test::kAnnaSid, kLiveKey, u"Store Root",
                        u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Live Mail");
    for (const char16_t* account : {u"Hotmail (ann)", u"Example (ann)"}) {
      const std::u16string folder = At(account);
      fake.AddFile(folder + u"\\account{" + (account[0] == u'H' ? u"11" : u"22") + u"}.oeaccount",
                   "<MessageAccount/>");
      fake.AddFolder(folder + u"\\Inbox");
      fake.AddFolder(folder + u"\\Sent Items");
    }
    fake.AddFolder(At(u"Outbox"));
  }

  TStringList FoldersFor(std::u16string_view defaultAccount) {
    if (!defaultAccount.empty()) {
      windows.SetUserText(test::kAnnaSid, kLiveKey, u"Default Mail Account", defaultAccount);
    }
    TVix_WinLiveMail wlm(windows.Context());
    wlm.GetMailboxFolders(u"", u"");
    store = wlm.Store();
    return wlm.Folders();
  }

  test::TFakeWindows windows;
  TFakePlatform& fake = windows.Fake;
  std::u16string store;
};

TEST_F(WinLiveMailCollector, TheDefaultAccountsFoldersOnly) {
  EXPECT_EQ(FoldersFor(u"ACCOUNT{22}.OEACCOUNT"),
            (TStringList{At(u"Example (ann)\\Inbox"), At(u"Example (ann)\\Sent Items")}));
  EXPECT_EQ(store, At(u"Example (ann)\\"));
}

TEST_F(WinLiveMailCollector, WithoutAMatchingAccountFileTheWholeStore) {
  const TStringList all{
      At(u"Hotmail (ann)"), At(u"Hotmail (ann)\\Inbox"), At(u"Hotmail (ann)\\Sent Items"),
      At(u"Example (ann)"), At(u"Example (ann)\\Inbox"), At(u"Example (ann)\\Sent Items"),
      At(u"Outbox")};
  EXPECT_EQ(FoldersFor(u""), all);  // no "Default Mail Account" value at all
  EXPECT_EQ(store, kRoot);
  EXPECT_EQ(FoldersFor(u"account{99}.oeaccount"), all);
  EXPECT_EQ(store, kRoot);
}

TEST_F(WinLiveMailCollector, AGivenStoreBypassesRegistryAndAccounts) {
  auto bare = std::make_unique<TFakePlatform>();
  bare->AddFile(u"E:\\Live\\A\\a.oeaccount", "");
  bare->AddFolder(u"E:\\Live\\A\\Inbox");
  bare->AddFolder(u"E:\\Live\\B");
  TSystemContext context(std::move(bare));
  TVix_WinLiveMail wlm(context);
  EXPECT_EQ(wlm.StorageFolder(), u"WinLiveMail");
  EXPECT_EQ(wlm.EID(), TEmailClient::ecWindowsLiveMail);
  wlm.GetMailboxFolders(u"", u"E:\\Live");
  EXPECT_EQ(wlm.Store(), u"E:\\Live");
  EXPECT_EQ(wlm.Folders(), (TStringList{u"E:\\Live\\A", u"E:\\Live\\A\\Inbox", u"E:\\Live\\B"}));

  // Without a store, no key: no folders.
  wlm.GetMailboxFolders(u"", u"");
  EXPECT_TRUE(wlm.Folders().empty());
}

TEST_F(WinLiveMailCollector, ReadsAFoldersMessages) {
  const std::u16string inbox = At(u"Example (ann)\\Inbox");
  const std::string late = EmlBuilder()
                               .From("Ann <ann@example.org>")
                               .To("Bob <bob@example.org>")
                               .Subject("late")
                               .Date("Wed, 03 Mar 2010 10:00:00 +0100")
                               .MozillaStatus(0x0001)
                               .MozillaStatus2(0x10000000)
                               .Build();
  fake.AddFile(inbox + u"\\late.eml", late);
  fake.AddFile(inbox + u"\\early.eml",
               EmlBuilder().Subject("early").Date("Tue, 02 Mar 2010 10:00:00 +0100").Build());
  TVix_WinLiveMail wlm(windows.Context());
  wlm.GetMailboxFolders(u"", u"");
  wlm.SetFolder(inbox);
  ASSERT_EQ(wlm.RecordCount(), 2u);
  EXPECT_EQ(wlm.Record(0).Subject, u"early");
  const TMessageInfo& m = wlm.Record(1);
  EXPECT_EQ(m.Subject, u"late");
  EXPECT_EQ(m.SenderName, u"Ann");
  EXPECT_EQ(m.SenderEmail, u"ann@example.org");
  EXPECT_EQ(m.ReceiverName, u"Bob");
  EXPECT_EQ(m.ReceiverEmail, u"bob@example.org");
  EXPECT_EQ(m.Flags, 0u);
  EXPECT_EQ(m.Size, late.size());
  EXPECT_EQ(m._Client, TEmailClient::ecWindowsLiveMail);
  EXPECT_EQ(m._Folder, u"Inbox");
}

// ---- on an offline Windows drive, read through hivex (the Linux build) ----
#if KOLVANE_HAVE_OFFLINE_TREE

TEST(WinLiveMailOnDisk, FindsTheDefaultAccountOnAnOfflineDrive) {
  test::TDiskWindows windows;
  windows.User().SetExpandText("Software\\Microsoft\\Windows Live Mail", "Store Root",
                               u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Live Mail");
  windows.User().SetText("Software\\Microsoft\\Windows Live Mail", "Default Mail Account",
                         u"account{B}.oeaccount");
  const std::string root = "Users/anna/AppData/Local/Microsoft/Windows Live Mail/";
  windows.Tree.Write(root + "First/account{A}.oeaccount", "<MessageAccount/>");
  windows.Tree.Write(root + "First/Inbox/a.eml", EmlBuilder().Subject("a").Build());
  windows.Tree.Write(root + "Second/ACCOUNT{B}.OEACCOUNT", "<MessageAccount/>");
  windows.Tree.Write(root + "Second/Inbox/b.eml", EmlBuilder().Subject("b").Build());
  windows.Tree.Folder(root + "Second/Inbox/Later");
  TVix_WinLiveMail wlm(windows.Open());

  wlm.GetMailboxFolders(u"", u"");
  EXPECT_EQ(wlm.Store(), At(u"Second\\"));
  EXPECT_EQ(wlm.Folders(), (TStringList{At(u"Second\\Inbox"), At(u"Second\\Inbox\\Later")}));
  wlm.SetFolder(wlm.Folders()[0]);
  ASSERT_EQ(wlm.RecordCount(), 1u);
  EXPECT_EQ(wlm.Record(0).Subject, u"b");
}

#endif  // KOLVANE_HAVE_OFFLINE_TREE

}  // namespace
}  // namespace kv

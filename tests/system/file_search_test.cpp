// File search and folder names: the rules on the fake platform. The agreement with the file
// system of a real tree is tested with each live platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/codepage.h"
#include "system/context.h"
#include "system/fake_platform.h"
#include "system/file_search.h"

namespace kv {
namespace {

TSystemContext& FakeContext(std::unique_ptr<TSystemContext>& holder, TFakePlatform*& fake) {
  auto p = std::make_unique<TFakePlatform>();
  fake = p.get();
  holder = std::make_unique<TSystemContext>(std::move(p));
  return *holder;
}

class FindFilesTest : public ::testing::Test {
 protected:
  FindFilesTest() { FakeContext(FContext, FFake); }
  TStringList Find(std::u16string_view folder, std::u16string_view mask, uint32_t attr,
                   bool recursive = true, bool unique = true, int64_t* total = nullptr) {
    TStringList list;
    int64_t t = FindFiles(*FContext, folder, mask, attr, &list, recursive, unique);
    if (total) *total = t;
    return list;
  }
  std::unique_ptr<TSystemContext> FContext;
  TFakePlatform* FFake = nullptr;
};

TEST_F(FindFilesTest, OutlookExpressStoreListsBothIdentities) {
  FFake->AddFile(u"C:\\Store\\Identities\\{A}\\Inbox.dbx", std::string(100, 'a'));
  FFake->AddFile(u"C:\\Store\\Identities\\{A}\\Folders.dbx", std::string(10, 'f'));
  FFake->AddFile(u"C:\\Store\\Identities\\{B}\\Inbox.dbx", std::string(7, 'b'));
  FFake->AddFile(u"C:\\Store\\Identities\\{B}\\INBOX.MBX", std::string(3, 'm'));
  FFake->AddFile(u"C:\\Store\\Identities\\{B}\\notes.txt", std::string(1000, 'n'));
  int64_t total = 0;
  TStringList list = Find(u"C:\\Store", u"*.?bx", 0x1FF, true, true, &total);
  EXPECT_EQ(list, (TStringList{u"C:\\Store\\Identities\\{A}\\Inbox.dbx",
                               u"C:\\Store\\Identities\\{A}\\Folders.dbx",
                               u"C:\\Store\\Identities\\{B}\\Inbox.dbx",
                               u"C:\\Store\\Identities\\{B}\\INBOX.MBX"}));
  EXPECT_EQ(total, 120);
  EXPECT_EQ(FolderNameFromPath(list[0]), u"Inbox");
  EXPECT_EQ(FolderNameFromPath(list[2]), u"Inbox");
}

TEST_F(FindFilesTest, DotlessMaskListsDotlessFilesAndFoldersAndDescendsIntoAll) {
  FFake->AddFile(u"C:\\Mail\\Local Folders\\Inbox", "12345");
  FFake->AddFile(u"C:\\Mail\\Local Folders\\Inbox.msf", "xx");
  FFake->AddFolder(u"C:\\Mail\\Local Folders\\Trash");
  FFake->AddFile(u"C:\\Mail\\Local Folders\\Inbox.sbd\\Sub", "1");
  FFake->AddFile(u"C:\\Mail\\Local Folders\\Inbox.sbd\\Sub.msf", "1");
  int64_t total = 0;
  TStringList list = Find(u"C:\\Mail\\", u"*.", 0x1FF, true, true, &total);
  EXPECT_EQ(list, (TStringList{u"C:\\Mail\\Local Folders", u"C:\\Mail\\Local Folders\\Inbox",
                               u"C:\\Mail\\Local Folders\\Trash",
                               u"C:\\Mail\\Local Folders\\Inbox.sbd\\Sub"}));
  EXPECT_EQ(total, 6) << "folders count 0";
}

TEST_F(FindFilesTest, FolderMaskListsFoldersAtEveryDepthDepthFirst) {
  FFake->AddFolder(u"C:\\S\\a");
  FFake->AddFile(u"C:\\S\\a\\x.eml");
  FFake->AddFolder(u"C:\\S\\a\\b\\c");
  FFake->AddFolder(u"C:\\S\\d.e", faDirectory | faHidden);
  FFake->AddFile(u"C:\\S\\f.eml");
  EXPECT_EQ(Find(u"C:\\S", u"*.*", faDirectory),
            (TStringList{u"C:\\S\\a", u"C:\\S\\a\\b", u"C:\\S\\a\\b\\c", u"C:\\S\\d.e"}));
  // Not recursive: the folder itself only.
  EXPECT_EQ(Find(u"C:\\S", u"*.eml", 0x1FF, false), (TStringList{u"C:\\S\\f.eml"}));
  // An attribute mask that shares no bit with an entry skips it.
  EXPECT_EQ(Find(u"C:\\S", u"*.*", faHidden), (TStringList{u"C:\\S\\d.e"}));
}

TEST_F(FindFilesTest, UniqueIgnoresCaseAndMissingFoldersChangeNothing) {
  FFake->AddFile(u"C:\\S\\Inbox.dbx", "abc");
  TStringList list = {u"c:\\s\\INBOX.DBX"};
  int64_t total = FindFiles(*FContext, u"C:\\S", u"*.dbx", 0x1FF, &list, true, true);
  EXPECT_EQ(list, (TStringList{u"c:\\s\\INBOX.DBX"}));
  EXPECT_EQ(total, 3) << "the size counts either way";
  FindFiles(*FContext, u"C:\\S", u"*.dbx", 0x1FF, &list, true, false);
  EXPECT_EQ(list.size(), 2u) << "without unique the top folder appends again";

  TStringList untouched = {u"keep"};
  EXPECT_EQ(FindFiles(*FContext, u"C:\\Nowhere", u"*.*", 0x1FF, &untouched, true, true), 0);
  EXPECT_EQ(untouched, (TStringList{u"keep"}));
  EXPECT_EQ(FindFiles(*FContext, u"C:\\S\\Inbox.dbx", u"*.*", 0x1FF, nullptr, true, true), 0)
      << "a file is not a folder";
  EXPECT_EQ(FindFiles(*FContext, u"C:\\S", u"*.*", 0x1FF, nullptr, true, true), 3)
      << "no list: only the total";
}

TEST_F(FindFilesTest, FolderLinksThatLoopAreNotFollowed) {
  FFake->AddFile(u"C:\\S\\a\\m.eml", "1");
  FFake->AddFolderLink(u"C:\\S\\a\\back", u"C:\\S");
  FFake->AddFolderLink(u"C:\\S\\a\\self", u"C:\\S\\a");
  FFake->AddFolderLink(u"C:\\S\\other", u"C:\\T");
  FFake->AddFile(u"C:\\T\\n.eml", "22");
  int64_t total = 0;
  TStringList list = Find(u"C:\\S", u"*.eml", 0x1FF, true, true, &total);
  EXPECT_EQ(list, (TStringList{u"C:\\S\\a\\m.eml", u"C:\\S\\other\\n.eml"}));
  EXPECT_EQ(total, 3);
}

TEST(MatchesMask, WildcardsAndCase) {
  EXPECT_TRUE(MatchesMask(u"INBOX.DBX", u"*.?bx"));
  EXPECT_TRUE(MatchesMask(u"a.b.eml", u"*.eml"));
  EXPECT_FALSE(MatchesMask(u"a.eml.bak", u"*.eml"));
  EXPECT_TRUE(MatchesMask(u"\u00c4rger.EML", u"\u00e4*.eml")) << "folding beyond ASCII";
  EXPECT_TRUE(MatchesMask(u"", u"*"));
  EXPECT_FALSE(MatchesMask(u"", u"?"));
  EXPECT_TRUE(MatchesMask(u"abc", u"a*b*c*"));
  EXPECT_FALSE(MatchesMask(u"ab", u"a*b*c"));
  EXPECT_FALSE(MatchesMask(std::u16string(5000, u'a'), std::u16string(50, u'*') + u"b"))
      << "many stars do not make the match exponential";
}

TEST(FolderNameFromPath, ExtensionAndLastComponent) {
  EXPECT_EQ(FolderNameFromPath(u"C:\\S\\Inbox.dbx"), u"Inbox");
  EXPECT_EQ(FolderNameFromPath(u"C:\\S\\Sent Items.dbx"), u"Sent Items");
  EXPECT_EQ(FolderNameFromPath(u"C:\\Mail\\Local Folders\\Inbox"), u"Inbox");
  EXPECT_EQ(FolderNameFromPath(u"C:\\x\\a.b.eml"), u"a.b");
  EXPECT_EQ(FolderNameFromPath(u"C:\\x\\.hidden"), u"");
  EXPECT_EQ(FolderNameFromPath(u"."), u".");
  EXPECT_EQ(FolderNameFromPath(u".."), u"..");
  EXPECT_EQ(FolderNameFromPath(u"C:Inbox.mbx"), u"Inbox");
  EXPECT_EQ(FolderNameFromPath(u"/home/a/Mail/Inbox.sbd", u'/'), u"Inbox");
}

TEST(GetFileSizeByName, SizesAndMisses) {
  std::unique_ptr<TSystemContext> ctx;
  TFakePlatform* fake;
  FakeContext(ctx, fake);
  fake->AddFile(u"C:\\S\\empty.eml", "");
  fake->AddFile(u"C:\\S\\b.eml", "12345");
  EXPECT_EQ(GetFileSizeByName(*ctx, u"C:\\S\\missing.eml"), -1);
  EXPECT_EQ(GetFileSizeByName(*ctx, u"C:\\S\\EMPTY.EML"), 0);
  EXPECT_EQ(GetFileSizeByName(*ctx, u"C:\\S\\b.eml"), 5);
  EXPECT_EQ(GetFileSizeByName(*ctx, u"C:\\S\\b*"), 5) << "a wildcard takes the first match";
  EXPECT_EQ(GetFileSizeByName(*ctx, u"C:\\S\\*.txt"), -1);
  EXPECT_EQ(GetFileSizeByName(*ctx, u"C:\\Nowhere\\*"), -1);
}

}  // namespace
}  // namespace kv

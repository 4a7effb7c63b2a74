#include "ui/viewer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "core/memory_collector.h"
#include "memory_pages.h"

namespace kv {
namespace {

using test::Message;
using test::TMemoryCollector;

class Viewer : public ::testing::Test {
 protected:
  std::unique_ptr<TSystemContext> context = test::FakeContext();
  test::TTempDir dir;
  std::u16string file = dir.File("PC_ANNA.qmr");
  std::vector<TMemoryCollector*> collectors;

  std::unique_ptr<TViewerController> Make() {
    auto v = std::make_unique<TViewerController>(*context, test::MemoryPages(*context, collectors),
                                                 TLocale::Plain());
    v->SetDataFile(file);
    return v;
  }

  static std::vector<std::u16string> Texts(const std::vector<std::unique_ptr<TFolderNode>>& nodes) {
    std::vector<std::u16string> out;
    for (const auto& n : nodes) out.push_back(n->DisplayText);
    return out;
  }
};

TEST_F(Viewer, ThunderbirdOnlyScanSelectsItsPageAndNestsSbdFolders) {
  auto v = Make();
  const std::u16string root = u"C:\\Users\\anna\\Mail\\Local Folders\\";
  collectors[3]->Store[root + u"Inbox"] = {Message(u"a", 1)};
  collectors[3]->Store[root + u"Inbox.sbd\\Work"] = {Message(u"w1", 2), Message(u"w2", 3)};
  collectors[3]->SetStore(root);
  // The memory collector keeps the store it was given.
  v->OpenLocal();
  EXPECT_EQ(v->BarSelection(), 3);
  EXPECT_EQ(v->CurrentPage(), 3);
  ASSERT_EQ(Texts(v->Tree().Roots()), (std::vector<std::u16string>{u"Local Folders"}));
  const TFolderNode* lf = v->Tree().Roots()[0].get();
  ASSERT_EQ(Texts(lf->Children), (std::vector<std::u16string>{u"Inbox"}));
  const TFolderNode* inbox = lf->Children[0].get();
  ASSERT_EQ(Texts(inbox->Children), (std::vector<std::u16string>{u"Work"}));
  EXPECT_EQ(inbox->Children[0]->BoundFolder, root + u"Inbox.sbd\\Work");
  EXPECT_EQ(v->SelectedNode(), inbox);
  EXPECT_EQ(v->StatusText(), u"1 messages");
  ASSERT_EQ(v->LastScan().size(), 4u);
  EXPECT_EQ(v->LastScan()[3].LinesAdded, 3u);

  v->ChooseFolder(inbox->Children[0].get());
  ASSERT_EQ(v->Rows().size(), 2u);
  EXPECT_EQ(v->RowRecord(0).ID, u"w2");  // newest first
}

TEST_F(Viewer, NoMailWritesNoFileAndShowsAnEmptyFirstPage) {
  auto v = Make();
  v->OpenLocal();
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "PC_ANNA.qmr"));
  EXPECT_EQ(v->CurrentPage(), 0);
  EXPECT_TRUE(v->Tree().Roots().empty());
  EXPECT_EQ(v->StatusText(), u"0 messages");
}

TEST_F(Viewer, SearchFiltersRowsAndKeepsOneHistoryEntryPerText) {
  auto v = Make();
  TMessageInfo report = Message(u"r", 2);
  report.Subject = u"Monthly report";
  collectors[0]->Store[u"C:\\Id\\Inbox.dbx"] = {Message(u"a", 1), report};
  collectors[0]->Store[u"C:\\Id\\Sent.dbx"] = {Message(u"s", 3)};
  v->OpenLocal();
  ASSERT_EQ(v->Rows().size(), 2u);
  v->Search(u"Report");
  v->Search(u"Report");
  v->Search(u"REPORT");
  EXPECT_EQ(v->SearchHistory(), (TStringList{u"Report"}));
  ASSERT_EQ(v->Rows().size(), 1u);
  EXPECT_EQ(v->RowRecord(0).ID, u"r");

  // Another folder shows nothing until the search runs again.
  const TFolderNode* sent = v->Tree().FindFolderNode(u"Sent");
  ASSERT_TRUE(sent);
  v->ChooseFolder(sent);
  EXPECT_TRUE(v->Rows().empty());
  v->Search(u"   ");
  EXPECT_EQ(v->SearchHistory().size(), 1u);
  EXPECT_EQ(v->Rows().size(), 1u);
}

TEST_F(Viewer, HeaderClicksFollowTheSortRule) {
  auto v = Make();
  collectors[0]->Store[u"C:\\Id\\Inbox.dbx"] = {Message(u"a", 1), Message(u"b", 2),
                                                Message(u"c", 3)};
  v->OpenLocal();
  EXPECT_EQ(v->RowRecord(0).ID, u"c");
  v->SortByColumn(5);  // Received: ascending now
  EXPECT_EQ(v->RowRecord(0).ID, u"a");
  v->SortByColumn(5);
  EXPECT_EQ(v->RowRecord(0).ID, u"c");
}

TEST_F(Viewer, FileViewerShowsStoredFoldersAsTopNodesAndNeverScans) {
  {
    auto scanner = Make();
    collectors[1]->Store[u"C:\\WM\\Local Folders\\Inbox"] = {Message(u"a", 1)};
    collectors[1]->Store[u"C:\\WM\\Local Folders\\Sent Items"] = {Message(u"b", 2)};
    scanner->OpenLocal();
  }
  auto v = Make();
  v->OpenFile(file);
  EXPECT_EQ(v->CurrentPage(), 1);
  EXPECT_EQ(Texts(v->Tree().Roots()), (std::vector<std::u16string>{u"Inbox", u"Sent Items"}));
  ASSERT_EQ(v->Rows().size(), 1u);
  EXPECT_EQ(v->RowRecord(0).ID, u"a");
  const auto before = std::filesystem::last_write_time(dir.Path() / "PC_ANNA.qmr");
  v->RefreshData();
  EXPECT_EQ(std::filesystem::last_write_time(dir.Path() / "PC_ANNA.qmr"), before);
}

TEST_F(Viewer, OpeningAFileThatIsNotAHistoryShowsFourEmptyPages) {
  {
    std::ofstream out(dir.Path() / "notes.txt");
    out << "hello";
  }
  auto v = Make();
  v->OpenFile(dir.File("notes.txt"));
  for (int p = 0; p < 4; ++p) EXPECT_TRUE(v->CollectorOf(p).Folders().empty());
  EXPECT_TRUE(v->Tree().Roots().empty());
}

TEST(FolderTree, SegmentsDifferingOnlyInCaseShareANodeBoundToTheFirstPath) {
  TFolderTree tree;
  tree.Build({u"C:\\S\\Root\\Work\\a.dbx", u"C:\\S\\ROOT\\work\\b.dbx"}, u"C:\\S\\Root\\", false,
             u'\\');
  ASSERT_EQ(tree.Roots().size(), 1u);
  const TFolderNode* root = tree.Roots()[0].get();
  EXPECT_EQ(root->BoundFolder, u"C:\\S\\Root\\Work\\a.dbx");
  ASSERT_EQ(root->Children.size(), 1u);
  EXPECT_EQ(root->Children[0]->Children.size(), 2u);
  EXPECT_EQ(root->Children[0]->Children[0]->DisplayText, u"a");
  EXPECT_EQ(tree.NodeCount(), 4u);
}

}  // namespace
}  // namespace kv

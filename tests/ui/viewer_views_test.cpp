// What a window relies on when it renders the controller's models: every change is announced
// before and after it, the rows and the tree are readable whenever no change of theirs is under
// way, a sort says where each row went, and a search over all folders lists the matches with
// their folders until a folder is chosen.
#include <gtest/gtest.h>

#include <map>

#include "core/memory_collector.h"
#include "memory_pages.h"
#include "ui/message_details.h"
#include "ui/message_list.h"
#include "ui/viewer.h"

namespace kv {
namespace {

using test::Message;
using test::TMemoryCollector;

TMessageInfo Mail(std::u16string id, double date, std::u16string subject, std::u16string folder) {
  TMessageInfo r = Message(std::move(id), date);
  r.Subject = std::move(subject);
  r._Folder = std::move(folder);
  return r;
}

class Views : public ::testing::Test {
 protected:
  std::unique_ptr<TSystemContext> context = test::FakeContext();
  test::TTempDir dir;
  std::vector<TMemoryCollector*> collectors;
  std::unique_ptr<TViewerController> v;

  void SetUp() override {
    v = std::make_unique<TViewerController>(*context, test::MemoryPages(*context, collectors),
                                            TLocale::Plain());
    v->SetDataFile(dir.File("PC_ANNA.qmr"));
    collectors[0]->Store[u"C:\\Id\\Inbox.dbx"] = {Mail(u"i1", 1, u"Report May", u"Inbox"),
                                                  Mail(u"i2", 3, u"Lunch", u"Inbox"),
                                                  Mail(u"i3", 2, u"Another report", u"Inbox")};
    collectors[0]->Store[u"C:\\Id\\Sent.dbx"] = {Mail(u"s1", 4, u"Re: Report May", u"Sent")};
    const std::u16string tb = u"C:\\P\\Mail\\Local Folders\\";
    collectors[3]->Store[tb + u"Inbox"] = {Mail(u"t1", 5, u"Hi", u"Inbox")};
    collectors[3]->Store[tb + u"Inbox.sbd\\Work"] = {Mail(u"w1", 6, u"Work", u"Work")};
    collectors[3]->SetStore(tb);
  }

  std::vector<std::u16string> Ids() const {
    std::vector<std::u16string> ids;
    for (size_t i = 0; i < v->RowCount(); ++i) ids.push_back(v->RowRecord(i).ID);
    return ids;
  }
};

// Walks the tree: every node's Row is its place, its Parent the node above.
void CheckNodes(const std::vector<std::unique_ptr<TFolderNode>>& nodes, const TFolderNode* parent) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    ASSERT_EQ(nodes[i]->Row, int(i));
    ASSERT_EQ(nodes[i]->Parent, parent);
    CheckNodes(nodes[i]->Children, nodes[i].get());
  }
}

bool InTree(const std::vector<std::unique_ptr<TFolderNode>>& nodes, const TFolderNode* node) {
  for (const auto& n : nodes)
    if (n.get() == node || InTree(n->Children, node)) return true;
  return false;
}

TEST_F(Views, ModelsAreReadableWheneverNoChangeOfTheirsIsUnderWay) {
  std::map<TViewChange, int> open, pairs;
  bool rowsChanging = false, treeChanging = false;
  auto readAll = [&] {
    if (!rowsChanging)
      for (size_t i = 0; i < v->RowCount(); ++i) (void)v->RowRecord(i).Subject.size();
    if (!treeChanging) {
      CheckNodes(v->Tree().Roots(), nullptr);
      if (v->SelectedNode()) {
        ASSERT_TRUE(InTree(v->Tree().Roots(), v->SelectedNode()));
      }
    }
  };
  v->Listen([&](TViewChange change, bool done) {
    ASSERT_EQ(open[change], done ? 1 : 0) << "pairs of one kind never nest";
    open[change] += done ? -1 : 1;
    if (done) ++pairs[change];
    // Before its own change a model still holds what it showed; after it, what it shows now.
    if (change == TViewChange::vcRows) rowsChanging = false;
    if (change == TViewChange::vcTree) treeChanging = false;
    readAll();
    if (change == TViewChange::vcRows) rowsChanging = !done;
    if (change == TViewChange::vcTree) treeChanging = !done;
  });

  v->OpenLocal();
  EXPECT_EQ(pairs[TViewChange::vcTree], 1);
  EXPECT_EQ(pairs[TViewChange::vcRows], 1) << "a scan is one refill";
  EXPECT_EQ(pairs[TViewChange::vcStatus], 1);
  v->SetSearchAllFolders(true);
  v->Search(u"report");
  v->SortByColumn(lcFolder);
  v->SelectPage(3);
  v->ChooseFolder(v->Tree().FindFolderNode(u"Work"));
  v->Search(u"hi");
  v->SetSearchAllFolders(false);
  v->Search(u"");
  v->SortByColumn(lcSubject);
  v->RefreshData();
  for (const auto& [change, count] : open) EXPECT_EQ(count, 0);

  // A file viewer's load is one refill too, and so is a load that fails half-way.
  auto other = std::make_unique<TViewerController>(
      *context,
      [&] {
        std::vector<TClientPage> pages;
        pages.push_back({u"OE", "", std::make_unique<TMemoryCollector>(*context)});
        return pages;
      }(),
      TLocale::Plain());
  int refills = 0;
  other->Listen(
      [&](TViewChange change, bool done) { refills += change == TViewChange::vcRows && done; });
  other->OpenFile(dir.File("PC_ANNA.qmr"));
  EXPECT_EQ(refills, 1);
  EXPECT_EQ(other->RowCount(), 3u);
}

TEST_F(Views, ABuildSwitchesToTheShownFolderOnce) {
  v->OpenLocal();
  EXPECT_EQ(collectors[0]->Reads, 2 + 1);  // the scan's two folders, then the shown Inbox
  v->SelectPage(3);
  EXPECT_EQ(collectors[3]->Reads, 2 + 1);
  EXPECT_EQ(v->SelectedNode()->DisplayText, u"Inbox");
  EXPECT_EQ(v->HighlightedBarItem(), 3);
}

TEST_F(Views, ASortSaysWhereEveryRowWent) {
  v->OpenLocal();
  const auto before = Ids();
  EXPECT_EQ(before, (std::vector<std::u16string>{u"i2", u"i3", u"i1"}));
  v->SortByColumn(lcSubject);
  const auto after = Ids();
  EXPECT_EQ(after, (std::vector<std::u16string>{u"i3", u"i2", u"i1"}));
  ASSERT_EQ(v->LastOrder().size(), after.size());
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i], before[v->LastOrder()[i]]);
}

TEST_F(Views, SearchOverAllFoldersListsMatchesWithTheirFolderUntilAFolderIsChosen) {
  v->OpenLocal();
  const TFolderNode* inbox = v->SelectedNode();
  ASSERT_EQ(inbox->DisplayText, u"Inbox");
  v->SetSearchAllFolders(true);
  v->Search(u"REPORT");
  EXPECT_TRUE(v->RowsSpanAllFolders());
  EXPECT_EQ(v->SelectedNode(), nullptr);
  EXPECT_EQ(Ids(), (std::vector<std::u16string>{u"s1", u"i3", u"i1"}));
  EXPECT_EQ(CellText(v->RowRecord(0), lcFolder, v->Locale()), u"Sent");
  EXPECT_EQ(v->StatusText(), u"3 messages");
  v->SortByColumn(lcFolder);
  EXPECT_EQ(Ids(), (std::vector<std::u16string>{u"i3", u"i1", u"s1"}));

  // The same search over one folder returns to the folder shown before.
  v->SetSearchAllFolders(false);
  v->Search(u"REPORT");
  EXPECT_FALSE(v->RowsSpanAllFolders());
  EXPECT_EQ(v->SelectedNode(), inbox);
  EXPECT_EQ(Ids(), (std::vector<std::u16string>{u"i1", u"i3"}));

  // Choosing a folder ends the search over all folders; its rows await a new search.
  v->SetSearchAllFolders(true);
  v->Search(u"report");
  const TFolderNode* sent = v->Tree().FindFolderNode(u"Sent");
  v->ChooseFolder(sent);
  EXPECT_FALSE(v->RowsSpanAllFolders());
  EXPECT_EQ(v->SelectedNode(), sent);
  EXPECT_EQ(v->RowCount(), 0u);
  v->Search(u"  ");
  EXPECT_EQ(Ids(), (std::vector<std::u16string>{u"s1"}));
  EXPECT_EQ(v->SearchHistory(), (TStringList{u"REPORT"}));
}

TEST(SearchKey, OnlyAPlainEnterSearches) {
  EXPECT_TRUE(IsSearchKey(13, false, false, false));
  EXPECT_FALSE(IsSearchKey(13, true, false, false));
  EXPECT_FALSE(IsSearchKey(13, false, true, false));
  EXPECT_FALSE(IsSearchKey(13, false, false, true));
  EXPECT_FALSE(IsSearchKey(10, false, false, false));
}

TEST(MessageDetails, EveryStoredFieldWithFlagsPriorityAndDateSpelledOut) {
  EXPECT_EQ(FlagsText(0), u"0x00000000 (unread)");
  EXPECT_EQ(FlagsText(0x40A1), u"0x000040A1 (read, has attachments, flagged, other 0x00000001)");
  EXPECT_EQ(PriorityText(1), u"1 (highest)");
  EXPECT_EQ(PriorityText(5), u"5 (lowest)");
  EXPECT_EQ(PriorityText(9), u"9");
  EXPECT_EQ(IsoDateTimeText(0), u"(none)");
  EXPECT_EQ(IsoDateTimeText(*EncodeDateTime({2009, 7, 1, 6, 30, 5, 0})), u"2009-07-01 06:30:05");

  TMessageInfo r = Message(u"<m1@example.org>", *EncodeDate(2013, 1, 2));
  r.Account = u"Home";
  r.Server = u"pop.example.org";
  r.Size = 1234567;
  auto en = TLocale::FromName("en_US.UTF-8").value_or(TLocale::Plain());
  std::map<std::u16string, std::u16string> fields;
  for (const auto& f : MessageDetails(r, en)) fields[std::u16string(f.Label)] = f.Value;
  EXPECT_EQ(fields.size(), 15u);
  EXPECT_EQ(fields[u"Message ID"], u"<m1@example.org>");
  EXPECT_EQ(fields[u"Server"], u"pop.example.org");
  EXPECT_EQ(fields[u"Received"], u"2013-01-02 00:00:00");
  EXPECT_EQ(fields[u"Size"], en.IsPlain() ? u"1234567 bytes" : u"1,234,567 bytes");
}

}  // namespace
}  // namespace kv

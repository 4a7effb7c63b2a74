// The message list and folder tree as a user meets them: incremental search with its pause and
// Backspace, tooltips of cut-off cells, the Subject column taking up width changes, only the
// visible rows read while scrolling, and one folder switch per choice under a busy cursor that
// is always restored.
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMdiArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <set>

#include "core/memory_collector.h"
#include "ui/message_list.h"
#include "ui/qt/folder_tree_view.h"
#include "ui/qt/images.h"
#include "ui/qt/message_list_model.h"
#include "ui/qt/message_list_view.h"
#include "viewer_support.h"

namespace kv::test {
namespace {

class ListView : public SamplesViewer {
 protected:
  qt::TMessageListView* list = v->MessageList();
  uint64_t now = 0;

  void SetUp() override {
    list->Clock = [this] { return now; };
  }
  QString Current() const {
    return list->currentIndex().siblingAtColumn(lcSubject).data().toString();
  }
};

TEST_F(ListView, IncrementalSearchFindsSubjectsFromTheTopCaseSensitively) {
  list->setFocus();
  QTest::keyClicks(list, QStringLiteral("Gr"));
  EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty())
      << "no row focused yet: nothing found";
  ClickRow(list, list->model()->index(0, lcSender));
  QTest::keyClicks(list, QStringLiteral("Gr"));
  EXPECT_EQ(Current(), QStringLiteral("Grüße aus München"));
  EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
  QTest::keyClick(list, Qt::Key_Backspace);  // "G" still matches the same row
  EXPECT_EQ(Current(), QStringLiteral("Grüße aus München"));
  now += 1000;  // a pause: the next character starts a new text
  QTest::keyClicks(list, QStringLiteral("W"));
  EXPECT_EQ(Current(), QStringLiteral("Willkommen bei Outlook Express 6"));
  now += 1000;
  QTest::keyClicks(list, QStringLiteral("gr"));
  EXPECT_EQ(Current(), QStringLiteral("Willkommen bei Outlook Express 6"));
  now += 999;  // no pause: "grx" finds nothing either
  QTest::keyClick(list, Qt::Key_Backspace);
  QTest::keyClick(list, Qt::Key_Backspace);
  QTest::keyClicks(list, QStringLiteral("R"));
  EXPECT_EQ(Current(), QStringLiteral("Rechnung Nr. 4711 – bitte prüfen"));
}

TEST_F(ListView, ACutOffCellShowsItsWholeTextAsTooltip) {
  QHeaderView* header = list->header();
  const QModelIndex cut =
      FindText(list, QStringLiteral("Rechnung Nr. 4711 – bitte prüfen"), lcSubject);
  ASSERT_TRUE(cut.isValid());
  auto tip = [&](const QModelIndex& index) {
    const QPoint at = list->visualRect(index).center();
    QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  EXPECT_EQ(tip(cut), QString());
  // Subject takes what the other columns leave, down to its own width.
  frame.Frame->resize(700, 800);
  Settle();
  ASSERT_LT(header->sectionSize(lcSubject),
            list->fontMetrics().horizontalAdvance(cut.data().toString()));
  EXPECT_EQ(tip(cut), QStringLiteral("Rechnung Nr. 4711 – bitte prüfen"));
  QToolTip::hideText();
}

TEST_F(ListView, SubjectTakesUpWidthChangesAndColumnsMove) {
  QHeaderView* header = list->header();
  const int subject = header->sectionSize(lcSubject), sender = header->sectionSize(lcSender);
  const int viewport = list->viewport()->width();
  frame.Frame->resize(1100, 800);
  Settle();
  const int shrink = viewport - list->viewport()->width();
  ASSERT_GT(shrink, 100);
  EXPECT_EQ(header->sectionSize(lcSubject), subject - shrink);
  EXPECT_EQ(header->sectionSize(lcSender), sender);
  header->moveSection(header->visualIndex(lcSize), 0);
  EXPECT_EQ(header->logicalIndex(0), lcSize);
  ClickHeader(header, lcSize);
  EXPECT_EQ(header->sortIndicatorSection(), lcSize);
  EXPECT_EQ(ColumnTexts(list, lcSize).front(), QStringLiteral("392"));
}

// A viewer over folders in memory: how often folders are read, and what the view asks.
class MemoryViewer : public ::testing::Test {
 protected:
  TFrame frame{FakeContext()};
  TMemoryCollector* oe = nullptr;
  qt::Tmdi_zof_Viewer* v = nullptr;

  void SetUp() override {
    std::vector<TClientPage> pages;
    auto c = std::make_unique<TMemoryCollector>(*frame.Context);
    oe = c.get();
    TMessages many;
    for (int i = 0; i < 2000; ++i) many.push_back(Message(u"m" + IntToStr(i), i));
    oe->Store[u"C:\\Id\\Inbox.dbx"] = many;
    oe->Store[u"C:\\Id\\Sent.dbx"] = {Message(u"s", 1)};
    oe->SetStore(u"C:\\Id\\");
    pages.push_back({u"Outlook Express", "", std::move(c)});
    auto controller =
        std::make_unique<TViewerController>(*frame.Context, std::move(pages), English());
    controller->SetDataFile((RunFolder() / "memory.qmr").u16string());
    v = new qt::Tmdi_zof_Viewer(std::move(controller));
    frame.Frame->AddChild(v, qt::kViewerBarImage, QString());
    v->OpenLocal();
    Settle();
  }
};

TEST_F(MemoryViewer, EachChoiceReadsItsFolderOnceAndRestoresTheCursor) {
  EXPECT_EQ(oe->Reads, 2 + 1);  // the scan's two folders, then the shown Inbox
  EXPECT_EQ(TreeTexts(v->FolderTree()), (QStringList{"Id", "  Inbox", "  Sent"}));
  EXPECT_EQ(v->FolderTree()->currentIndex().data().toString(), QStringLiteral("Inbox"));
  ClickRow(v->FolderTree(), FindText(v->FolderTree(), QStringLiteral("Sent")));
  EXPECT_EQ(oe->Reads, 4);
  EXPECT_EQ(v->StatusTab()->tabText(0), QStringLiteral("1 messages"));
  QTest::keyClick(v->FolderTree(), Qt::Key_Up);  // the keyboard chooses too
  Settle();

  EXPECT_EQ(oe->Reads, 5);
  EXPECT_EQ(v->StatusTab()->tabText(0), QStringLiteral("2000 messages"));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MemoryViewer, ScrollingReadsOnlyTheVisibleRows) {
  qt::TMessageListView* list = v->MessageList();
  std::set<int> read;
  list->ListModel()->OnCellRead = [&](int row) { read.insert(row); };
  list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
  list->viewport()->repaint();
  Settle();
  ASSERT_FALSE(read.empty());
  const int first = list->indexAt(QPoint(1, 1)).row();
  const int last = list->indexAt(QPoint(1, list->viewport()->height() - 2)).row();
  EXPECT_GT(first, 900);
  EXPECT_GE(*read.begin(), first - 1);
  EXPECT_LE(*read.rbegin(), last + 1);
  EXPECT_LT(read.size(), 100u);
  list->ListModel()->OnCellRead = nullptr;
}

}  // namespace
}  // namespace kv::test

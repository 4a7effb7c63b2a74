// A viewer over the samples' history file, driven through its widgets: the page it opens on,
// the tree, header clicks and the sort mark, the search with its history, the search over all
// folders and the message details.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "core/memory_collector.h"
#include "ui/message_list.h"
#include "ui/qt/client_bar.h"
#include "ui/qt/folder_tree_view.h"
#include "ui/qt/message_details_dialog.h"
#include "ui/qt/message_list_view.h"
#include "viewer_support.h"

namespace kv::test {
namespace {

class FileViewer : public SamplesViewer {
 protected:
  QStringList Subjects() const { return ColumnTexts(v->MessageList(), lcSubject); }
  QString Status() const { return v->StatusTab()->tabText(0); }
  void Type(const QString& text) {
    QLineEdit* edit = v->SearchBox()->lineEdit();
    edit->clear();
    edit->insert(text);  // as typed: QTest types ASCII only
    QTest::keyClick(edit, Qt::Key_Return);
    Settle();
  }
};

TEST_F(FileViewer, OpensOnTheFirstPageWithAFolderAndSortsByHeaderClicks) {
  ASSERT_TRUE(v);
  EXPECT_EQ(v->windowTitle(), QStringLiteral("samples"));
  EXPECT_TRUE(v->isMaximized());
  EXPECT_EQ(v->ClientBar()->Highlighted(), 0);
  EXPECT_FALSE(v->PageIcon()->pixmap().isNull());
  EXPECT_EQ(TreeTexts(v->FolderTree()),
            (QStringList{"Inbox", "Archiv", "Drafts", "Folders", "Sent Items", "Deleted Items"}));
  EXPECT_EQ(v->FolderTree()->currentIndex().data().toString(), QStringLiteral("Inbox"));
  EXPECT_EQ(Status(), QStringLiteral("8 messages"));

  QHeaderView* header = v->MessageList()->header();
  auto mark = [&] {
    return std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder());
  };
  EXPECT_EQ(mark(), std::pair(int(lcReceived), Qt::DescendingOrder));
  EXPECT_EQ(Subjects().front(), QStringLiteral("Newsletter Juli"));
  // The selected message stays selected while the rows move.
  ClickRow(v->MessageList(),
           FindText(v->MessageList(), QStringLiteral("Mitgliederversammlung 2009"), lcSubject));
  ClickHeader(header, lcReceived);
  EXPECT_EQ(mark(), std::pair(int(lcReceived), Qt::AscendingOrder));
  EXPECT_EQ(Subjects().front(), QStringLiteral("Willkommen bei Outlook Express 6"));
  EXPECT_EQ(ColumnTexts(v->MessageList(), lcReceived).front(),
            QStringLiteral("11/03/2008 08:15:00 AM"));
  const QModelIndexList selected = v->MessageList()->selectionModel()->selectedRows(lcSubject);
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected.front().data().toString(), QStringLiteral("Mitgliederversammlung 2009"));
  EXPECT_EQ(selected.front().row(), 1);
  ClickHeader(header, lcReceived);
  EXPECT_EQ(mark(), std::pair(int(lcReceived), Qt::DescendingOrder));
  EXPECT_EQ(Subjects().front(), QStringLiteral("Newsletter Juli"));
  ClickHeader(header, lcSubject);
  EXPECT_EQ(mark(), std::pair(int(lcSubject), Qt::AscendingOrder));
  EXPECT_EQ(Subjects().mid(0, 3),
            (QStringList{"Café on Saturday?", "Grüße aus München", "Mitgliederversammlung 2009"}));
  // The images of columns 0 to 2 head their columns; the flag column never shows.
  EXPECT_FALSE(v->MessageList()
                   ->model()
                   ->headerData(lcPriority, Qt::Horizontal, Qt::DecorationRole)
                   .isNull());
  EXPECT_TRUE(header->isSectionHidden(lcFlag));
}

TEST_F(FileViewer, TheClientBarChoosesThePage) {
  QAbstractButton* thunderbird = v->ClientBar()->Item(3);
  QTest::mouseClick(thunderbird, Qt::LeftButton);
  Settle();
  EXPECT_EQ(v->Controller().CurrentPage(), 3);
  EXPECT_EQ(v->ClientBar()->Highlighted(), 3);
  EXPECT_EQ(TreeTexts(v->FolderTree()), (QStringList{"Büro", "Sent", "Inbox", "Trash", "Drafts",
                                                     "Familie", "Urlaub 2013", "Local Folders"}));
  EXPECT_EQ(v->FolderTree()->currentIndex().data().toString(), QStringLiteral("Inbox"));
  EXPECT_EQ(Status(), QStringLiteral("5 messages"));
}

TEST_F(FileViewer, SearchKeepsOneHistoryEntryPerTextAndAnotherFolderWaitsForANewSearch) {
  Type(QStringLiteral("Report"));
  Type(QStringLiteral("Report"));
  Type(QStringLiteral("REPORT"));
  EXPECT_EQ(v->SearchBox()->count(), 1);
  EXPECT_EQ(v->SearchBox()->itemText(0), QStringLiteral("Report"));
  Type(QStringLiteral("   "));
  EXPECT_EQ(v->SearchBox()->count(), 1);
  EXPECT_EQ(Status(), QStringLiteral("8 messages"));
  // Shift+Enter does not search.
  QLineEdit* edit = v->SearchBox()->lineEdit();
  edit->clear();
  edit->insert(QStringLiteral("Grüße"));
  QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(Status(), QStringLiteral("8 messages"));
  QTest::mouseClick(v->SearchButton(), Qt::LeftButton);
  Settle();
  EXPECT_EQ(Subjects(), QStringList{"Grüße aus München"});

  ClickRow(v->FolderTree(), FindText(v->FolderTree(), QStringLiteral("Sent Items")));
  EXPECT_EQ(Status(), QStringLiteral("0 messages"));
  QTest::keyClick(edit, Qt::Key_Return);
  Settle();
  EXPECT_EQ(Subjects(), QStringList{"AW: Grüße aus München"});
  EXPECT_EQ(v->SearchBox()->count(), 2);
}

TEST_F(FileViewer, SearchOverAllFoldersShowsTheFolderColumnUntilAFolderIsChosen) {
  QTest::mouseClick(v->AllFoldersBox(), Qt::LeftButton);
  Type(QStringLiteral("grüße"));
  EXPECT_EQ(Status(), QStringLiteral("2 messages"));
  EXPECT_FALSE(v->MessageList()->header()->isSectionHidden(lcFolder));
  EXPECT_EQ(v->MessageList()->model()->headerData(lcFolder, Qt::Horizontal).toString(),
            QStringLiteral("Folder"));
  EXPECT_EQ(ColumnTexts(v->MessageList(), lcFolder), (QStringList{"Sent Items", "Inbox"}));
  EXPECT_TRUE(v->FolderTree()->selectionModel()->selectedIndexes().isEmpty());

  // Choosing the folder that was shown returns to its one-folder list.
  ClickRow(v->FolderTree(), FindText(v->FolderTree(), QStringLiteral("Inbox")));
  EXPECT_TRUE(v->MessageList()->header()->isSectionHidden(lcFolder));
  EXPECT_EQ(Status(), QStringLiteral("0 messages"));
  QTest::keyClick(v->SearchBox()->lineEdit(), Qt::Key_Return);
  Settle();
  EXPECT_EQ(Status(), QStringLiteral("2 messages"));
}

TEST_F(FileViewer, EnterOrADoubleClickOnARowShowsItsDetails) {
  qt::TMessageListView* list = v->MessageList();
  const QModelIndex row = FindText(list, QStringLiteral("Trikots für die C-Jugend"), lcSubject);
  ASSERT_TRUE(row.isValid());
  ClickRow(list, row, /*right=*/true);  // a right click selects too
  EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(list->currentIndex().row(), row.row());
  QTest::keyClick(list, Qt::Key_Return);
  Settle();
  auto dialogs = v->findChildren<qt::TMessageDetailsDialog*>();
  ASSERT_EQ(dialogs.size(), 1);
  qt::TMessageDetailsDialog* d = dialogs.front();
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Message details"));
  EXPECT_EQ(d->FieldText("Subject"), QStringLiteral("Trikots für die C-Jugend"));
  EXPECT_EQ(d->FieldText("Sender name"), QStringLiteral("Trainer Kowalski"));
  EXPECT_EQ(d->FieldText("Received"), QStringLiteral("2009-04-18 20:12:40"));
  EXPECT_EQ(d->FieldText("Flags"), QStringLiteral("0x00004000 (unread, has attachments)"));
  EXPECT_EQ(d->FieldText("Priority"), QStringLiteral("1 (highest)"));
  EXPECT_EQ(d->FieldText("Size"), QStringLiteral("2,793 bytes"));
  EXPECT_FALSE(d->FieldText("Message ID").isEmpty());
  d->close();
  Settle();

  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
  Settle();
  EXPECT_EQ(v->findChildren<qt::TMessageDetailsDialog*>().size(), 1);
}

TEST_F(FileViewer, AScreenshotOfTheViewerSortedByDate) {
  EXPECT_EQ(v->Controller().Sort().Column, lcReceived);
  const QString path = Screenshot(frame.Frame.get(), QStringLiteral("viewer-samples-1280x800"));
  QImage image(path);
  EXPECT_EQ(image.size(), QSize(1280, 800) * frame.Frame->devicePixelRatio());
}

TEST(FileViewers, AThunderbirdOnlyFileOpensOnItsPageAndAForeignFileShowsFourEmptyPages) {
  TFrame frame{test::FakeContext()};
  const std::u16string only = (RunFolder() / "thunderbird-only.qmr").u16string();
  {
    std::vector<TClientPage> pages;
    auto c = std::make_unique<TMemoryCollector>(*frame.Context, u"Thunderbird",
                                                TEmailClient::ecThunderbird);
    c->Store[u"C:\\P\\Mail\\Local Folders\\Inbox"] = {Message(u"a", 1)};
    pages.push_back({u"Mozilla Thunderbird", "", std::move(c)});
    TViewerController scanner(*frame.Context, std::move(pages), TLocale::Plain());
    scanner.SetDataFile(only);
    scanner.OpenLocal();
  }
  qt::Tmdi_zof_Viewer* v = frame.FileViewer(only);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->ClientBar()->Highlighted(), 3);
  EXPECT_EQ(TreeTexts(v->FolderTree()), QStringList{"Inbox"});
  EXPECT_EQ(v->StatusTab()->tabText(0), QStringLiteral("1 messages"));

  const auto foreign = RunFolder() / "notes.txt";
  std::ofstream(foreign) << "not a history file";
  v = frame.FileViewer(foreign.u16string());
  ASSERT_TRUE(v);
  for (int page = 0; page < 4; ++page) {
    QTest::mouseClick(v->ClientBar()->Item(page), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(TreeTexts(v->FolderTree()).isEmpty()) << page;
    EXPECT_EQ(v->StatusTab()->tabText(0), QStringLiteral("0 messages"));
  }
}

TEST(ViewerFrame, AMissingFileIsReportedAndOpensNoViewer) {
  TFrame frame{LiveContext()};
  const QString missing = QString::fromStdString((RunFolder() / "missing.qmr").string());
  frame.Frame->OpenFile(std::vector<std::u16string>{missing.toStdU16String()});
  Settle();
  EXPECT_TRUE(frame.Frame->Area()->subWindowList().isEmpty());
  const auto boxes = frame.Frame->findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(boxes.front()->windowTitle(), QStringLiteral("Error"));
  EXPECT_EQ(boxes.front()->text(), QStringLiteral("File %1 does not exist.").arg(missing));
}

}  // namespace
}  // namespace kv::test

// The main window: its commands, the getting-started page, the window bar and its pop-up, the
// splash; error boxes are observed through the window's seam instead of shown.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "base/error.h"
#include "core/memory_collector.h"
#include "storage/storage_file.h"
#include "ui/qt/dpi.h"
#include "ui/qt/getting_started_page.h"
#include "ui/qt/images.h"
#include "ui/frame_commands.h"
#include "ui/qt/mdi_button_group.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/splash_window.h"
#include "viewer_support.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

class MainWindow : public ::testing::Test {
 protected:
  TFrame frame{FakeContext()};
  qt::Twnd_zof_Main& w = *frame.Frame;
  QStringList boxes;  // "caption: text" of every error box

  void SetUp() override {
    w.OnErrorBox = [this](const QString& caption, const QString& text) {
      boxes << caption + ": " + text;
    };
    w.SetLocalDataFile(
        [](const TStartupFacts&) { return (RunFolder() / "local.qmr").u16string(); });
  }
  QStringList Captions() const {
    QStringList captions;
    for (auto* v : w.Viewers()) captions << v->windowTitle();
    return captions;
  }
  static void DeleteClosed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Settle();
  }
};

TEST_F(MainWindow, TheCommandLineRejoinsAPathWithBlanksAndSkipsWhatNamesNoFile) {
  const fs::path folder = RunFolder() / "My Data";
  fs::create_directories(folder);
  fs::copy_file(SamplesHistory(), folder / "A_B.qmr", fs::copy_options::overwrite_existing);
  const std::u16string first = (RunFolder() / "My").u16string();
  w.SetCommandLine({first, u"Data/A_B.qmr"});
  w.OpenCommandLine();
  Settle();
  EXPECT_EQ(Captions(), QStringList{"A_B"});
  EXPECT_TRUE(boxes.isEmpty());

  TFrame other{FakeContext()};
  other.Frame->OnErrorBox = [this](const QString& c, const QString& t) { boxes << c + ": " + t; };
  other.Frame->SetCommandLine({u"no-such-file.qmr"});
  other.Frame->OpenCommandLine();
  EXPECT_TRUE(other.Frame->Viewers().empty());
  EXPECT_TRUE(boxes.isEmpty());
  EXPECT_TRUE(other.Frame->PageVisible());
}

TEST_F(MainWindow, AMissingFileLeavesTheFrameEmptyWithoutThePage) {
  ASSERT_TRUE(w.PageVisible());
  const std::u16string missing = (RunFolder() / "missing.qmr").u16string();
  w.OpenFile(std::vector<std::u16string>{missing});
  EXPECT_EQ(boxes, QStringList{"Error: File " + qt::Q(missing) + " does not exist."});
  EXPECT_TRUE(w.Viewers().empty());
  EXPECT_FALSE(w.PageVisible());
}

TEST_F(MainWindow, AFileThatFailsToLoadClosesItsViewerAndBringsThePageBack) {
  const std::u16string file = SamplesHistory();
  {
    auto holder = OpenStorageFile(file, kModeReadWrite);  // a writer holds it: the load fails
    w.OpenFile(std::vector<std::u16string>{file});
  }
  DeleteClosed();
  EXPECT_EQ(boxes, QStringList{"Error: Cannot open file " + qt::Q(file) + "."});
  EXPECT_TRUE(w.Viewers().empty());
  EXPECT_TRUE(w.PageVisible());
  EXPECT_EQ(w.Bar()->MDIChildCount(), 0);

  // Through the open-path event the box names the reason, and a viewer keeps its extension.
  boxes.clear();
  {
    auto holder = OpenStorageFile(file, kModeReadWrite);
    QCoreApplication::postEvent(&w, new qt::TOpenPathEvent(qt::Q(file)));
    QCoreApplication::sendPostedEvents(&w, qt::TOpenPathEvent::kType);
  }
  DeleteClosed();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].startsWith("Error: Cannot open file " + qt::Q(file) + ": "))
      << boxes[0].toStdString();
  QCoreApplication::postEvent(&w, new qt::TOpenPathEvent(qt::Q(file)));
  Settle();
  EXPECT_EQ(Captions(), QStringList{"samples.qmr"});
}

TEST_F(MainWindow, LocalMachineTwiceGivesTwoViewersAndRefreshWithoutOneScans) {
  w.Refresh();  // no viewer: Local Machine
  Settle();
  ASSERT_EQ(w.Viewers().size(), 1u);
  const QString caption = w.Viewers()[0]->windowTitle();
  EXPECT_EQ(caption, qt::Q(LocalViewerCaption(frame.Context->Facts().MachineName,
                                              frame.Context->Facts().CurrentUserName)));
  w.OpenLocal();
  Settle();
  EXPECT_EQ(Captions(), (QStringList{caption, caption}));
  EXPECT_EQ(w.Bar()->MDIChildCount(), 2);
  EXPECT_FALSE(w.PageVisible());
  EXPECT_TRUE(boxes.isEmpty());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the splash's busy cursor is gone
  EXPECT_EQ(qt::CurrentSplash(), nullptr);

  // File › Close is enabled exactly with a viewer; the Windows menu's items likewise.
  w.SetControls();
  EXPECT_TRUE(w.Action("Close")->isEnabled());
  emit w.WindowsMenu()->aboutToShow();
  EXPECT_TRUE(w.Action("&Cascade")->isEnabled());
  w.Bar()->CloseAll();
  DeleteClosed();
  w.SetControls();
  emit w.WindowsMenu()->aboutToShow();
  EXPECT_FALSE(w.Action("Close")->isEnabled());
  EXPECT_FALSE(w.Action("Tile &Horizontally")->isEnabled());
  EXPECT_TRUE(w.PageVisible());
}

TEST_F(MainWindow, TheWindowBarFollowsTheViewersAndItsPopUpTheLastPress) {
  const std::u16string file = SamplesHistory();
  w.OpenFile(std::vector<std::u16string>{file});
  w.OpenFile(std::vector<std::u16string>{file});
  Settle();
  qt::TMDIButtonGroup* bar = w.Bar();
  ASSERT_EQ(bar->MDIChildCount(), 2);
  auto viewers = w.Viewers();
  EXPECT_EQ(bar->ActiveMDIChild(), viewers[1]);
  bar->AddButton(viewers[0], 5, QString());  // the same window twice: still one button
  EXPECT_EQ(bar->MDIChildCount(), 2);

  // A right click on empty space: no hot button.
  const QPoint empty(bar->width() - 5, bar->height() / 2);
  QTest::mousePress(bar, Qt::RightButton, {}, empty);
  QTest::mouseRelease(bar, Qt::RightButton, {}, empty);
  w.PrepareBarMenu();
  const QList<QAction*> items = w.BarMenu()->actions();
  EXPECT_EQ(items[0]->text(), QStringLiteral("<none>"));
  int disabled = 0;
  for (QAction* a : items) disabled += !a->isSeparator() && !a->isEnabled() ? 1 : 0;
  EXPECT_EQ(disabled, 5);  // the title, Restore, Minimize, Maximize, Close
  EXPECT_EQ(w.BarMenu()->defaultAction()->text(), QStringLiteral("Close"));

  // A press on the first button makes it hot; a click brings its viewer forward.
  const QPoint first = bar->ButtonRect(0).center();
  QTest::mousePress(bar, Qt::RightButton, {}, first);
  w.PrepareBarMenu();
  EXPECT_EQ(items[0]->text(), QStringLiteral("samples"));
  EXPECT_TRUE(items[0]->isEnabled());
  QTest::mouseClick(bar, Qt::LeftButton, {}, first);
  Settle();
  EXPECT_EQ(w.Area()->activeSubWindow(), viewers[0]);
  EXPECT_EQ(bar->ActiveMDIChild(), viewers[0]);

  // Closing the active viewer: the selection follows the one the area activates next.
  viewers[0]->close();
  DeleteClosed();
  ASSERT_EQ(bar->MDIChildCount(), 1);
  EXPECT_EQ(bar->ActiveMDIChild(), viewers[1]);
  EXPECT_EQ(bar->HotButtonIndex(), -1);
}

TEST_F(MainWindow, TheBarGrowsByRowsAndIsTheOnlyOneOfItsFrame) {
  const std::u16string file = SamplesHistory();
  for (int i = 0; i < 7; ++i) w.OpenFile(std::vector<std::u16string>{file});
  Settle();
  qt::TMDIButtonGroup* bar = w.Bar();
  bar->setFixedWidth(500);
  Settle();
  // Three 150-pixel buttons to a row in 500 pixels: three rows, with bevels on both edges.
  EXPECT_EQ(bar->height(), 6 + 3 * qt::Scaled(bar, 22));
  try {
    qt::TMDIButtonGroup second(&w);
    ADD_FAILURE() << "a second bar was built";
  } catch (const EKolvaneError& e) {
    EXPECT_EQ(e.Message(), u"Only one MDIButtonGroup can be put on MDIForm.");
  }
  QWidget plain;
  EXPECT_THROW(qt::TMDIButtonGroup{&plain}, EKolvaneError);
  QWidget child(&plain);
  try {
    qt::TMDIButtonGroup onChild(&child);
  } catch (const EKolvaneError& e) {
    EXPECT_EQ(e.Message(), u"MDIButtonGroup can be put only on Form.");
  }
}

TEST_F(MainWindow, ThePageOpensWhatItsTextsSayAndShowsTheProductLine) {
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Quorl Kolvane"));
  QUrl opened;
  w.OnOpenUrl = [&](const QUrl& url) { opened = url; };
  w.SetHomepage(QUrl(QStringLiteral("https://example.org/kolvane")));
  QTest::mouseClick(w.Page()->Logo(), Qt::LeftButton);
  EXPECT_EQ(opened, QUrl(QStringLiteral("https://example.org/kolvane")));
  bool asked = false;
  w.OnChooseFile = [&] {
    asked = true;
    return QString();  // cancelled
  };
  QTest::mouseClick(w.Page()->BrowseText(), Qt::LeftButton);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(w.Viewers().empty());
  QTest::mouseClick(w.Page()->ScanText(), Qt::LeftButton);
  Settle();
  EXPECT_EQ(w.Viewers().size(), 1u);
  EXPECT_EQ(w.StatusPanel(0)->text(), qt::Q(frame.Context->Facts().CurrentUserName));
}

TEST_F(MainWindow, AnOfflineTreeWithSeveralUsersAsksWhichOne) {
  const fs::path tree = RunFolder() / "two-users";
  fs::create_directories(tree / "Users" / "anna");
  fs::create_directories(tree / "Users" / "bert");
  QStringList offered;
  w.OnChooseFolder = [&] { return QString::fromStdString(tree.string()); };
  w.OnChooseUser = [&](const QStringList& users) {
    offered = users;
    return QStringLiteral("bert");
  };
  w.Action("Scan Windows Folder...")->trigger();
  Settle();
  EXPECT_EQ(offered, (QStringList{"anna", "bert"}));
  ASSERT_EQ(w.Viewers().size(), 1u);
  EXPECT_TRUE(w.Viewers()[0]->windowTitle().endsWith("_BERT"))
      << w.Viewers()[0]->windowTitle().toStdString();
  EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
  w.Bar()->CloseAll();  // the tree's context goes with its viewer
  DeleteClosed();
}

TEST(Splash, OneSplashTheBusyCursorAndItsRestoreAlsoAfterAnError) {
  qt::HideSplash();  // none shown: only the cursor
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  qt::ShowSplash();
  qt::Twnd_zof_Splash* first = qt::CurrentSplash();
  ASSERT_TRUE(first);
  qt::ShowSplash();  // again: the same window
  EXPECT_EQ(qt::CurrentSplash(), first);
  ASSERT_TRUE(QGuiApplication::overrideCursor());
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  qt::SplashProgress(QStringLiteral("Mozilla Thunderbird: Inbox (12 messages)"));
  EXPECT_EQ(first->LowerLine(), QStringLiteral("Mozilla Thunderbird: Inbox (12 messages)"));
  try {
    struct TGuard {
      ~TGuard() { qt::HideSplash(); }
    } guard;
    throw std::runtime_error("the scan failed");
  } catch (const std::runtime_error&) {}
  EXPECT_EQ(qt::CurrentSplash(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindow, Screenshots) {
  const QString page = Screenshot(&w, QStringLiteral("main-getting-started"));
  EXPECT_FALSE(QImage(page).isNull());
  const std::u16string file = SamplesHistory();
  w.OpenFile(std::vector<std::u16string>{file});
  w.OpenLocal();
  Settle();
  w.TileVertically();
  Settle();
  const auto viewers = w.Viewers();
  ASSERT_EQ(viewers.size(), 2u);
  EXPECT_EQ(viewers[0]->geometry().top(), viewers[1]->geometry().top());  // side by side
  EXPECT_LT(viewers[0]->geometry().right(), viewers[1]->geometry().left() + 1);
  Screenshot(&w, QStringLiteral("main-two-viewers-tiled"));
  w.TileHorizontally();
  Settle();
  EXPECT_EQ(viewers[0]->geometry().left(), viewers[1]->geometry().left());  // one above the other
  qt::ShowSplash(&w);
  qt::SplashProgress(QStringLiteral("Windows Mail: Inbox (4 messages)"));
  Screenshot(qt::CurrentSplash(), QStringLiteral("splash-during-scan"));
  qt::HideSplash();
}

}  // namespace
}  // namespace kv::test

// A local viewer over a copy of the samples' Windows tree: a scan shows the live stores, with a
// Thunderbird subfolder kept in "Inbox.sbd" under its mailbox.
#include <QAbstractButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include "system/offline_windows_platform.h"
#include "ui/qt/client_bar.h"
#include "ui/qt/folder_tree_view.h"
#include "viewer_support.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

TEST(LiveViewer, AThunderbirdSubfolderShowsUnderItsMailbox) {
  const fs::path tree = RunFolder() / "live-tree";
  fs::copy(SamplesDir(), tree, fs::copy_options::recursive);
  const fs::path local = tree /
                         "Users/Clara/AppData/Roaming/Thunderbird/Profiles/x7k2m9qa.default/"
                         "Mail/Local Folders";
  fs::copy_file(local / "Inbox.sbd/Familie", local / "Inbox.sbd/Work");

  TFrame frame{std::make_unique<TSystemContext>(OpenOfflineWindowsTree(tree.string()))};
  frame.Frame->SetLocalDataFile(
      [](const TStartupFacts&) { return (RunFolder() / "live.qmr").u16string(); });
  qt::Tmdi_zof_Viewer* v = frame.Frame->OpenLocal();
  Settle();
  EXPECT_EQ(v->windowTitle(), QStringLiteral("CLARA-PC_CLARA"));
  EXPECT_EQ(v->ClientBar()->Highlighted(), 0);
  QTest::mouseClick(v->ClientBar()->Item(3), Qt::LeftButton);
  Settle();
  const QStringList texts = TreeTexts(v->FolderTree());
  // The store root's folder is the single top node.
  EXPECT_EQ(texts, (QStringList{"Mail", "  Local Folders", "    Sent", "    Büro", "    Inbox",
                                "      Familie", "        Urlaub 2013", "      Work", "    Drafts",
                                "    Trash"}));
  EXPECT_EQ(v->FolderTree()->currentIndex().data().toString(), QStringLiteral("Inbox"));
  ClickRow(v->FolderTree(), FindText(v->FolderTree(), QStringLiteral("Work")));
  EXPECT_EQ(v->StatusTab()->tabText(0), QStringLiteral("2 messages"));
}

}  // namespace
}  // namespace kv::test

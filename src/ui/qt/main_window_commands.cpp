// The main window's commands: opening viewers (local, files, offline trees), the command line,
// refresh, close and the arrangements of the viewers.
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <filesystem>

#include "system/offline_windows_platform.h"
#include "ui/frame_commands.h"
#include "ui/qt/error_box.h"
#include "ui/qt/getting_started_page.h"
#include "ui/qt/images.h"
#include "ui/qt/main_window.h"
#include "ui/qt/mdi_button_group.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/splash_window.h"
#include "ui/qt/viewer_window.h"

namespace kv::qt {

namespace {

bool IsFile(const std::u16string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

}  // namespace

Tmdi_zof_Viewer* Twnd_zof_Main::ShowChild(const QString& caption, int imageIndex,
                                          const QString& hint, const TSystemContext& context) {
  auto* viewer = new Tmdi_zof_Viewer(Tmdi_zof_Viewer::MakeController(context, FLocale));
  viewer->setWindowTitle(caption);
  AddChild(viewer, imageIndex, hint);
  return viewer;
}

void Twnd_zof_Main::AddChild(Tmdi_zof_Viewer* viewer, int imageIndex, const QString& hint) {
  const auto& images = WindowBarImages();
  if (imageIndex >= 0 && size_t(imageIndex) < images.size())
    viewer->setWindowIcon(images[size_t(imageIndex)]);
  // Scans and loads run behind the splash, which names the folder being read.
  TViewerController& c = viewer->Controller();
  c.ShowSplash = [this] { qt::ShowSplash(this); };
  c.HideSplash = [] { qt::HideSplash(); };
  c.OnScanProgress = [](const TClientPage& page, std::u16string_view folder, size_t messages,
                        size_t) {
    SplashProgress(
        QStringLiteral("%1: %2 (%3 messages)").arg(Q(page.Caption), Q(folder)).arg(messages));
  };
  FArea->addSubWindow(viewer);
  FBar->AddButton(viewer, imageIndex, hint);
  ShowPage(false);
  viewer->show();
}

Tmdi_zof_Viewer* Twnd_zof_Main::OpenLocal() {
  ShowPage(false);
  const TStartupFacts& facts = FContext.Facts();
  Tmdi_zof_Viewer* viewer =
      ShowChild(Q(LocalViewerCaption(facts.MachineName, facts.CurrentUserName)), kViewerBarImage,
                QStringLiteral("This machine and logged user"), FContext);
  if (FLocalDataFile) {
    const std::u16string file = FLocalDataFile(facts);
    if (!file.empty()) viewer->Controller().SetDataFile(file);
  }
  ReportScanErrors([viewer] { viewer->OpenLocal(); });  // the viewer stays, with what it shows
  return viewer;
}

Tmdi_zof_Viewer* Twnd_zof_Main::OpenWindowsTree(const std::string& root,
                                                const std::u16string& user) {
  std::unique_ptr<TSystemContext> context;
  if (!ReportScanErrors(
          [&] { context = std::make_unique<TSystemContext>(OpenOfflineWindowsTree(root, user)); }))
    return nullptr;
  ShowPage(false);
  const TStartupFacts& facts = context->Facts();
  Tmdi_zof_Viewer* viewer =
      ShowChild(Q(LocalViewerCaption(facts.MachineName, facts.CurrentUserName)), kViewerBarImage,
                QString::fromStdString(root), *context);
  if (FLocalDataFile) {
    const std::u16string file = FLocalDataFile(facts);
    if (!file.empty()) viewer->Controller().SetDataFile(file);
  }
  // The viewer's collectors read through the tree's context: it goes with the viewer.
  const QObject* key = viewer;
  FTreeContexts[key] = std::move(context);
  connect(viewer, &QObject::destroyed, this, [this, key] { FTreeContexts.erase(key); });
  ReportScanErrors([viewer] { viewer->OpenLocal(); });
  return viewer;
}

void Twnd_zof_Main::OpenFile(const std::vector<std::u16string>& files) {
  if (files.empty()) return;
  ShowPage(false);
  for (const auto& path : files) {
    if (!IsFile(path)) {
      ErrorBox(QStringLiteral("Error"), Q(FileDoesNotExistText(path)));
      continue;
    }
    Tmdi_zof_Viewer* viewer = ShowChild(Q(FileViewerCaption(path, false, FContext.Separator())),
                                        kViewerBarImage, Q(path), FContext);
    try {
      viewer->OpenFile(Q(path));
    } catch (const std::exception&) {
      ErrorBox(QStringLiteral("Error"), Q(CannotOpenFileText(path)));
      viewer->close();
    }
  }
}

Tmdi_zof_Viewer* Twnd_zof_Main::OpenFile(const std::u16string& path) {
  ShowPage(false);
  if (!IsFile(path)) {
    ErrorBox(QStringLiteral("Error"), Q(FileDoesNotExistText(path)));
    return nullptr;
  }
  // The bar has no image 6 that the open-path event would ask for: the viewers' image stands in.
  Tmdi_zof_Viewer* viewer = ShowChild(Q(FileViewerCaption(path, true, FContext.Separator())),
                                      kViewerBarImage, Q(path), FContext);
  try {
    viewer->OpenFile(Q(path));
  } catch (const std::exception& error) {
    ErrorBox(QStringLiteral("Error"), Q(CannotOpenFileText(path, U(ErrorText(error)))));
    viewer->close();
    return nullptr;
  }
  return viewer;
}

void Twnd_zof_Main::OpenCommandLine() { OpenFile(JoinCommandLine(FCommandLine, IsFile)); }

void Twnd_zof_Main::Open() {
  QString file;
  if (OnChooseFile) {
    file = OnChooseFile();
  } else {
    QFileDialog dialog(this, QString(), QCoreApplication::applicationDirPath(),
                       QStringLiteral("Data files (*.qmr);;All files (*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      file = dialog.selectedFiles().front();
  }
  if (!file.isEmpty()) OpenFile(std::vector<std::u16string>{U(file)});
}

void Twnd_zof_Main::ScanWindowsFolder() {
  const QString folder =
      OnChooseFolder
          ? OnChooseFolder()
          : QFileDialog::getExistingDirectory(
                this, QStringLiteral("Windows folder (a mounted disk or a copied C: tree)"));
  if (folder.isEmpty()) return;
  QStringList users;
  for (const auto& name : OfflineWindowsTreeUsers(folder.toStdString())) users << Q(name);
  QString user;
  if (users.size() > 1) {
    user = OnChooseUser
               ? OnChooseUser(users)
               : QInputDialog::getItem(this, QStringLiteral("Scan Windows Folder"),
                                       QStringLiteral("The user to scan:"), users, 0, false);
    if (user.isEmpty()) return;
  }
  OpenWindowsTree(folder.toStdString(), U(user));
}

std::vector<Tmdi_zof_Viewer*> Twnd_zof_Main::Viewers() const {
  std::vector<Tmdi_zof_Viewer*> viewers;
  for (QMdiSubWindow* w : FArea->subWindowList())
    if (auto* v = qobject_cast<Tmdi_zof_Viewer*>(w)) viewers.push_back(v);
  return viewers;
}

Tmdi_zof_Viewer* Twnd_zof_Main::ActiveViewer() const {
  return qobject_cast<Tmdi_zof_Viewer*>(FArea->activeSubWindow());
}

void Twnd_zof_Main::Refresh() {
  if (Tmdi_zof_Viewer* viewer = ActiveViewer()) {
    ReportScanErrors([viewer] { viewer->RefreshData(); });  // a file viewer does nothing
  } else if (Viewers().empty()) {
    OpenLocal();
  }
}

void Twnd_zof_Main::CloseActive() {
  if (QMdiSubWindow* w = FArea->activeSubWindow()) w->close();
}

void Twnd_zof_Main::Cascade() { FArea->cascadeSubWindows(); }
void Twnd_zof_Main::TileHorizontally() { Tile(true); }
void Twnd_zof_Main::TileVertically() { Tile(false); }

void Twnd_zof_Main::Tile(bool aboveEachOther) {
  std::vector<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : FArea->subWindowList())
    if (w->isVisible() && !w->isMinimized()) windows.push_back(w);
  if (windows.empty()) return;
  const QRect area = FArea->viewport()->rect();
  const int n = int(windows.size());
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = windows[size_t(i)];
    w->showNormal();
    if (aboveEachOther) {
      const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
      w->setGeometry(0, top, area.width(), bottom - top);
    } else {
      const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
      w->setGeometry(left, 0, right - left, area.height());
    }
  }
}

}  // namespace kv::qt

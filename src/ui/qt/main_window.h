// The program's main window: an MDI frame holding the viewers, the window bar with a button per
// viewer, the getting-started page while no viewer is open, the File and Windows menus and a
// status bar with facts about the user and the system. It opens a local viewer that scans, a
// viewer per history file (from the open dialog, the command line, a dropped file or the
// open-path event), or a local viewer over an offline Windows tree.
#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "system/context.h"
#include "ui/locale.h"
#include "ui/window_bar.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QStackedWidget;

namespace kv::qt {

class TGettingStartedPage;
class TMDIButtonGroup;
class Tmdi_zof_Viewer;

// Asks the main window to open a history file, as another part of the program may: the
// counterpart of the window message that carries a path. The viewer keeps the extension in its
// caption.
class TOpenPathEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = QEvent::Type(QEvent::User + 1000);
  explicit TOpenPathEvent(QString path) : QEvent(kType), Path(std::move(path)) {}
  const QString Path;
};

class Twnd_zof_Main : public QMainWindow {
  Q_OBJECT

 public:
  // `context` (this machine) must outlive the window.
  Twnd_zof_Main(const TSystemContext& context, TLocale locale, QWidget* parent = nullptr);
  ~Twnd_zof_Main() override;

  // Where a local viewer's scan appends; empty: the viewer's own default.
  void SetLocalDataFile(std::function<std::u16string(const TStartupFacts&)> rule) {
    FLocalDataFile = std::move(rule);
  }
  // The command line, opened when the window is first shown.
  void SetCommandLine(std::vector<std::u16string> args) { FCommandLine = std::move(args); }
  // The address the logo opens.
  void SetHomepage(QUrl url) { FHomepage = std::move(url); }

  // The commands.
  Tmdi_zof_Viewer* OpenLocal();
  void OpenFile(const std::vector<std::u16string>& files);
  Tmdi_zof_Viewer* OpenFile(const std::u16string& file);  // keeps the extension in the caption
  // A local viewer over the offline Windows tree at `root` seen as `user` (empty: its only user).
  Tmdi_zof_Viewer* OpenWindowsTree(const std::string& root, const std::u16string& user);
  void OpenCommandLine();
  void Refresh();
  void CloseActive();
  void Cascade();
  void TileHorizontally();  // one above the other
  void TileVertically();    // side by side
  // A new viewer captioned `caption` with bar image `imageIndex` and `hint`, over `context`.
  Tmdi_zof_Viewer* ShowChild(const QString& caption, int imageIndex, const QString& hint,
                             const TSystemContext& context);
  // Hosts a viewer made elsewhere: its window-bar button, the splash for its scans and loads.
  void AddChild(Tmdi_zof_Viewer* viewer, int imageIndex, const QString& hint);
  // File › Close is enabled exactly while a viewer is open.
  void SetControls();

  // Seams for tests: the error boxes, the dialogs and the browser.
  std::function<void(const QString& caption, const QString& text)> OnErrorBox;
  std::function<QString()> OnChooseFile;
  std::function<QString()> OnChooseFolder;
  std::function<QString(const QStringList& users)> OnChooseUser;
  std::function<void(const QUrl&)> OnOpenUrl;

  // The parts, for tests.
  TMDIButtonGroup* Bar() const { return FBar; }
  QMdiArea* Area() const { return FArea; }
  TGettingStartedPage* Page() const { return FPage; }
  bool PageVisible() const;
  QMenu* FileMenu() const { return FFileMenu; }
  QMenu* WindowsMenu() const { return FWindowsMenu; }
  QMenu* BarMenu() const { return FBarMenu; }
  QAction* Action(const QString& text) const;
  QLabel* StatusPanel(int index) const { return FPanels.at(size_t(index)); }
  std::vector<Tmdi_zof_Viewer*> Viewers() const;
  // Fills the window bar's pop-up for the button under the last press.
  void PrepareBarMenu();

 protected:
  void customEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void MakeMenus();
  void MakeBarMenu();
  void MakeStatusBar();
  void ShowPage(bool visible);
  void BarChanged(TMDIAction action);
  void ErrorBox(const QString& caption, const QString& text);
  bool ReportScanErrors(const std::function<void()>& action);
  void ScanWindowsFolder();
  void Open();
  Tmdi_zof_Viewer* ActiveViewer() const;
  void FillWindowList();
  void Tile(bool aboveEachOther);

  const TSystemContext& FContext;
  TLocale FLocale;
  std::function<std::u16string(const TStartupFacts&)> FLocalDataFile;
  std::vector<std::u16string> FCommandLine;
  QUrl FHomepage;
  bool FShownOnce = false;
  QStackedWidget* FStack = nullptr;
  QMdiArea* FArea = nullptr;
  TGettingStartedPage* FPage = nullptr;
  TMDIButtonGroup* FBar = nullptr;
  QMenu* FFileMenu = nullptr;
  QMenu* FWindowsMenu = nullptr;
  QMenu* FBarMenu = nullptr;
  std::vector<QAction*> FWindowList;
  std::vector<QLabel*> FPanels;
  // The contexts of viewers over offline trees, freed with their viewer.
  std::map<const QObject*, std::unique_ptr<TSystemContext>> FTreeContexts;
};

}  // namespace kv::qt

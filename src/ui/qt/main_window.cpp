// The main window's frame: layout, menus, the window bar and its pop-up, the status bar, and
// the events it takes (the open-path event, dropped files, the first showing, closing).
#include "ui/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>

#include "base/text.h"
#include "system/session.h"
#include "system/user_facts.h"
#include "ui/frame_commands.h"
#include "ui/qt/dpi.h"
#include "ui/qt/error_box.h"
#include "ui/qt/getting_started_page.h"
#include "ui/qt/images.h"
#include "ui/qt/mdi_button_group.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/viewer_window.h"

namespace kv::qt {

namespace {

constexpr QRgb kFrameBackground = 0x4F5257;  // red 79, green 82, blue 87

QAction* AddItem(QMenu* menu, const QString& text, const QString& hint,
                 const QKeySequence& keys = {}) {
  QAction* a = menu->addAction(text);
  a->setStatusTip(hint);
  a->setToolTip(hint);
  if (!keys.isEmpty()) a->setShortcut(keys);
  return a;
}

}  // namespace

Twnd_zof_Main::Twnd_zof_Main(const TSystemContext& context, TLocale locale, QWidget* parent)
    : QMainWindow(parent), FContext(context), FLocale(std::move(locale)) {
  setWindowTitle(QStringLiteral("Quorl Kolvane"));
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);

  const TVersionInfo& version = context.Facts().ProgramVersion;
  auto* client = new QWidget(this);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  FArea = new QMdiArea(client);
  FArea->setBackground(QColor(kFrameBackground));
  FPage = new TGettingStartedPage(Q(version.ProductName + u' ' + version.FileVersion),
                                  Q(version.Copyright), client);
  FStack = new QStackedWidget(client);
  FStack->addWidget(FArea);
  FStack->addWidget(FPage);
  FStack->setCurrentWidget(FPage);
  setCentralWidget(client);

  FBar = new TMDIButtonGroup(this);
  FBar->setParent(client);
  FBar->SetButtonSize({150, 22});
  FBar->SetBevels(true, true, false);
  FBar->SetAutoSize(true);
  FBar->SetGlassButtonStyle(true);
  FBar->Colors().Edge = RgbOfTColor(0xA4A0A0);
  FBar->Colors().Hot = RgbOfTColor(0xEFD3C6);
  FBar->Colors().Regular = RgbOfTColor(0xDBE1E2);
  FBar->Colors().Selected = RgbOfTColor(0xFFFF);
  FBar->SetTextIndent(5);
  FBar->SetImages(WindowBarImages());
  FBar->setCursor(Qt::PointingHandCursor);
  column->addWidget(FBar);
  column->addWidget(FStack, 1);
  connect(FBar, &TMDIButtonGroup::Changed, this, &Twnd_zof_Main::BarChanged);

  connect(FPage, &TGettingStartedPage::LocalMachineClicked, this, [this] { OpenLocal(); });
  connect(FPage, &TGettingStartedPage::OpenClicked, this, &Twnd_zof_Main::Open);
  connect(FPage, &TGettingStartedPage::LogoClicked, this, [this] {
    if (OnOpenUrl)
      OnOpenUrl(FHomepage);
    else
      QDesktopServices::openUrl(FHomepage);
  });

  MakeMenus();
  MakeBarMenu();
  MakeStatusBar();

  // The client area 792 x 676, centred on the screen.
  resize(Scaled(this, 792),
         Scaled(this, 676) + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

Twnd_zof_Main::~Twnd_zof_Main() {
  // The viewers go before the contexts their collectors use.
  for (QMdiSubWindow* w : FArea->subWindowList()) delete w;
}

void Twnd_zof_Main::MakeMenus() {
  FFileMenu = menuBar()->addMenu(QStringLiteral("File"));
  QAction* open =
      AddItem(FFileMenu, QStringLiteral("&Open..."), QStringLiteral("Opens an existing file"),
              QKeySequence(Qt::CTRL | Qt::Key_O));
  open->setToolTip(QStringLiteral("Open"));
  open->setIcon(FrameIcon(TFrameImage::fiOpen));
  connect(open, &QAction::triggered, this, &Twnd_zof_Main::Open);
  connect(AddItem(FFileMenu, QStringLiteral("Local Machine"), QStringLiteral("Local machine")),
          &QAction::triggered, this, [this] { OpenLocal(); });
  connect(AddItem(FFileMenu, QStringLiteral("Scan Windows Folder..."),
                  QStringLiteral("Scans a user of an offline Windows installation")),
          &QAction::triggered, this, &Twnd_zof_Main::ScanWindowsFolder);
  FFileMenu->addSeparator();
  connect(AddItem(FFileMenu, QStringLiteral("Close"), QStringLiteral("Close")), &QAction::triggered,
          this, &Twnd_zof_Main::CloseActive);
  FFileMenu->addSeparator();
  connect(AddItem(FFileMenu, QStringLiteral("Refresh"), QStringLiteral("Refresh"),
                  QKeySequence(Qt::Key_F5)),
          &QAction::triggered, this, &Twnd_zof_Main::Refresh);
  FFileMenu->addSeparator();
  QAction* exit = AddItem(FFileMenu, QStringLiteral("Exit"), QStringLiteral("Exit"));
  exit->setIcon(FrameIcon(TFrameImage::fiExit));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  connect(FFileMenu, &QMenu::aboutToShow, this, &Twnd_zof_Main::SetControls);

  FWindowsMenu = menuBar()->addMenu(QStringLiteral("Windows"));
  struct TArrange {
    const char* Text;
    const char* Hint;
    TFrameImage Image;
    void (Twnd_zof_Main::*Command)();
  };
  for (const TArrange& a :
       {TArrange{"&Cascade", "Cascade", TFrameImage::fiCascade, &Twnd_zof_Main::Cascade},
        TArrange{"Tile &Horizontally", "Tile Horizontal", TFrameImage::fiTileHorizontal,
                 &Twnd_zof_Main::TileHorizontally},
        TArrange{"&Tile Vertically", "Tile Vertical", TFrameImage::fiTileVertical,
                 &Twnd_zof_Main::TileVertically}}) {
    QAction* item = AddItem(FWindowsMenu, QString::fromLatin1(a.Text), QString::fromLatin1(a.Hint));
    item->setIcon(FrameIcon(a.Image));
    item->setEnabled(false);
    connect(item, &QAction::triggered, this, a.Command);
  }
  connect(FWindowsMenu, &QMenu::aboutToShow, this, &Twnd_zof_Main::FillWindowList);
}

void Twnd_zof_Main::FillWindowList() {
  const bool any = !Viewers().empty();
  for (QAction* a : FWindowsMenu->actions())
    if (!a->isSeparator() &&
        std::find(FWindowList.begin(), FWindowList.end(), a) == FWindowList.end())
      a->setEnabled(any);
  for (QAction* a : FWindowList) FWindowsMenu->removeAction(a), a->deleteLater();
  FWindowList.clear();
  // The frame's window list: one entry per open viewer.
  if (any) FWindowList.push_back(FWindowsMenu->addSeparator());
  int n = 0;
  for (QMdiSubWindow* w : FArea->subWindowList()) {
    QAction* a = FWindowsMenu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(w->windowTitle()));
    a->setCheckable(true);
    a->setChecked(w == FArea->activeSubWindow());
    connect(a, &QAction::triggered, this, [this, w] { FArea->setActiveSubWindow(w); });
    FWindowList.push_back(a);
  }
}

void Twnd_zof_Main::MakeBarMenu() {
  FBarMenu = new QMenu(this);
  const auto& images = WindowBarImages();
  auto item = [&](const QString& text, TBarImage image, auto command) {
    QAction* a = FBarMenu->addAction(images[size_t(image)], text);
    connect(a, &QAction::triggered, this, command);
    return a;
  };
  item(QStringLiteral("<none>"), TBarImage::biWindow, [this] {
    if (QMdiSubWindow* w = FBar->HotWindow()) {
      FArea->setActiveSubWindow(w);
      w->raise();
      w->setFocus();
    }
  });
  FBarMenu->addSeparator();
  item(QStringLiteral("Restore"), TBarImage::biRestore, [this] {
    if (QMdiSubWindow* w = FBar->HotWindow()) w->showNormal();
  });
  item(QStringLiteral("Minimize"), TBarImage::biMinimize, [this] {
    if (QMdiSubWindow* w = FBar->HotWindow()) w->showMinimized();
  });
  item(QStringLiteral("Maximize"), TBarImage::biMaximize, [this] {
    if (QMdiSubWindow* w = FBar->HotWindow()) w->showMaximized();
  });
  FBarMenu->addSeparator();
  connect(FBarMenu->addAction(QStringLiteral("Minimize All")), &QAction::triggered, FBar,
          &TMDIButtonGroup::MinimizeAll);
  connect(FBarMenu->addAction(QStringLiteral("Close All")), &QAction::triggered, FBar,
          &TMDIButtonGroup::CloseAll);
  FBarMenu->addSeparator();
  QAction* close = item(QStringLiteral("Close"), TBarImage::biClose, [this] {
    if (QMdiSubWindow* w = FBar->HotWindow()) w->close();
  });
  FBarMenu->setDefaultAction(close);  // shown bold
  FBar->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FBar, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PrepareBarMenu();
    FBarMenu->popup(FBar->mapToGlobal(at));
  });
}

void Twnd_zof_Main::PrepareBarMenu() {
  const TBarPopup popup = BarPopupFor(FBar->Model());
  const QList<QAction*> items = FBarMenu->actions();
  items[0]->setText(Q(popup.Title));
  for (QAction* a : items) {
    if (a->isSeparator()) continue;
    const bool all =
        a->text() == QLatin1String("Minimize All") || a->text() == QLatin1String("Close All");
    a->setEnabled(all ? popup.AllItems : popup.WindowItems);
  }
}

void Twnd_zof_Main::MakeStatusBar() {
  const TStartupFacts& f = FContext.Facts();
  const std::u16string texts[4] = {GetCurrentUserName(FContext),
                                   SessionTypesToText(GetSessionTypes(FContext)),
                                   Trim(f.OSName + u' ' + f.OSEdition), u""};
  const int widths[4] = {100, 100, 300, 100};
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(Q(texts[i]), statusBar());
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setMinimumWidth(ScaledForText(panel, widths[i]));
    if (i < 3) panel->setAlignment(Qt::AlignCenter);
    statusBar()->addPermanentWidget(panel, i == 3 ? 1 : 0);
    FPanels.push_back(panel);
  }
}

bool Twnd_zof_Main::PageVisible() const { return FStack->currentWidget() == FPage; }

void Twnd_zof_Main::ShowPage(bool visible) {
  FStack->setCurrentWidget(visible ? static_cast<QWidget*>(FPage) : FArea);
}

void Twnd_zof_Main::BarChanged(TMDIAction action) {
  // A closing viewer's button is gone already; the viewer itself still counts.
  const size_t viewers = size_t(FBar->MDIChildCount()) + (action == TMDIAction::mdiClose ? 1 : 0);
  ShowPage(GettingStartedVisible(viewers, action));
}

QAction* Twnd_zof_Main::Action(const QString& text) const {
  for (QMenu* menu : {FFileMenu, FWindowsMenu, FBarMenu})
    for (QAction* a : menu->actions())
      if (a->text() == text) return a;
  return nullptr;
}

void Twnd_zof_Main::SetControls() {
  if (QAction* close = Action(QStringLiteral("Close"))) close->setEnabled(!Viewers().empty());
}

void Twnd_zof_Main::customEvent(QEvent* event) {
  if (event->type() == TOpenPathEvent::kType) {
    OpenFile(U(static_cast<TOpenPathEvent*>(event)->Path));
    return;
  }
  QMainWindow::customEvent(event);
}

void Twnd_zof_Main::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (FShownOnce) return;
  FShownOnce = true;
  OpenCommandLine();
}

void Twnd_zof_Main::closeEvent(QCloseEvent* event) {
  FBar->CloseAll();  // every viewer, from the last to the first
  event->accept();
}

void Twnd_zof_Main::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Twnd_zof_Main::dropEvent(QDropEvent* event) {
  std::vector<std::u16string> files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(U(url.toLocalFile()));
  event->acceptProposedAction();
  OpenFile(files);
}

void Twnd_zof_Main::ErrorBox(const QString& caption, const QString& text) {
  if (OnErrorBox)
    OnErrorBox(caption, text);
  else
    ShowErrorBox(this, caption, text);
}

bool Twnd_zof_Main::ReportScanErrors(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    ErrorBox(QApplication::applicationDisplayName(), ErrorText(error));
  }
  return false;
}

}  // namespace kv::qt

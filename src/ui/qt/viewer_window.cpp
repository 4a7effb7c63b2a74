#include "ui/qt/viewer_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QVBoxLayout>

#include "ui/client_pages.h"
#include "ui/qt/client_bar.h"
#include "ui/qt/dpi.h"
#include "ui/qt/error_box.h"
#include "ui/qt/folder_tree_model.h"
#include "ui/qt/folder_tree_view.h"
#include "ui/qt/images.h"
#include "ui/qt/message_details_dialog.h"
#include "ui/qt/message_list_model.h"
#include "ui/qt/message_list_view.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

namespace {

void PushBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
void PopBusyCursor() { QGuiApplication::restoreOverrideCursor(); }

// The key code the search box's rule speaks of: 13 for either Enter key.
int KeyCode(int qtKey) { return qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter ? 13 : qtKey; }

}  // namespace

std::unique_ptr<TViewerController> Tmdi_zof_Viewer::MakeController(const TSystemContext& context,
                                                                   TLocale locale) {
  return std::make_unique<TViewerController>(context, CreateClientPages(context),
                                             std::move(locale));
}

Tmdi_zof_Viewer::Tmdi_zof_Viewer(std::unique_ptr<TViewerController> controller, QWidget* parent)
    : QMdiSubWindow(parent), FController(std::move(controller)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(ProgramIcon());
  FController->ShowBusy = FController->ShowSplash = PushBusyCursor;
  FController->HideBusy = FController->HideSplash = PopBusyCursor;

  auto* panel = new QWidget;
  panel->setAutoFillBackground(true);
  QPalette white = panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  panel->setPalette(white);
  auto* layout = new QVBoxLayout(panel);
  const int margin = Scaled(this, 3);
  layout->setContentsMargins(margin, margin, margin, margin);
  layout->setSpacing(margin);
  layout->addWidget(MakeTopRow());
  auto* split = new QSplitter(Qt::Horizontal, panel);
  split->addWidget(MakeClientBar());
  split->addWidget(MakeListColumn());
  split->setStretchFactor(1, 1);
  split->setSizes({Scaled(this, 202), Scaled(this, 800)});
  split->setChildrenCollapsible(false);
  layout->addWidget(split, 1);
  setWidget(panel);

  FListener = FController->Listen([this](TViewChange change, bool done) { Changed(change, done); });
  ShowPage();
  ShowSearch();
  FStatus->setTabText(0, Q(FController->StatusText()));
}

Tmdi_zof_Viewer::~Tmdi_zof_Viewer() {
  FSearchEdit->removeEventFilter(this);
  FController->Unlisten(FListener);
  // The views and models listen to the controller and read it while they go: they go first.
  delete widget();
}

QWidget* Tmdi_zof_Viewer::MakeTopRow() {
  auto* row = new QWidget;
  row->setFixedHeight(Scaled(this, 39));
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(Scaled(this, 6));
  FPageIcon = new QLabel(row);
  FPageIcon->setFixedSize(ScaledSize(this, 32));
  FSearchBox = new QComboBox(row);
  FSearchBox->setEditable(true);
  FSearchBox->setInsertPolicy(QComboBox::NoInsert);
  FSearchBox->setCompleter(nullptr);
  FSearchBox->setFixedWidth(Scaled(this, 347));
  FSearchEdit = FSearchBox->lineEdit();
  FSearchEdit->installEventFilter(this);
  connect(FSearchBox, &QComboBox::editTextChanged, this,
          [this](const QString& text) { FController->SetSearchText(U(text)); });
  FSearchButton = new QPushButton(QStringLiteral("Search"), row);
  connect(FSearchButton, &QPushButton::clicked, this, [this] { cmSearch(); });
  FAllFolders = new QCheckBox(QStringLiteral("All folders"), row);
  connect(FAllFolders, &QCheckBox::toggled, this,
          [this](bool all) { FController->SetSearchAllFolders(all); });
  layout->addWidget(FPageIcon);
  layout->addWidget(FSearchBox);
  layout->addWidget(FSearchButton);
  layout->addWidget(FAllFolders);
  layout->addStretch(1);
  return row;
}

QWidget* Tmdi_zof_Viewer::MakeClientBar() {
  auto* treeModel = new TFolderTreeModel(*FController, this);
  FTree = new TFolderTreeView(*FController, treeModel);
  treeModel->setParent(FTree);
  connect(FTree, &TFolderTreeView::NodeChosen, this,
          [this](const TFolderNode* node) { FolderTreeChange(node); });
  FBar = new TClientBar(FTree);
  FBar->setMinimumWidth(Scaled(this, 120));
  for (size_t p = 0; p < FController->PageCount(); ++p) {
    const TClientPage& page = FController->Page(int(p));
    FBar->AddItem(ClientIcon(page.Collector->EID()), Q(page.Caption));
  }
  connect(FBar, &TClientBar::ItemChosen, this, [this](int page) { obSelect(page); });
  return FBar;
}

QWidget* Tmdi_zof_Viewer::MakeListColumn() {
  auto* column = new QWidget;
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* listModel = new TMessageListModel(*FController, this);
  FList = new TMessageListView(*FController, listModel, column);
  listModel->setParent(FList);
  connect(FList, &TMessageListView::HeaderClicked, this, [this](int c) { TreeHeaderClick(c); });
  connect(FList, &QAbstractItemView::activated, this,
          [this](const QModelIndex& index) { ShowMessageDetails(index.row()); });
  FStatus = new QTabBar(column);
  FStatus->addTab(QString());
  FStatus->setShape(QTabBar::RoundedSouth);
  FStatus->setExpanding(false);
  layout->addWidget(FList, 1);
  layout->addWidget(FStatus, 0, Qt::AlignLeft);
  return column;
}

void Tmdi_zof_Viewer::showEvent(QShowEvent* event) {
  QMdiSubWindow::showEvent(event);
  if (FShown) return;
  FShown = true;
  showMaximized();
}

void Tmdi_zof_Viewer::OpenLocal() { FController->OpenLocal(); }
void Tmdi_zof_Viewer::RefreshData() { FController->RefreshData(); }
void Tmdi_zof_Viewer::OpenFile(const QString& fileName) { FController->OpenFile(U(fileName)); }

void Tmdi_zof_Viewer::obSelect(int page) {
  ReportErrors(this, [&] { FController->SelectPage(page); });
}

void Tmdi_zof_Viewer::FolderTreeChange(const TFolderNode* node) {
  ReportErrors(this, [&] { FController->ChooseFolder(node); });
}

void Tmdi_zof_Viewer::cmSearch() {
  ReportErrors(this, [&] { FController->Search(U(FSearchBox->currentText())); });
}

void Tmdi_zof_Viewer::eSearchKeyUp(int key, Qt::KeyboardModifiers modifiers) {
  if (IsSearchKey(key, modifiers & Qt::ShiftModifier, modifiers & Qt::ControlModifier,
                  modifiers & Qt::AltModifier))
    cmSearch();
}

void Tmdi_zof_Viewer::TreeHeaderClick(int column) {
  ReportErrors(this, [&] { FController->SortByColumn(column); });
}

TMessageDetailsDialog* Tmdi_zof_Viewer::ShowMessageDetails(int row) {
  if (row < 0 || size_t(row) >= FController->RowCount()) return nullptr;
  auto* dialog =
      new TMessageDetailsDialog(FController->RowRecord(size_t(row)), FController->Locale(), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

bool Tmdi_zof_Viewer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease && watched == FSearchEdit) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat()) eSearchKeyUp(KeyCode(key->key()), key->modifiers());
  }
  return QMdiSubWindow::eventFilter(watched, event);
}

void Tmdi_zof_Viewer::Changed(TViewChange change, bool done) {
  if (!done) return;
  if (change == TViewChange::vcPage) ShowPage();
  if (change == TViewChange::vcSearch) ShowSearch();
  if (change == TViewChange::vcStatus) FStatus->setTabText(0, Q(FController->StatusText()));
}

void Tmdi_zof_Viewer::ShowPage() {
  const TVix_EMails& collector = FController->CollectorOf(-1);
  FPageIcon->setPixmap(ClientIcon(collector.EID()).pixmap(ScaledSize(this, 32)));
  FBar->Show(FController->HighlightedBarItem(), FController->CurrentPage());
}

// The box lists the history; its text is the controller's (a scan clears it).
void Tmdi_zof_Viewer::ShowSearch() {
  const QSignalBlocker quiet(FSearchBox);
  const TStringList& history = FController->SearchHistory();
  if (FSearchBox->count() != int(history.size())) {
    FSearchBox->clear();
    for (const auto& text : history) FSearchBox->addItem(Q(text));
  }
  if (FSearchBox->currentText() != Q(FController->SearchText()))
    FSearchBox->setEditText(Q(FController->SearchText()));
}

}  // namespace kv::qt

// The viewer window: an MDI child that opens maximised, captioned by whoever opens it. The top
// row holds the page icon, the search box with its history, "Search" and "All folders"; the
// left column the client bar with the folder tree inside it; the right the message list above
// a single tab with the status text. The window forwards what the user does to the viewer's
// controller and renders its models; it keeps no state of its own about pages, folders or rows.
#pragma once

#include <QMdiSubWindow>

#include <memory>

#include "ui/viewer.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace kv::qt {

class TClientBar;
class TFolderTreeView;
class TMessageDetailsDialog;
class TMessageListView;

class Tmdi_zof_Viewer : public QMdiSubWindow {
  Q_OBJECT

 public:
  explicit Tmdi_zof_Viewer(std::unique_ptr<TViewerController> controller,
                           QWidget* parent = nullptr);
  ~Tmdi_zof_Viewer() override;

  // A controller over the four client pages of `context`, which must outlive the viewer.
  static std::unique_ptr<TViewerController> MakeController(const TSystemContext& context,
                                                           TLocale locale);

  TViewerController& Controller() { return *FController; }

  // The opener's commands. Their errors reach the opener, which reports them.
  void OpenLocal();
  void RefreshData();
  void OpenFile(const QString& fileName);

  // What the controls call.
  void obSelect(int page);
  void FolderTreeChange(const TFolderNode* node);
  void cmSearch();
  void eSearchKeyUp(int key, Qt::KeyboardModifiers modifiers);
  void TreeHeaderClick(int column);
  // Enter or a double click on a row: the record's details, in a dialog of their own.
  TMessageDetailsDialog* ShowMessageDetails(int row);

  // The controls, for the frame and for tests.
  QLabel* PageIcon() const { return FPageIcon; }
  QComboBox* SearchBox() const { return FSearchBox; }
  QPushButton* SearchButton() const { return FSearchButton; }
  QCheckBox* AllFoldersBox() const { return FAllFolders; }
  TClientBar* ClientBar() const { return FBar; }
  TFolderTreeView* FolderTree() const { return FTree; }
  TMessageListView* MessageList() const { return FList; }
  QTabBar* StatusTab() const { return FStatus; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* MakeTopRow();
  QWidget* MakeClientBar();
  QWidget* MakeListColumn();
  void Changed(TViewChange change, bool done);
  void ShowPage();
  void ShowSearch();

  std::unique_ptr<TViewerController> FController;
  QLabel* FPageIcon = nullptr;
  QComboBox* FSearchBox = nullptr;
  QLineEdit* FSearchEdit = nullptr;  // the box's editor, whose key releases search
  QPushButton* FSearchButton = nullptr;
  QCheckBox* FAllFolders = nullptr;
  TClientBar* FBar = nullptr;
  TFolderTreeView* FTree = nullptr;
  TMessageListView* FList = nullptr;
  QTabBar* FStatus = nullptr;
  size_t FListener = 0;
  bool FShown = false;
};

}  // namespace kv::qt

#include "ui/qt/folder_tree_view.h"

#include <QItemSelectionModel>

#include "ui/qt/dpi.h"
#include "ui/qt/folder_tree_model.h"

namespace kv::qt {

TFolderTreeView::TFolderTreeView(TViewerController& controller, TFolderTreeModel* model,
                                 QWidget* parent)
    : QTreeView(parent), FController(controller), FModel(model) {
  setModel(model);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSelectionMode(SingleSelection);
  setIconSize(ScaledSize(this, 16));
  setIndentation(Scaled(this, 16));
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TFolderTreeView::SelectionChanged);
  FListener = FController.Listen([this](TViewChange change, bool done) { Changed(change, done); });
}

TFolderTreeView::~TFolderTreeView() { FController.Unlisten(FListener); }

void TFolderTreeView::Changed(TViewChange change, bool done) {
  if (!done) return;
  if (change == TViewChange::vcTree) expandAll();
  if (change == TViewChange::vcShownNode) ShowControllerNode();
}

void TFolderTreeView::ShowControllerNode() {
  FShowing = true;
  const QModelIndex index = FModel->IndexOf(FController.SelectedNode());
  if (index.isValid()) {
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index, PositionAtCenter);
  } else {
    // Rows of all folders: no node stands for them, and choosing any node returns to one.
    selectionModel()->clearSelection();
  }
  FShowing = false;
}

void TFolderTreeView::SelectionChanged() {
  if (FShowing) return;
  const QModelIndexList chosen = selectionModel()->selectedIndexes();
  if (chosen.isEmpty()) return;
  const TFolderNode* node = TFolderTreeModel::NodeOf(chosen.front());
  if (node && node != FController.SelectedNode()) emit NodeChosen(node);
}

}  // namespace kv::qt

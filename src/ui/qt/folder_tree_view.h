// The folder tree's view: every node expanded, the node the controller shows selected, centred
// and focused. Only the user's choice of a node is reported: the selection the controller
// shows after a build is its own and switches no folder again.
#pragma once

#include <QTreeView>

#include "ui/viewer.h"

namespace kv::qt {

class TFolderTreeModel;

class TFolderTreeView : public QTreeView {
  Q_OBJECT

 public:
  TFolderTreeView(TViewerController& controller, TFolderTreeModel* model,
                  QWidget* parent = nullptr);
  ~TFolderTreeView() override;

  TFolderTreeModel* TreeModel() const { return FModel; }

 signals:
  void NodeChosen(const kv::TFolderNode* node);

 private:
  void Changed(TViewChange change, bool done);
  void ShowControllerNode();
  void SelectionChanged();

  TViewerController& FController;
  TFolderTreeModel* FModel;
  size_t FListener = 0;
  bool FShowing = false;
};

}  // namespace kv::qt

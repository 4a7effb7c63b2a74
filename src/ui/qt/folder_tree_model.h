// The folder tree as a Qt item model over the controller's tree. An index carries its node;
// the model resets before the controller frees the nodes and after it has built new ones, so
// no index outlives its node.
#pragma once

#include <QAbstractItemModel>

#include "ui/viewer.h"

namespace kv::qt {

class TFolderTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit TFolderTreeModel(TViewerController& controller, QObject* parent = nullptr);
  ~TFolderTreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // The node's text and image.
  static QString FolderTreeGetText(const TFolderNode& node);
  static std::optional<TListImage> FolderTreeGetImageIndex(const TFolderNode& node);

  static const TFolderNode* NodeOf(const QModelIndex& index);
  QModelIndex IndexOf(const TFolderNode* node) const;

 private:
  const std::vector<std::unique_ptr<TFolderNode>>& ChildrenOf(const QModelIndex& parent) const;

  TViewerController& FController;
  size_t FListener = 0;
};

}  // namespace kv::qt

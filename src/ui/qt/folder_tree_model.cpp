#include "ui/qt/folder_tree_model.h"

#include "ui/message_list.h"
#include "ui/qt/images.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

TFolderTreeModel::TFolderTreeModel(TViewerController& controller, QObject* parent)
    : QAbstractItemModel(parent), FController(controller) {
  FListener = FController.Listen([this](TViewChange change, bool done) {
    if (change != TViewChange::vcTree) return;
    if (done)
      endResetModel();
    else
      beginResetModel();
  });
}

TFolderTreeModel::~TFolderTreeModel() { FController.Unlisten(FListener); }

const TFolderNode* TFolderTreeModel::NodeOf(const QModelIndex& index) {
  return index.isValid() ? static_cast<const TFolderNode*>(index.constInternalPointer()) : nullptr;
}

const std::vector<std::unique_ptr<TFolderNode>>& TFolderTreeModel::ChildrenOf(
    const QModelIndex& parent) const {
  const TFolderNode* node = NodeOf(parent);
  return node ? node->Children : FController.Tree().Roots();
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const auto& nodes = ChildrenOf(parent);
  if (column != 0 || row < 0 || size_t(row) >= nodes.size()) return {};
  return createIndex(row, 0, nodes[size_t(row)].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
  const TFolderNode* node = NodeOf(child);
  if (!node || !node->Parent) return {};
  return createIndex(node->Parent->Row, 0, node->Parent);
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return int(ChildrenOf(parent).size());
}

int TFolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QString TFolderTreeModel::FolderTreeGetText(const TFolderNode& node) { return Q(node.DisplayText); }

std::optional<TListImage> TFolderTreeModel::FolderTreeGetImageIndex(const TFolderNode& node) {
  return FolderTreeImage(node.Depth(), TImageKind::ikNormal);
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
  const TFolderNode* node = NodeOf(index);
  if (!node) return {};
  if (role == Qt::DisplayRole) return FolderTreeGetText(*node);
  if (role == Qt::DecorationRole)
    if (auto image = FolderTreeGetImageIndex(*node)) return ListImageIcon(*image);
  return {};
}

QModelIndex TFolderTreeModel::IndexOf(const TFolderNode* node) const {
  return node ? createIndex(node->Row, 0, node) : QModelIndex();
}

}  // namespace kv::qt

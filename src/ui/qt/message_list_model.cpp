#include "ui/qt/message_list_model.h"

#include "ui/qt/images.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

TMessageListModel::TMessageListModel(TViewerController& controller, QObject* parent)
    : QAbstractTableModel(parent), FController(controller) {
  FListener = FController.Listen([this](TViewChange change, bool done) { Changed(change, done); });
}

TMessageListModel::~TMessageListModel() { FController.Unlisten(FListener); }

int TMessageListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(FController.RowCount());
}

int TMessageListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kResultColumnCount;
}

QString TMessageListModel::TreeGetText(int row, int column) const {
  return Q(CellText(FController.RowRecord(size_t(row)), column, FController.Locale()));
}

std::optional<TListImage> TMessageListModel::TreeGetImageIndex(int row, int column) const {
  return CellImage(FController.RowRecord(size_t(row)), column, TImageKind::ikNormal);
}

QVariant TMessageListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || size_t(index.row()) >= FController.RowCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
      if (OnCellRead) OnCellRead(index.row());
      return TreeGetText(index.row(), index.column());
    case Qt::DecorationRole:
      if (auto image = TreeGetImageIndex(index.row(), index.column())) return ListImageIcon(*image);
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == lcSize) return int(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default: return {};
  }
}

QVariant TMessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kResultColumnCount) return {};
  const TListColumn& column = section == lcFolder ? FolderColumn() : ListColumns()[size_t(section)];
  switch (role) {
    case Qt::DisplayRole: return Q(column.Header);
    case Qt::DecorationRole:
      if (column.HeaderImage) return ListImageIcon(*column.HeaderImage);
      return {};
    case Qt::TextAlignmentRole:
      return int((column.RightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    default: return {};
  }
}

void TMessageListModel::Changed(TViewChange change, bool done) {
  if (change == TViewChange::vcRows) {
    if (done)
      endResetModel();
    else
      beginResetModel();
  } else if (change == TViewChange::vcOrder) {
    if (done)
      ApplyOrder();
    else
      emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  }
}

// The selected and current rows follow their records to their new places.
void TMessageListModel::ApplyOrder() {
  const auto from = FController.LastOrder();
  std::vector<int> to(from.size());
  for (size_t i = 0; i < from.size(); ++i) to[from[i]] = int(i);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    const auto row = size_t(index.row());
    after.push_back(row < to.size() ? createIndex(to[row], index.column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace kv::qt

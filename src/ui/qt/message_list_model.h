// The message list as a Qt item model. A row is a row of the viewer's controller: the model
// holds no record and no pointer into one. Every cell's text and image is computed from the
// row's record when the view asks, by the list's rendering rules; refills and sorts arrive as
// the controller's changes and become the model's reset and layout signals.
#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <optional>

#include "ui/message_list.h"
#include "ui/viewer.h"

namespace kv::qt {

class TMessageListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TMessageListModel(TViewerController& controller, QObject* parent = nullptr);
  ~TMessageListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The cell text and image of a row.
  QString TreeGetText(int row, int column) const;
  std::optional<TListImage> TreeGetImageIndex(int row, int column) const;

  // Told the row of every cell the view reads (benchmarks and tests watch what scrolling asks).
  std::function<void(int row)> OnCellRead;

 private:
  void Changed(TViewChange change, bool done);
  void ApplyOrder();

  TViewerController& FController;
  size_t FListener = 0;
};

}  // namespace kv::qt

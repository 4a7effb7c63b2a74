// The message list's view: flat rows selected whole, one at a time (a right click selects too),
// columns that can be resized and dragged with the Subject column taking up the width the
// others leave (so every change of the window's width), header images and the sort mark, tooltips
// for cut-off cells and the incremental search on Subject. The flag column exists but is never
// shown; the Folder column shows only while the rows come from a search over all folders.
#pragma once

#include <QTreeView>

#include <cstdint>
#include <functional>

#include "ui/incremental_search.h"
#include "ui/viewer.h"

namespace kv::qt {

class TMessageListModel;

class TMessageListView : public QTreeView {
  Q_OBJECT

 public:
  TMessageListView(TViewerController& controller, TMessageListModel* model,
                   QWidget* parent = nullptr);
  ~TMessageListView() override;

  TMessageListModel* ListModel() const { return FModel; }
  // The clock of the incremental search's pause, in milliseconds; tests set their own.
  std::function<uint64_t()> Clock;
  const TIncrementalSearch& IncrementalSearch() const { return FTyped; }

 signals:
  void HeaderClicked(int column);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyboardSearch(const QString& search) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Subject takes up what the other columns leave of the width, but never less than its own
  // width: then the list scrolls sideways instead of hiding the subjects.
  void FitMainColumn();
  void Changed(TViewChange change, bool done);
  void ShowColumns();
  void SyncSortMark();
  void Find(const std::u16string& typed);

  TViewerController& FController;
  TMessageListModel* FModel;
  size_t FListener = 0;
  TIncrementalSearch FTyped;
  int FMainMinimum = 0;
  bool FFitting = false;
};

}  // namespace kv::qt

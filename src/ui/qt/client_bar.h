// The client bar: one item per client page (its icon and caption), stacked, with the folder
// tree shown inside the bar below the item of the page it belongs to. A click reports a choice
// only when it changes the highlighted item.
#pragma once

#include <QWidget>

#include <vector>

class QAbstractButton;
class QVBoxLayout;

namespace kv::qt {

class TClientBar : public QWidget {
  Q_OBJECT

 public:
  TClientBar(QWidget* content, QWidget* parent = nullptr);

  void AddItem(const QIcon& icon, const QString& caption);
  int ItemCount() const { return int(FItems.size()); }
  QAbstractButton* Item(int index) const { return FItems.at(size_t(index)); }
  // -1 highlights none. The content shows below item `contentAfter`.
  void Show(int highlighted, int contentAfter);
  int Highlighted() const { return FHighlighted; }

 signals:
  void ItemChosen(int index);

 private:
  void Arrange();

  QWidget* FContent;
  QVBoxLayout* FLayout;
  std::vector<QAbstractButton*> FItems;
  int FHighlighted = -1;
  int FContentAfter = 0;
};

}  // namespace kv::qt

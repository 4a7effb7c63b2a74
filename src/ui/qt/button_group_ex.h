// A grid of equal, captioned buttons with their own drawing: a plain or glass face by state
// (hot under the pointer, selected, regular), an edge, an icon and up to three caption lines
// split at tabs. The rules of faces, glass fill, caption lines and height live in
// ui/window_bar.h; this widget paints and lays them out.
#pragma once

#include <QIcon>
#include <QWidget>

#include <vector>

#include "ui/window_bar.h"

namespace kv::qt {

class TButtonGroupEx : public QWidget {
  Q_OBJECT

 public:
  struct TItem {
    QString Caption;
    QString Hint;
    int ImageIndex = -1;
  };

  explicit TButtonGroupEx(QWidget* parent = nullptr);

  // Properties, as the bar is configured after construction.
  bool AutoSize() const { return FMetrics.AutoSize; }
  void SetAutoSize(bool value);
  bool GlassButtonStyle() const { return FGlass; }
  void SetGlassButtonStyle(bool value);
  TButtonColors& Colors() { return FColors; }
  int TextIndent() const { return FTextIndent; }
  void SetTextIndent(int value);
  // Button size at 96 dots per inch.
  QSize ButtonSize() const { return {FMetrics.ButtonWidth, FMetrics.ButtonHeight}; }
  void SetButtonSize(QSize size);
  // Bevels on the top and bottom edges (the frame's bar has both); a border instead of them.
  void SetBevels(bool top, bool bottom, bool border);
  void SetImages(std::vector<QIcon> images);

  int ItemCount() const { return int(FItems.size()); }
  const TItem& Item(int index) const { return FItems.at(size_t(index)); }
  int ItemIndex() const { return FSelected; }
  // The button under the pointer right now (painted hot), -1 for none.
  int HoverIndex() const { return FHover; }
  int IndexAt(QPoint point) const;
  QRect ButtonRect(int index) const;
  // The height the bar takes for its buttons at its width.
  int BarHeight() const;

  QSize sizeHint() const override;

 signals:
  void ButtonClicked(int index);
  void ButtonPressed(int index, Qt::MouseButton button);

 protected:
  void SetItems(std::vector<TItem> items, int selected);
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void PaintButton(QPainter& painter, int index);
  void UpdateHeight();
  int ButtonsPerRow() const;

  std::vector<TItem> FItems;
  std::vector<QIcon> FImages;
  TButtonColors FColors;
  TBarMetrics FMetrics{false, false, false, false, false, 100, 22};
  bool FGlass = false;
  int FTextIndent = 5;
  int FSelected = -1;
  int FHover = -1;
  int FDown = -1;
};

}  // namespace kv::qt

#include "ui/qt/button_group_ex.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

#include "ui/qt/dpi.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

namespace {

QColor ToQColor(TRgb c) { return QColor(c.R, c.G, c.B); }

}  // namespace

TButtonGroupEx::TButtonGroupEx(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover);
  const QColor face = palette().color(QPalette::Button);
  // The button face lightened by 15 luminance points.
  FColors.Regular =
      AdjustLuminance(TRgb{uint8_t(face.red()), uint8_t(face.green()), uint8_t(face.blue())}, 15);
  const QColor tip = palette().color(QPalette::ToolTipBase);
  FColors.Selected = TRgb{uint8_t(tip.red()), uint8_t(tip.green()), uint8_t(tip.blue())};
  UpdateHeight();
}

void TButtonGroupEx::SetAutoSize(bool value) {
  FMetrics.AutoSize = value;
  UpdateHeight();
}

void TButtonGroupEx::SetGlassButtonStyle(bool value) {
  FGlass = value;
  update();
}

void TButtonGroupEx::SetTextIndent(int value) {
  FTextIndent = value;
  update();
}

void TButtonGroupEx::SetButtonSize(QSize size) {
  FMetrics.ButtonWidth = size.width();
  FMetrics.ButtonHeight = size.height();
  UpdateHeight();
}

void TButtonGroupEx::SetBevels(bool top, bool bottom, bool border) {
  FMetrics.BevelTop = top;
  FMetrics.BevelBottom = bottom;
  FMetrics.Border = border;
  UpdateHeight();
}

void TButtonGroupEx::SetImages(std::vector<QIcon> images) {
  FImages = std::move(images);
  update();
}

void TButtonGroupEx::SetItems(std::vector<TItem> items, int selected) {
  FItems = std::move(items);
  FSelected = selected >= 0 && selected < ItemCount() ? selected : -1;
  if (FHover >= ItemCount()) FHover = -1;
  UpdateHeight();
  update();
}

int TButtonGroupEx::ButtonsPerRow() const {
  if (FMetrics.FullSize) return 1;
  return std::max(1, width() / std::max(1, Scaled(this, FMetrics.ButtonWidth)));
}

int TButtonGroupEx::BarHeight() const {
  TBarMetrics m = FMetrics;
  m.ButtonWidth = Scaled(this, m.ButtonWidth);
  m.ButtonHeight = Scaled(this, m.ButtonHeight);
  return WindowBarHeight(m, FItems.size(), width());
}

void TButtonGroupEx::UpdateHeight() {
  const int h = BarHeight();
  if (height() != h || minimumHeight() != h) setFixedHeight(h);
}

QSize TButtonGroupEx::sizeHint() const {
  return {Scaled(this, FMetrics.ButtonWidth) * 4, BarHeight()};
}

QRect TButtonGroupEx::ButtonRect(int index) const {
  const int perRow = ButtonsPerRow();
  const int w = Scaled(this, FMetrics.ButtonWidth), h = Scaled(this, FMetrics.ButtonHeight);
  const int top = FrameAllowance(FMetrics) / 2;
  return QRect((index % perRow) * w, top + (index / perRow) * h, FMetrics.FullSize ? width() : w,
               h);
}

int TButtonGroupEx::IndexAt(QPoint point) const {
  for (int i = 0; i < ItemCount(); ++i)
    if (ButtonRect(i).contains(point)) return i;
  return -1;
}

void TButtonGroupEx::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Button));
  const QColor light = palette().color(QPalette::Light), dark = palette().color(QPalette::Mid);
  if (!FMetrics.Border && FMetrics.BevelTop) {
    painter.setPen(dark);
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(light);
    painter.drawLine(0, 1, width(), 1);
  }
  if (!FMetrics.Border && FMetrics.BevelBottom) {
    painter.setPen(dark);
    painter.drawLine(0, height() - 2, width(), height() - 2);
    painter.setPen(light);
    painter.drawLine(0, height() - 1, width(), height() - 1);
  }
  for (int i = 0; i < ItemCount(); ++i) PaintButton(painter, i);
}

void TButtonGroupEx::PaintButton(QPainter& painter, int index) {
  const TItem& item = FItems[size_t(index)];
  const QRect r = ButtonRect(index).adjusted(1, 1, -1, -1);
  const TRgb face = ButtonFace(FColors, index == FHover, index == FSelected);
  const TRgb edge = ButtonEdge(FColors, face);
  if (FGlass) {
    for (int y = 0; y < r.height(); ++y)
      painter.fillRect(r.left(), r.top() + y, r.width(), 1,
                       ToQColor(GlassRowColor(face, FColors.Glass, y, r.height())));
  } else {
    painter.fillRect(r, ToQColor(face));
  }
  painter.setPen(ToQColor(edge));
  painter.drawRect(r.adjusted(0, 0, -1, -1));

  const bool down = index == FDown;
  int textLeft = r.left() + Scaled(this, FTextIndent);
  if (item.ImageIndex >= 0 && size_t(item.ImageIndex) < FImages.size()) {
    const int side = Scaled(this, 16);
    const QRect icon(r.left() + Scaled(this, 3) + (down ? 1 : 0),
                     r.top() + (r.height() - side) / 2 + (down ? 1 : 0), side, side);
    FImages[size_t(item.ImageIndex)].paint(&painter, icon);
    textLeft += Scaled(this, 3) + side + 1;
  }
  const std::vector<std::u16string> lines = CaptionLines(U(item.Caption));
  const QFontMetrics metrics(font());
  const int lineHeight = metrics.height();
  int y = r.top() + CaptionTop(r.height(), lines.size(), lineHeight, down);
  const int textWidth = std::max(0, r.right() - Scaled(this, 3) - textLeft + (down ? -1 : 0));
  painter.setPen(palette().color(QPalette::ButtonText));
  for (size_t i = 0; i < lines.size(); ++i) {
    const QString text = metrics.elidedText(Q(lines[i]), Qt::ElideRight, textWidth);
    painter.drawText(QRect(textLeft + (down ? 1 : 0), y, textWidth, lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    y += lineHeight + (i == 0 ? 3 : 0);
  }
}

void TButtonGroupEx::mousePressEvent(QMouseEvent* event) {
  const int index = IndexAt(event->position().toPoint());
  emit ButtonPressed(index, event->button());
  if (event->button() == Qt::LeftButton && index >= 0) {
    FDown = index;
    update();
  }
}

void TButtonGroupEx::mouseReleaseEvent(QMouseEvent* event) {
  const int down = FDown;
  FDown = -1;
  update();
  if (event->button() == Qt::LeftButton && down >= 0 &&
      down == IndexAt(event->position().toPoint()))
    emit ButtonClicked(down);
}

void TButtonGroupEx::mouseMoveEvent(QMouseEvent* event) {
  const int hover = IndexAt(event->position().toPoint());
  if (hover != FHover) {
    FHover = hover;
    update();
  }
}

void TButtonGroupEx::leaveEvent(QEvent*) {
  FHover = -1;
  update();
}

void TButtonGroupEx::resizeEvent(QResizeEvent*) { UpdateHeight(); }

void TButtonGroupEx::wheelEvent(QWheelEvent* event) {
  event->accept();
}  // the wheel does nothing here

bool TButtonGroupEx::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int index = IndexAt(help->pos());
    if (index >= 0 && !FItems[size_t(index)].Hint.isEmpty())
      QToolTip::showText(help->globalPos(), FItems[size_t(index)].Hint, this, ButtonRect(index));
    else
      QToolTip::hideText();
    return true;
  }
  return QWidget::event(event);
}

}  // namespace kv::qt

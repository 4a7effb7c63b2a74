// Lengths are given for 96 dots per inch. Qt draws device-independent pixels scaled by the
// screen's pixel ratio; where a platform reports a higher logical DPI instead, the length grows
// with it, so a 32-pixel icon covers the same part of an inch on every screen.
#pragma once

#include <QWidget>
#include <QtMath>

namespace kv::qt {

inline int Scaled(const QWidget* widget, int pixelsAt96) {
  return qRound(pixelsAt96 * widget->logicalDpiX() / 96.0);
}

inline QSize ScaledSize(const QWidget* widget, int pixelsAt96) {
  const int side = Scaled(widget, pixelsAt96);
  return {side, side};
}

// A width that holds text: the length at 96 dots per inch, grown further where the widget's font
// is wider than the eight-point font of five pixels' average character width that the lengths
// were laid out for.
inline int ScaledForText(const QWidget* widget, int pixelsAt96) {
  const double designCharWidth = 5.0 * widget->logicalDpiX() / 96.0;
  const double wider = widget->fontMetrics().averageCharWidth() / designCharWidth;
  return qRound(Scaled(widget, pixelsAt96) * (wider > 1.0 ? wider : 1.0));
}

}  // namespace kv::qt

#include "ui/qt/splash_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>

#include "ui/qt/dpi.h"
#include "ui/qt/images.h"

namespace kv::qt {

namespace {

QPointer<Twnd_zof_Splash> gSplash;
bool gCursorSet = false;  // the busy cursor the splash set, restored by HideSplash

void PaintNow(QWidget* w) {
  w->repaint();
  // Only painting and the window system's own events: a click or a key waits for the scan.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

Twnd_zof_Splash::Twnd_zof_Splash(QWidget* over)
    : QWidget(over, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FLower(QString::fromLatin1(kWaitText)) {
  setAttribute(Qt::WA_TranslucentBackground);  // only what is drawn shows
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusPolicy(Qt::StrongFocus);
  setFixedSize(Scaled(this, 434), Scaled(this, 62));
  const QRect area = over ? over->frameGeometry()
                          : (QGuiApplication::primaryScreen()
                                 ? QGuiApplication::primaryScreen()->availableGeometry()
                                 : QRect(0, 0, 800, 600));
  move(area.center() - QPoint(width() / 2, height() / 2));
}

void Twnd_zof_Splash::SetProgress(const QString& text) {
  FLower = text.isEmpty() ? QString::fromLatin1(kWaitText) : text;
  PaintNow(this);
}

void Twnd_zof_Splash::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const qreal radius = Scaled(this, 12);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(245, 245, 245));
  p.drawRoundedRect(box, radius, radius);
  // Four grey dots, three pixels in from the corners.
  const int dot = Scaled(this, 7), in = Scaled(this, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(160, 160, 160));
  for (QPoint corner :
       {QPoint(in, in), QPoint(width() - in - dot, in), QPoint(in, height() - in - dot),
        QPoint(width() - in - dot, height() - in - dot)})
    p.drawEllipse(QRect(corner, QSize(dot, dot)));
  // The program icon near both ends, the two lines between them.
  const int icon = Scaled(this, 32), margin = Scaled(this, 16);
  const int top = (height() - icon) / 2;
  ProgramIcon().paint(&p, QRect(margin, top, icon, icon));
  ProgramIcon().paint(&p, QRect(width() - margin - icon, top, icon, icon));
  const QRect text(margin + icon + margin / 2, 0, width() - 2 * (margin + icon) - margin, height());
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics upper(bold), lower(font());
  const int lines = upper.height() + lower.height();
  const int y = (height() - lines) / 2;
  p.setPen(Qt::black);
  p.setFont(bold);
  p.drawText(QRect(text.left(), y, text.width(), upper.height()), Qt::AlignCenter,
             QStringLiteral("Kolvane"));
  p.setFont(font());
  p.drawText(QRect(text.left(), y + upper.height(), text.width(), lower.height()), Qt::AlignCenter,
             lower.elidedText(FLower, Qt::ElideMiddle, text.width()));
}

void Twnd_zof_Splash::changeEvent(QEvent* event) {
  // While shown it stays the active window: the focus comes back to it.
  if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
    activateWindow();
    setFocus();
  }
  QWidget::changeEvent(event);
}

void Twnd_zof_Splash::closeEvent(QCloseEvent* event) {
  if (gSplash == this) gSplash = nullptr;  // closed by other means: it is gone
  event->accept();
}

void ShowSplash(QWidget* over) {
  if (!gCursorSet) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    gCursorSet = true;
  }
  if (!gSplash) gSplash = new Twnd_zof_Splash(over ? over : QApplication::activeWindow());
  gSplash->show();
  gSplash->raise();
  gSplash->activateWindow();
  PaintNow(gSplash);
}

void HideSplash() {
  if (Twnd_zof_Splash* splash = gSplash) {
    gSplash = nullptr;
    splash->hide();
    splash->deleteLater();
  }
  if (gCursorSet) {
    QGuiApplication::restoreOverrideCursor();
    gCursorSet = false;
  }
}

Twnd_zof_Splash* CurrentSplash() { return gSplash; }

void SplashProgress(const QString& text) {
  if (gSplash) gSplash->SetProgress(text);
}

}  // namespace kv::qt

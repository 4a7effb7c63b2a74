#include "ui/qt/getting_started_page.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/qt/dpi.h"
#include "ui/qt/images.h"

namespace kv::qt {

namespace {

constexpr int kStripWidth = 232;
constexpr int kBorder = 2;
constexpr int kBottomBand = 77;

TClickLabel* Picture(const QIcon& icon, int side, QWidget* parent) {
  auto* label = new TClickLabel(parent);
  label->setPixmap(icon.pixmap(ScaledSize(parent, side)));
  label->setFixedSize(ScaledSize(parent, side));
  label->setCursor(Qt::PointingHandCursor);
  return label;
}

TClickLabel* BoldText(const QString& text, QWidget* parent) {
  auto* label = new TClickLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  label->setWordWrap(true);
  label->setCursor(Qt::PointingHandCursor);
  return label;
}

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}

TGettingStartedPage::TGettingStartedPage(const QString& productLine, const QString& legalNotice,
                                         QWidget* parent)
    : QWidget(parent) {
  setAutoFillBackground(false);
  auto* row = new QHBoxLayout(this);
  const int border = Scaled(this, kBorder);
  row->setContentsMargins(border, border, border, border);
  row->setSpacing(0);
  row->addSpacing(Scaled(this, kStripWidth));  // the strip is painted
  auto* iconColumn = new QVBoxLayout;
  iconColumn->setContentsMargins(Scaled(this, 8), Scaled(this, 8), Scaled(this, 8), 0);
  FIcon = Picture(ProgramIcon(), 32, this);
  iconColumn->addWidget(FIcon);
  iconColumn->addStretch();
  row->addLayout(iconColumn);
  row->addWidget(MakePanel(productLine, legalNotice), 1);
  connect(FIcon, &TClickLabel::clicked, this, &TGettingStartedPage::LocalMachineClicked);
}

QWidget* TGettingStartedPage::MakePanel(const QString& productLine, const QString& legalNotice) {
  auto* panel = new QWidget(this);
  panel->setAutoFillBackground(true);
  QPalette white = panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(white);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(Scaled(this, 10));

  auto* header = new QLabel(QStringLiteral("Getting started"), panel);
  QFont bold = header->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  header->setFont(bold);
  header->setAutoFillBackground(true);
  QPalette black = header->palette();
  black.setColor(QPalette::Window, Qt::black);
  black.setColor(QPalette::WindowText, Qt::white);
  header->setPalette(black);
  header->setContentsMargins(Scaled(this, 10), Scaled(this, 6), Scaled(this, 10), Scaled(this, 6));
  column->addWidget(header);

  const int indent = Scaled(this, 16);
  auto* scan = new QHBoxLayout;
  scan->setContentsMargins(indent, 0, indent, 0);
  scan->setSpacing(Scaled(this, 12));
  FScanPicture = Picture(FrameIcon(TFrameImage::fiScan), 96, panel);
  FScanText = BoldText(QString::fromLatin1(kScanText), panel);
  scan->addWidget(FScanPicture, 0, Qt::AlignTop);
  scan->addWidget(FScanText, 1, Qt::AlignTop);
  column->addLayout(scan);

  // The clients in a staircase, each line five blanks further in.
  QString stairs;
  int step = 0;
  for (const char* client :
       {"Outlook Express", "Windows Mail", "Windows Live Mail", "Mozilla Thunderbird"}) {
    if (!stairs.isEmpty()) stairs += QLatin1Char('\n');
    stairs += QString(5 * step++, QLatin1Char(' ')) + QLatin1String(client);
  }
  auto* clients = new QLabel(stairs, panel);
  clients->setTextFormat(Qt::PlainText);
  auto* clientsRow = new QHBoxLayout;
  clientsRow->setContentsMargins(indent + Scaled(this, 108), 0, indent, 0);
  clientsRow->addWidget(clients, 1);
  column->addLayout(clientsRow);

  column->addWidget(Separator(panel));
  auto* browse = new QHBoxLayout;
  browse->setContentsMargins(indent, 0, indent, 0);
  browse->setSpacing(Scaled(this, 12));
  FBrowsePicture = Picture(FrameIcon(TFrameImage::fiBrowse), 48, panel);
  FBrowseText = BoldText(QString::fromLatin1(kBrowseText), panel);
  browse->addWidget(FBrowsePicture);
  browse->addWidget(FBrowseText, 1);
  column->addLayout(browse);
  column->addWidget(Separator(panel));
  column->addStretch(1);

  auto* band = new QWidget(panel);
  band->setFixedHeight(Scaled(this, kBottomBand));
  auto* bandRow = new QHBoxLayout(band);
  bandRow->setContentsMargins(indent, 0, indent, 0);
  bandRow->setSpacing(Scaled(this, 12));
  FLogo = Picture(ProgramIcon(), 48, band);
  FLogo->setToolTip(QStringLiteral("Kolvane on the web"));
  bandRow->addWidget(FLogo);
  auto* texts = new QVBoxLayout;
  auto* product = new QLabel(productLine, band);
  product->setFont(bold);
  auto* legal = new QLabel(legalNotice, band);
  legal->setWordWrap(true);
  QPalette grey = legal->palette();
  grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
  legal->setPalette(grey);
  texts->addStretch();
  texts->addWidget(product);
  texts->addWidget(legal);
  texts->addStretch();
  bandRow->addLayout(texts, 1);
  column->addWidget(band);

  connect(FScanPicture, &TClickLabel::clicked, this, &TGettingStartedPage::LocalMachineClicked);
  connect(FScanText, &TClickLabel::clicked, this, &TGettingStartedPage::LocalMachineClicked);
  connect(FBrowsePicture, &TClickLabel::clicked, this, &TGettingStartedPage::OpenClicked);
  connect(FBrowseText, &TClickLabel::clicked, this, &TGettingStartedPage::OpenClicked);
  connect(FLogo, &TClickLabel::clicked, this, &TGettingStartedPage::LogoClicked);
  return panel;
}

void TGettingStartedPage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);  // the border
  const int border = Scaled(this, kBorder);
  const QRect inner = rect().adjusted(border, border, -border, -border);
  // The decorative strip: a deep blue fading down, crossed by faint envelopes.
  const QRect strip(inner.left(), inner.top(), Scaled(this, kStripWidth), inner.height());
  QLinearGradient fade(strip.topLeft(), strip.bottomLeft());
  fade.setColorAt(0, QColor(38, 70, 120));
  fade.setColorAt(1, QColor(12, 24, 44));
  p.fillRect(strip, fade);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(255, 255, 255, 40), Scaled(this, 2)));
  const int w = Scaled(this, 60), h = Scaled(this, 40);
  for (int y = strip.top() + Scaled(this, 30), k = 0; y + h < strip.bottom();
       y += Scaled(this, 70), ++k) {
    const int x = strip.left() + Scaled(this, 20) + (k % 2) * Scaled(this, 110);
    p.drawRect(x, y, w, h);
    p.drawLine(x, y, x + w / 2, y + h / 2);
    p.drawLine(x + w, y, x + w / 2, y + h / 2);
  }
  // Behind the program icon.
  p.fillRect(QRect(strip.right() + 1, inner.top(), Scaled(this, 48), inner.height()),
             QColor(12, 24, 44));
}

}  // namespace kv::qt

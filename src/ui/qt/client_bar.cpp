#include "ui/qt/client_bar.h"

#include <QAbstractButton>
#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

#include "ui/qt/dpi.h"

namespace kv::qt {

namespace {

// An item of the bar: 35 pixels high, its 32-pixel icon at the left and its caption indented by
// 50 pixels.
class TBarItem : public QAbstractButton {
 public:
  TBarItem(const QIcon& icon, const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setIcon(icon);
    setText(caption);
    setCheckable(true);
    setFixedHeight(Scaled(this, 35));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
  }

  QSize sizeHint() const override { return {Scaled(this, 150), Scaled(this, 35)}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QPalette& pal = palette();
    QColor face = pal.color(QPalette::Button);
    if (isChecked())
      face = pal.color(QPalette::Highlight).lighter(170);
    else if (underMouse())
      face = face.lighter(106);
    p.fillRect(rect(), face);
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(rect().bottomLeft(), rect().bottomRight());
    const int side = Scaled(this, 32);
    const int left = Scaled(this, 9);
    icon().paint(&p, QRect(left, (height() - side) / 2, side, side));
    QFont font = p.font();
    font.setBold(isChecked());
    p.setFont(font);
    p.setPen(pal.color(QPalette::ButtonText));
    const QRect text = rect().adjusted(Scaled(this, 50), 0, -Scaled(this, 4), 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(this->text(), Qt::ElideRight, text.width()));
  }
};

}  // namespace

TClientBar::TClientBar(QWidget* content, QWidget* parent)
    : QWidget(parent), FContent(content), FLayout(new QVBoxLayout(this)) {
  FLayout->setContentsMargins(0, 0, 0, 0);
  FLayout->setSpacing(0);
  FContent->setParent(this);
}

void TClientBar::AddItem(const QIcon& icon, const QString& caption) {
  const int index = int(FItems.size());
  auto* item = new TBarItem(icon, caption, this);
  connect(item, &QAbstractButton::clicked, this, [this, index] {
    Item(index)->setChecked(index == FHighlighted);  // the controller decides what shows
    if (index != FHighlighted) emit ItemChosen(index);
  });
  FItems.push_back(item);
  Arrange();
}

void TClientBar::Show(int highlighted, int contentAfter) {
  FHighlighted = highlighted;
  for (size_t i = 0; i < FItems.size(); ++i) FItems[i]->setChecked(int(i) == highlighted);
  if (contentAfter != FContentAfter) {
    FContentAfter = contentAfter;
    Arrange();
  }
}

void TClientBar::Arrange() {
  while (FLayout->count()) delete FLayout->takeAt(0);  // the item, not its widget
  for (size_t i = 0; i < FItems.size(); ++i) {
    FLayout->addWidget(FItems[i]);
    if (int(i) == FContentAfter) FLayout->addWidget(FContent, 1);
  }
  if (FItems.empty()) FLayout->addWidget(FContent, 1);
}

}  // namespace kv::qt

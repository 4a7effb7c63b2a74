#include "ui/qt/message_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <chrono>

#include "ui/message_list.h"
#include "ui/qt/dpi.h"
#include "ui/qt/message_list_model.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

namespace {

// Shows a cell's whole text as its tooltip when the cell cuts it off, and no tooltip otherwise.
class TCutOffTipDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() != QEvent::ToolTip)
      return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = view;
    const QStyle* style = widget->style();
    // The style draws the text inside its text rectangle less a margin on either side, eliding
    // what does not fit.
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    if (!item.text.isEmpty() &&
        item.fontMetrics.horizontalAdvance(item.text) > text.width() - 2 * margin) {
      QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
};

uint64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

TMessageListView::TMessageListView(TViewerController& controller, TMessageListModel* model,
                                   QWidget* parent)
    : QTreeView(parent), Clock(SteadyMilliseconds), FController(controller), FModel(model) {
  setModel(model);
  setItemDelegate(new TCutOffTipDelegate(this));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(SelectRows);
  setSelectionMode(SingleSelection);
  setIconSize(ScaledSize(this, 16));
  setTextElideMode(Qt::ElideRight);

  QHeaderView* h = header();
  h->setSectionsMovable(true);
  h->setFirstSectionMovable(true);
  h->setSectionsClickable(true);
  h->setSortIndicatorShown(true);
  h->setStretchLastSection(false);
  h->setSectionResizeMode(QHeaderView::Interactive);
  h->setMinimumSectionSize(Scaled(this, 20));
  // The image columns are as wide as their images need; the text columns as their font does.
  for (const TListColumn& c : ListColumns())
    h->resizeSection(c.Index,
                     c.Header.empty() ? Scaled(this, c.Width) : ScaledForText(this, c.Width));
  h->resizeSection(lcFolder, ScaledForText(this, FolderColumn().Width));
  // A date in the locale's forms with its widest fields must show whole.
  if (auto widest = EncodeDateTime({2008, 12, 28, 18, 58, 58, 0})) {
    const QString date = Q(ReceivedText(*widest, FController.Locale()));
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    h->resizeSection(lcReceived,
                     std::max(h->sectionSize(lcReceived),
                              fontMetrics().horizontalAdvance(date) + margins + Scaled(this, 8)));
  }
  connect(h, &QHeaderView::sectionClicked, this, &TMessageListView::HeaderClicked);
  FMainMinimum = h->sectionSize(kMainColumn);
  connect(h, &QHeaderView::sectionResized, this, [this](int section, int, int) {
    if (section != kMainColumn) FitMainColumn();
  });

  FListener = FController.Listen([this](TViewChange change, bool done) { Changed(change, done); });
  ShowColumns();
  SyncSortMark();
}

TMessageListView::~TMessageListView() { FController.Unlisten(FListener); }

void TMessageListView::Changed(TViewChange change, bool done) {
  if (!done) return;
  if (change == TViewChange::vcRows) {
    ShowColumns();
    SyncSortMark();
  } else if (change == TViewChange::vcOrder) {
    SyncSortMark();
    if (currentIndex().isValid()) scrollTo(currentIndex());
  }
}

void TMessageListView::ShowColumns() {
  header()->setSectionHidden(lcFlag, true);
  header()->setSectionHidden(lcFolder, !FController.RowsSpanAllFolders());
  FitMainColumn();
}

void TMessageListView::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  FitMainColumn();
}

void TMessageListView::FitMainColumn() {
  if (FFitting) return;
  FFitting = true;
  QHeaderView* h = header();
  int others = 0;
  for (int i = 0; i < h->count(); ++i)
    if (i != kMainColumn && !h->isSectionHidden(i)) others += h->sectionSize(i);
  h->resizeSection(kMainColumn, std::max(FMainMinimum, viewport()->width() - others));
  FFitting = false;
}

void TMessageListView::SyncSortMark() {
  const TSortState& sort = FController.Sort();
  header()->setSortIndicator(sort.Column, sort.Direction == TSortDirection::sdAscending
                                              ? Qt::AscendingOrder
                                              : Qt::DescendingOrder);
}

void TMessageListView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  if (currentIndex().isValid()) FTyped.RowFocused();
}

void TMessageListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Backspace &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    if (FTyped.Armed()) Find(FTyped.Backspace(Clock()));
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
  // A key that moves between rows focuses one; typed text does not.
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      if (currentIndex().isValid()) FTyped.RowFocused();
      break;
    default: break;
  }
}

// Qt hands every typed text to the view's keyboard search: it becomes the list's own search.
void TMessageListView::keyboardSearch(const QString& search) {
  if (!FTyped.Armed()) return;
  for (QChar c : search)
    if (c.isPrint()) Find(FTyped.Type(c.unicode(), Clock()));
}

void TMessageListView::Find(const std::u16string& typed) {
  const auto row = FController.FindSubjectRow(typed);
  if (!row) return;
  const QModelIndex index = FModel->index(int(*row), lcSubject);
  setCurrentIndex(index);
  scrollTo(index);
}

}  // namespace kv::qt

#include "ui/qt/mdi_button_group.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "base/error.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

namespace {

// The owner's MDI area, or the error that refuses it.
QWidget* CheckedOwner(QWidget* owner) {
  if (!owner || !owner->isWindow()) throw EKolvaneError(u"MDIButtonGroup can be put only on Form.");
  if (!qobject_cast<QMainWindow*>(owner) || !owner->findChild<QMdiArea*>())
    throw EKolvaneError(u"MDIButtonGroup can be put only on MDIForm.");
  if (owner->findChild<TMDIButtonGroup*>())
    throw EKolvaneError(u"Only one MDIButtonGroup can be put on MDIForm.");
  return owner;
}

QMdiSubWindow* WindowOf(TWindowBarModel::TWindow window) {
  return static_cast<QMdiSubWindow*>(const_cast<void*>(window));
}

}  // namespace

TMDIButtonGroup::TMDIButtonGroup(QWidget* owner)
    : TButtonGroupEx(CheckedOwner(owner)), FArea(owner->findChild<QMdiArea*>()) {
  SetButtonSize({100, 22});
  SetBevels(false, false, false);
  FModel.OnBringForward = [this](TWindowBarModel::TWindow window) {
    QMdiSubWindow* w = WindowOf(window);
    if (w->isMinimized()) w->showNormal();
    FArea->setActiveSubWindow(w);
    w->raise();
    w->setFocus();
  };
  FModel.OnChange = [this](TMDIAction action) {
    Sync();
    emit Changed(action);
  };
  connect(FArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
    if (w) FModel.WindowActivated(w);
  });
  connect(this, &TButtonGroupEx::ButtonClicked, this, [this](int index) { FModel.Click(index); });
  connect(this, &TButtonGroupEx::ButtonPressed, this,
          [this](int index, Qt::MouseButton) { FModel.MousePress(index); });
}

TMDIButtonGroup::~TMDIButtonGroup() {
  // The windows may outlive the bar while the frame closes: they must not call back into it.
  for (QMdiSubWindow* w : Windows()) disconnect(w, nullptr, this, nullptr);
  FModel.OnChange = {};
}

void TMDIButtonGroup::AddButton(QMdiSubWindow* child, int imageIndex, const QString& hint) {
  if (!FModel.AddButton(child, U(child ? child->windowTitle() : QString()), imageIndex, U(hint)))
    return;
  child->setToolTip(hint);
  connect(child, &QObject::destroyed, this, [this, child] {
    QMdiSubWindow* active = FArea->activeSubWindow();
    FModel.WindowDestroyed(child, active == child ? nullptr : active);
  });
  Sync();
}

std::vector<QMdiSubWindow*> TMDIButtonGroup::Windows() const {
  std::vector<QMdiSubWindow*> windows;
  for (auto w : FModel.WindowsLastFirst()) windows.push_back(WindowOf(w));
  return windows;
}

void TMDIButtonGroup::MinimizeAll() {
  for (QMdiSubWindow* w : Windows()) w->showMinimized();
}

void TMDIButtonGroup::CloseAll() {
  for (QMdiSubWindow* w : Windows()) w->close();
}

void TMDIButtonGroup::DestroyAll() {
  for (QMdiSubWindow* w : Windows()) {
    w->close();  // its close handler runs
    delete w;    // and it goes, also when it refused to close
  }
}

QMdiSubWindow* TMDIButtonGroup::ActiveMDIChild() const { return WindowOf(FModel.ActiveMDIChild()); }
QMdiSubWindow* TMDIButtonGroup::HotWindow() const { return WindowOf(FModel.HotWindow()); }

int TMDIButtonGroup::MinimizedCount() const {
  int n = 0;
  for (QMdiSubWindow* w : Windows()) n += w->isMinimized() ? 1 : 0;
  return n;
}

void TMDIButtonGroup::Sync() {
  std::vector<TItem> items;
  for (size_t i = 0; i < FModel.ButtonCount(); ++i) {
    const auto& b = FModel.Button(i);
    items.push_back({Q(b.Caption), Q(b.Hint), b.ImageIndex});
  }
  SetItems(std::move(items), FModel.Selected());
}

}  // namespace kv::qt

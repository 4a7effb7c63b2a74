// The window bar: one button per child window of the frame's MDI area, kept in step with the
// windows. A click brings the button's window forward; the button of the active window is
// selected; the button under the last mouse press is the one the frame's pop-up menu acts on.
// The rules are TWindowBarModel's (ui/window_bar.h); this widget connects them to the area.
#pragma once

#include <QPointer>

#include "ui/qt/button_group_ex.h"
#include "ui/window_bar.h"

class QMdiArea;
class QMdiSubWindow;

namespace kv::qt {

class TMDIButtonGroup : public TButtonGroupEx {
  Q_OBJECT

 public:
  // The owner must be a main window that holds an MDI area and no other bar;
  // otherwise EKolvaneError says which rule it breaks, before anything is built.
  explicit TMDIButtonGroup(QWidget* owner);
  ~TMDIButtonGroup() override;

  // A button for `child` (none when it has one already), selected.
  void AddButton(QMdiSubWindow* child, int imageIndex, const QString& hint);
  void MinimizeAll();
  void CloseAll();
  void DestroyAll();
  int GetChildIndex(QMdiSubWindow* child) const { return FModel.GetChildIndex(child); }

  QMdiSubWindow* ActiveMDIChild() const;
  QMdiSubWindow* HotWindow() const;
  int HotButtonIndex() const { return FModel.HotButtonIndex(); }
  int MDIChildCount() const { return int(FModel.ButtonCount()); }
  int MinimizedCount() const;
  const TWindowBarModel& Model() const { return FModel; }

 signals:
  void Changed(kv::TMDIAction action);

 private:
  void Sync();
  std::vector<QMdiSubWindow*> Windows() const;

  QMdiArea* FArea;
  TWindowBarModel FModel;
};

}  // namespace kv::qt

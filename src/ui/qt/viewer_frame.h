// A plain frame that hosts viewers in an MDI area: it opens a local viewer that scans this
// machine, or a viewer per history file, and reports what fails. The program's main window
// takes its place; the viewers need nothing from either but a parent.
#pragma once

#include <QMainWindow>

#include <string>
#include <vector>

#include "system/context.h"
#include "ui/locale.h"

class QMdiArea;

namespace kv::qt {

class Tmdi_zof_Viewer;

class TViewerFrame : public QMainWindow {
  Q_OBJECT

 public:
  // `context` must outlive the frame: every viewer's collectors use it.
  TViewerFrame(const TSystemContext& context, TLocale locale, QWidget* parent = nullptr);

  QMdiArea* MdiArea() const { return FArea; }
  // The file a local viewer's scan appends to; empty: the viewer's own default.
  void SetLocalDataFile(std::u16string file) { FLocalDataFile = std::move(file); }

  // A new viewer in the area, captioned, with `hint` as its tooltip; it shows maximised.
  Tmdi_zof_Viewer* ShowChild(const QString& caption, const QString& hint);
  // A local viewer, captioned "MACHINE_USER", that scans. A scan error is shown; the viewer stays.
  Tmdi_zof_Viewer* OpenLocal();
  // A viewer per existing file, captioned with the file's name without extension. A missing
  // file or one that fails to load is reported in an error box; the failed viewer closes.
  void OpenFiles(const std::vector<std::u16string>& paths);

 private:
  const TSystemContext& FContext;
  TLocale FLocale;
  QMdiArea* FArea;
  std::u16string FLocalDataFile;
};

}  // namespace kv::qt

#include "ui/qt/viewer_frame.h"

#include <QFileInfo>
#include <QMdiArea>

#include "ui/frame_commands.h"
#include "ui/qt/dpi.h"
#include "ui/qt/error_box.h"
#include "ui/qt/images.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/viewer_window.h"

namespace kv::qt {

TViewerFrame::TViewerFrame(const TSystemContext& context, TLocale locale, QWidget* parent)
    : QMainWindow(parent), FContext(context), FLocale(std::move(locale)), FArea(new QMdiArea(this)) {
  setWindowTitle(QStringLiteral("Kolvane"));
  setWindowIcon(ProgramIcon());
  FArea->setBackground(QColor(79, 82, 87));
  setCentralWidget(FArea);
  resize(Scaled(this, 1024), Scaled(this, 720));
}

Tmdi_zof_Viewer* TViewerFrame::ShowChild(const QString& caption, const QString& hint) {
  auto* viewer = new Tmdi_zof_Viewer(Tmdi_zof_Viewer::MakeController(FContext, FLocale));
  viewer->setWindowTitle(caption);
  viewer->setToolTip(hint);
  FArea->addSubWindow(viewer);
  viewer->show();
  return viewer;
}

Tmdi_zof_Viewer* TViewerFrame::OpenLocal() {
  const TStartupFacts& facts = FContext.Facts();
  auto* viewer = ShowChild(Q(LocalViewerCaption(facts.MachineName, facts.CurrentUserName)),
                           QStringLiteral("This machine and logged user"));
  if (!FLocalDataFile.empty()) viewer->Controller().SetDataFile(FLocalDataFile);
  ReportErrors(viewer, [viewer] { viewer->OpenLocal(); });
  return viewer;
}

void TViewerFrame::OpenFiles(const std::vector<std::u16string>& paths) {
  for (const auto& path : paths) {
    const QString file = Q(path);
    if (!QFileInfo(file).isFile()) {
      ShowErrorBox(this, QStringLiteral("Error"), Q(FileDoesNotExistText(path)));
      continue;
    }
    auto* viewer = ShowChild(Q(FileViewerCaption(path, false, FContext.Separator())), file);
    try {
      viewer->OpenFile(file);
    } catch (const std::exception&) {
      ShowErrorBox(this, QStringLiteral("Error"), Q(CannotOpenFileText(path)));
      viewer->close();
    }
  }
}

}  // namespace kv::qt

#include "viewer_support.h"

#include <QApplication>
#include <QHeaderView>
#include <QMdiArea>
#include <QPixmap>
#include <QTest>
#include <QTreeView>

#include <unistd.h>

#include "system/linux_platform.h"
#include "system/offline_windows_platform.h"
#include "ui/client_pages.h"
#include "ui/viewer.h"

namespace kv::test {

std::unique_ptr<TSystemContext> LiveContext() {
  return std::make_unique<TSystemContext>(MakeLinuxPlatform());
}

TLocale English() { return TLocale::FromName("en_US.UTF-8").value_or(TLocale::Plain()); }

std::filesystem::path RunFolder() {
  struct TFolder {
    std::filesystem::path Path =
        std::filesystem::temp_directory_path() / ("kolvane-qt-" + std::to_string(::getpid()));
    TFolder() { std::filesystem::create_directories(Path); }
    ~TFolder() {
      std::error_code ec;
      std::filesystem::remove_all(Path, ec);
    }
  };
  static const TFolder folder;
  return folder.Path;
}

std::string SamplesDir() { return KOLVANE_SOURCE_DIR "/samples"; }

std::u16string SamplesHistory() {
  static const std::u16string file = [] {
    auto context = std::make_unique<TSystemContext>(OpenOfflineWindowsTree(SamplesDir()));
    TViewerController scanner(*context, CreateClientPages(*context), TLocale::Plain());
    const std::u16string path = (RunFolder() / "samples.qmr").u16string();
    scanner.SetDataFile(path);
    scanner.OpenLocal();
    return path;
  }();
  return file;
}

TFrame::TFrame(std::unique_ptr<TSystemContext> context)
    : Context(std::move(context)), Frame(std::make_unique<qt::Twnd_zof_Main>(*Context, English())) {
  Frame->resize(1280, 800);
  Frame->show();
  Settle();
}

qt::Tmdi_zof_Viewer* TFrame::FileViewer(const std::u16string& file) {
  Frame->OpenFile(std::vector<std::u16string>{file});
  Settle();
  auto windows = Frame->Area()->subWindowList();
  return windows.isEmpty() ? nullptr : qobject_cast<qt::Tmdi_zof_Viewer*>(windows.back());
}

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

void ClickHeader(QHeaderView* header, int section) {
  const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  Settle();
}

void ClickRow(QAbstractItemView* view, const QModelIndex& index, bool right) {
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), right ? Qt::RightButton : Qt::LeftButton, {},
                    view->visualRect(index).center());
  Settle();
}

namespace {
void Walk(const QAbstractItemModel* model, const QModelIndex& parent, int depth, QStringList& out) {
  for (int r = 0; r < model->rowCount(parent); ++r) {
    const QModelIndex index = model->index(r, 0, parent);
    out << QString(depth * 2, QLatin1Char(' ')) + index.data().toString();
    Walk(model, index, depth + 1, out);
  }
}
}  // namespace

QStringList TreeTexts(const QAbstractItemView* view) {
  QStringList out;
  Walk(view->model(), {}, 0, out);
  return out;
}

QModelIndex FindText(const QAbstractItemView* view, const QString& text, int column) {
  const auto found = view->model()->match(view->model()->index(0, column), Qt::DisplayRole, text, 1,
                                          Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? QModelIndex() : found.front();
}

QStringList ColumnTexts(const QAbstractItemView* view, int column) {
  QStringList out;
  const QAbstractItemModel* model = view->model();
  for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, column).data().toString();
  return out;
}

QString Screenshot(QWidget* widget, const QString& name) {
  Settle();
  const QString path = QStringLiteral(KOLVANE_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
  widget->grab().save(path);
  return path;
}

}  // namespace kv::test

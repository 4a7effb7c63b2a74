// kolvane: the desktop program. "kolvane FILE..." opens each history file in a viewer;
// "kolvane --scan" opens a local viewer that scans this machine's user.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <filesystem>

#include "app/data_folder.h"
#include "storage/data_file_layout.h"
#include "system/linux_platform.h"
#include "ui/frame_commands.h"
#include "ui/qt/images.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/viewer_frame.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kolvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("Kolvane"));
  QApplication::setWindowIcon(kv::qt::ProgramIcon());

  kv::TSystemContext context(kv::MakeLinuxPlatform());
  kv::qt::TViewerFrame frame(context, kv::TLocale::FromEnvironment());
  const kv::TStartupFacts& facts = context.Facts();
  frame.SetLocalDataFile(kv::LocalDataFile(
      QFileInfo(QCoreApplication::applicationFilePath()).absolutePath().toStdString(),
      kv::DataFileName(facts.MachineName, facts.CurrentUserName)));

  bool scan = false;
  std::vector<std::u16string> args;
  const QStringList arguments = QCoreApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--scan"))
      scan = true;
    else
      args.push_back(kv::qt::U(arguments[i]));
  }
  const auto paths = kv::JoinCommandLine(args, [](const std::u16string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
  });
  frame.show();
  QTimer::singleShot(0, &frame, [&] {
    if (scan) frame.OpenLocal();
    frame.OpenFiles(paths);
  });
  return QApplication::exec();
}

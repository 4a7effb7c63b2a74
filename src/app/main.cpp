// kolvane: the desktop program. Its main window opens the history files named on the command
// line; --scan opens a local viewer that scans this machine's user, --windows-root one over
// the user of an offline Windows tree.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <optional>
#include <string>

#include "app/data_folder.h"
#include "app/program_options.h"
#include "app/quit_on_terminate.h"
#include "storage/data_file_layout.h"
#include "system/linux_platform.h"
#include "ui/qt/images.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_text.h"

#ifndef KOLVANE_HOMEPAGE
#define KOLVANE_HOMEPAGE ""
#endif

int main(int argc, char** argv) {
  const kv::TProgramOptions options = kv::ParseProgramOptions(argc, argv);
  if (!options.Error.empty()) {
    std::fprintf(stderr, "kolvane: %s (try 'kolvane --help')\n", options.Error.c_str());
    return 2;
  }
  if (options.Help) {
    std::fputs(kv::ProgramHelpText().c_str(), stdout);
    return 0;
  }
  kv::TSystemContext context(kv::MakeLinuxPlatform());
  if (options.Version) {
    const kv::TVersionInfo& v = context.Facts().ProgramVersion;
    std::printf("kolvane %s\n", kv::qt::Q(v.FileVersion).toUtf8().constData());
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kolvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("Kolvane"));
  QApplication::setWindowIcon(kv::qt::ProgramIcon());
  kv::QuitOnTerminate();

  kv::qt::Twnd_zof_Main frame(context, kv::TLocale::FromEnvironment());
  const std::string programFolder =
      QFileInfo(QCoreApplication::applicationFilePath()).absolutePath().toStdString();
  // Beside the program when that folder can be written, else in the user's data folder; also
  // for a scan of an offline tree, whose own folders are never written.
  frame.SetLocalDataFile([programFolder](const kv::TStartupFacts& facts) {
    const std::u16string name = kv::DataFileName(facts.MachineName, facts.CurrentUserName);
    const std::u16string elsewhere = kv::LocalDataFile(programFolder, name);
    return elsewhere.empty() ? kv::qt::U(QString::fromStdString(programFolder)) + u'/' + name
                             : elsewhere;
  });
  frame.SetHomepage(QUrl(QStringLiteral(KOLVANE_HOMEPAGE)));
  frame.SetCommandLine(options.Files);
  frame.show();
  QTimer::singleShot(0, &frame, [&] {
    if (options.Scan) frame.OpenLocal();
    if (options.WindowsRoot) frame.OpenWindowsTree(*options.WindowsRoot, options.User);
  });
  return QApplication::exec();
}

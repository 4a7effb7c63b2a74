#include "app/quit_on_terminate.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>

namespace kv {

namespace {

int gPipe[2] = {-1, -1};

// All a signal handler may do: write one byte for the event loop to read.
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(gPipe[1], &byte, 1);
}

}  // namespace

void QuitOnTerminate() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) return;
  auto* notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(gPipe[0], &byte, 1);
    QApplication::closeAllWindows();
    QApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace kv

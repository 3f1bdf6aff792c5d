#include "platform/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>

namespace parlane {

namespace {

// The write end of the self-pipe. A signal handler can reach nothing else,
// so this one descriptor is process-wide by necessity.
int g_signalPipeWrite = -1;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipeWrite, &byte, 1);
  errno = saved;
}

}  // namespace

void CloseOnQuitSignals(QWidget* window) {
  int fds[2];
  if (g_signalPipeWrite >= 0 || ::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
  g_signalPipeWrite = fds[1];
  auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, window);
  QPointer<QWidget> target(window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [target, fd = fds[0]] {
    char buf[16];
    while (::read(fd, buf, sizeof buf) > 0) {
    }
    if (target) target->close();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

}  // namespace parlane

#include "app/window/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>

namespace ambrine {

namespace {

int signalPipe[2] = {-1, -1};

// Only what is safe in a signal handler: one write to the pipe.
void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  (void)!::write(signalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void QuitOnTerminationSignals() {
  if (signalPipe[0] >= 0) return;
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read,
                                       QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, []() {
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    // Every event loop returns, the local ones of a flow that waits too;
    // main() then destroys the window.
    QCoreApplication::exit(0);
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  ::sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

}  // namespace ambrine

#include "app/termination_signals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace tolva::app {
namespace {

// The handler may only write to a descriptor; the UI thread reads the other end.
int g_signal_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminationSignal(int) {
  const char byte = 1;
  // Nothing can be done about a full pipe here, and one pending byte is enough.
  [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[0], &byte, 1);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signal_pipe) != 0) {
    g_signal_pipe[0] = g_signal_pipe[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(g_signal_pipe[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  for (int sig : kSignals) std::signal(sig, SIG_DFL);
  delete notifier_;
  for (int& fd : g_signal_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void TerminationSignals::Drain() {
  char bytes[16];
  while (::read(g_signal_pipe[1], bytes, sizeof bytes) > 0) {
  }
  emit TerminationRequested();
}

}  // namespace tolva::app

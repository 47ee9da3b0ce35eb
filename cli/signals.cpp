#include "cli/signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

namespace cli {

namespace {

// Shared with the handler, which may use only what is safe in a signal handler.
int pipeEnds[2] = {-1, -1};
volatile std::sig_atomic_t signalsSeen = 0;
std::atomic<int> firstSignal{0};

extern "C" void onSignal(int signal) {
  if (signalsSeen != 0) _exit(128 + signal);
  signalsSeen = 1;
  const int saved = errno;
  const char number = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &number, 1);
  errno = saved;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[std::size(kSignals)];

}  // namespace

SignalWatch::SignalWatch(std::function<void(int)> caught) : caught_(std::move(caught)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0) {
    pipeEnds[0] = pipeEnds[1] = -1;
    return;
  }
  signalsSeen = 0;
  notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
    char number = 0;
    while (::read(pipeEnds[0], &number, 1) == 1) {
      int expected = 0;
      firstSignal.compare_exchange_strong(expected, number);
      if (caught_) caught_(number);
    }
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], nullptr, &previous[i]);
    if (previous[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
  }
}

SignalWatch::~SignalWatch() {
  if (!notifier_) return;
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  notifier_.reset();
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

int caughtSignal() {
  return firstSignal.load();
}

}  // namespace cli

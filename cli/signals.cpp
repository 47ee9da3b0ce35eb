#include "cli/signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <stdexcept>

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

struct sigaction previous[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

}  // namespace

SignalWatch::SignalWatch(std::function<void(int)> caught) : caught_(std::move(caught)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0)
    throw std::runtime_error("cannot watch for signals");
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
  for (int i = 0; i < 2; ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

SignalWatch::~SignalWatch() {
  for (int i = 0; i < 2; ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  notifier_.reset();
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

int caughtSignal() {
  return firstSignal.load();
}

}  // namespace cli

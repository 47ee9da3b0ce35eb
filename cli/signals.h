#pragma once
// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal or the session gone) while units are
// exchanging: the handler only writes the signal's number into a socket pair, and the event
// loop, woken by its notifier, cancels the exchanges as the window's cancel buttons do. A second
// signal before the exchanges have ended ends the program at once with 128 plus the signal's
// number. A signal the program was started with ignored (nohup, a script's background job)
// stays ignored.
#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace cli {

class SignalWatch {
 public:
  // From now until it is destroyed, SIGINT, SIGTERM and SIGHUP call `caught` on the event loop
  // with the signal's number instead of ending the program. Without a descriptor left for its
  // socket pair it watches nothing: the signals keep their usual effect.
  explicit SignalWatch(std::function<void(int signal)> caught);
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

 private:
  std::function<void(int)> caught_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

// The first signal a SignalWatch caught in this process (0: none): the command's exit status is
// then 128 plus it, as a shell reports a program ended by it.
int caughtSignal();

}  // namespace cli

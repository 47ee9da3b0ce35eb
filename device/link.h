#pragma once
// The link between the device exchange and the rest of the program: the serial port, the link
// tick that Timer1 advances once a second, the cancel flag, and the two ways an exchange waits:
// for the unit (characters, silence or a cancel click) or for a short pause.
//
// The exchange never spins. Where it lets the window process its events it suspends on
// hear(); whoever drives the program (Timer1, the port's readyRead and the cancel buttons in
// the program, a simulated unit and virtual ticks in the tests) calls timerTick(), wake() or
// cancel(). The link looks at the port and the flags on each of them and resumes the exchange
// only when its wait has ended. An event that comes while the exchange is running (not
// waiting) is remembered, so the next wait looks at once and no arrival is slept through.
#include <chrono>
#include <coroutine>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "device/port.h"
#include "device/task.h"

namespace device {

// A wait for the unit: for the characters of one read, for the link tick to reach `ticks`, or
// for a cancel click. A tick already at `ticks` ends it at once; otherwise, after each event,
// it looks at the cancel flag first, then at characters waiting, then at the tick.
struct Listen {
  int ticks;
  bool reads = true;    // false: characters stay waiting for a later wait
  bool cancels = true;  // false: a cancel click does not end this wait
  // Looks at the port and the cancel flag before any event, not only after the next one.
  bool looksFirst = false;
};
// How a wait for the unit ended.
struct Heard {
  enum Kind { Characters, Silence, Cancelled };
  Kind kind = Silence;
  std::string piece;  // Characters: what the one read gave
};

class Link {
 public:
  // Runs `done` after the given pause; the program uses a precise timer.
  using Sleeper = std::function<void(std::chrono::microseconds, std::function<void()> done)>;
  // The time now on a monotonic clock; the program's is the machine's steady clock.
  using Clock = std::function<std::chrono::microseconds()>;

  explicit Link(Port& port);
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link();

  Port& port() { return port_; }

  // The link tick: advanced by Timer1 every 1000 ms; a value that reaches 60 becomes 0.
  int tick() const { return tick_; }
  void setTick(int value) { tick_ = static_cast<std::int16_t>(value); }
  void timerTick();

  // The cancel flag, set by the cancel buttons and cleared at the start of every exchange.
  bool cancelled() const { return cancelled_; }
  void cancel();
  void clearCancel() { cancelled_ = false; }

  // Something happened that a waiting exchange must look at.
  void wake();

  class Hearing {
   public:
    Hearing(Link& link, Listen listen) : link_(link), listen_(listen) {}
    bool await_ready();
    void await_suspend(std::coroutine_handle<> waiter) noexcept;
    Heard await_resume();

   private:
    friend class Link;
    // Looks once at the cancel flag, the port and the tick; true when the wait has ended.
    bool ended();
    Link& link_;
    Listen listen_;
    Heard heard_;
    std::exception_ptr error_;
  };
  // Waits for the unit as `listen` says. The tick is not restarted: the caller sets it to 0
  // where its limit starts counting.
  Hearing hear(Listen listen) { return Hearing(*this, listen); }

  struct Pause {
    Link& link;
    std::chrono::microseconds length;
    bool await_ready() const noexcept { return !link.sleeper_ || length.count() <= 0; }
    void await_suspend(std::coroutine_handle<> sleeper);
    void await_resume() const noexcept {}
  };
  // Waits the given time; other events do not end the pause. Without a sleeper (the tests)
  // the pause only counts virtual time.
  Pause sleep(std::chrono::microseconds length);
  void setSleeper(Sleeper sleeper) { sleeper_ = std::move(sleeper); }
  // Pauses asked for so far, whether slept or only counted.
  std::chrono::microseconds pausedTotal() const { return pausedTotal_; }

  // The link's time: the clock given, or without one (the tests) virtual time, which only the
  // pauses advance.
  void setClock(Clock clock) { clock_ = std::move(clock); }
  std::chrono::microseconds now() const { return clock_ ? clock_() : pausedTotal_; }
  // Waits until the link's time has reached `deadline`; no wait when it has already.
  Pause sleepUntil(std::chrono::microseconds deadline) { return sleep(deadline - now()); }

  // Runs an exchange until its first wait; the events above carry it on.
  void start(Task exchange);
  // True from start() until the exchange has ended.
  bool busy() const { return exchange_.valid(); }
  // Ends a waiting exchange at once, destroying it (EXIT). An exchange that is running (it is
  // showing a message box) ends at its next wait.
  void abort();
  // Called when an exchange has ended, with the exception that escaped it, if one did.
  void onFinished(std::function<void(std::exception_ptr)> handler) {
    finished_ = std::move(handler);
  }

 private:
  void resume(std::coroutine_handle<> handle);
  void settle();

  Port& port_;
  std::int16_t tick_ = 0;
  bool cancelled_ = false;
  bool pending_ = false;  // an event came while the exchange was running
  bool running_ = false;
  bool abortRequested_ = false;
  std::coroutine_handle<> waiter_;
  Hearing* hearing_ = nullptr;  // the wait of the suspended waiter_
  std::coroutine_handle<> sleeping_;
  unsigned sleepSerial_ = 0;
  Sleeper sleeper_;
  Clock clock_;
  std::chrono::microseconds pausedTotal_{0};
  Task exchange_;
  std::function<void(std::exception_ptr)> finished_;
};

}  // namespace device

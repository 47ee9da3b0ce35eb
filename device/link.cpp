#include "device/link.h"

#include <utility>

namespace device {

Link::Link(Port& port) : port_(port) {
  port_.onArrival([this] { wake(); });
}

Link::~Link() {
  port_.onArrival(nullptr);
  waiter_ = {};
  hearing_ = nullptr;
  sleeping_ = {};
  exchange_.reset();
}

void Link::timerTick() {
  tick_ = static_cast<std::int16_t>(tick_ + 1);
  if (tick_ >= 60) tick_ = 0;
  wake();
}

void Link::cancel() {
  cancelled_ = true;
  wake();
}

void Link::wake() {
  if (!waiter_) {
    if (running_) pending_ = true;
    return;
  }
  // The wait looks at what happened without resuming the exchange; a read may report a further
  // arrival (wake() again), which the exchange finds remembered once it runs.
  const std::coroutine_handle<> waiter = std::exchange(waiter_, {});
  Hearing* const hearing = std::exchange(hearing_, nullptr);
  running_ = true;
  const bool ended = hearing->ended();
  running_ = false;
  if (ended) {
    resume(waiter);
  } else {
    waiter_ = waiter;
    hearing_ = hearing;
  }
}

bool Link::Hearing::ended() {
  // What a failing read throws belongs to the exchange, which gets it back where it waits.
  try {
    if (listen_.cancels && link_.cancelled()) {
      heard_.kind = Heard::Cancelled;
    } else if (listen_.reads && link_.port().waiting() > 0) {
      heard_.kind = Heard::Characters;
      heard_.piece = link_.port().read();
    } else if (link_.tick() >= listen_.ticks) {
      heard_.kind = Heard::Silence;
    } else {
      return false;
    }
  } catch (...) {
    error_ = std::current_exception();
  }
  return true;
}

Heard Link::Hearing::await_resume() {
  if (error_) std::rethrow_exception(error_);
  return std::move(heard_);
}

bool Link::Hearing::await_ready() {
  if (link_.tick() >= listen_.ticks) {
    heard_.kind = Heard::Silence;
    return true;
  }
  if (listen_.looksFirst && ended()) return true;
  // An event that came while the exchange ran is looked at now.
  return std::exchange(link_.pending_, false) && ended();
}

void Link::Hearing::await_suspend(std::coroutine_handle<> waiter) noexcept {
  link_.waiter_ = waiter;
  link_.hearing_ = this;
}

Link::Pause Link::sleep(std::chrono::microseconds length) {
  if (length.count() > 0) pausedTotal_ += length;
  return Pause{*this, length};
}

void Link::Pause::await_suspend(std::coroutine_handle<> sleeper) {
  link.sleeping_ = sleeper;
  const unsigned serial = ++link.sleepSerial_;
  link.sleeper_(length, [&l = link, serial] {
    if (l.sleeping_ && serial == l.sleepSerial_) l.resume(std::exchange(l.sleeping_, {}));
  });
}

void Link::start(Task exchange) {
  abort();
  exchange_ = std::move(exchange);
  pending_ = false;
  abortRequested_ = false;
  running_ = true;
  exchange_.start();
  running_ = false;
  settle();
}

void Link::abort() {
  if (!exchange_.valid()) return;
  if (running_) {
    abortRequested_ = true;
    return;
  }
  waiter_ = {};
  hearing_ = nullptr;
  sleeping_ = {};
  exchange_.reset();
  if (finished_) finished_(nullptr);
}

void Link::resume(std::coroutine_handle<> handle) {
  running_ = true;
  handle.resume();
  running_ = false;
  settle();
}

void Link::settle() {
  if (exchange_.valid() && exchange_.done()) {
    const std::exception_ptr error = exchange_.error();
    exchange_.reset();
    waiter_ = {};
    hearing_ = nullptr;
    if (finished_) finished_(error);
  } else if (abortRequested_) {
    abortRequested_ = false;
    abort();
  }
}

}  // namespace device

#include "link/link.h"

#include <utility>

namespace device {

Link::Link(Port& port) : port_(port) {
  port_.onArrival([this] { wake(); });
}

Link::~Link() {
  port_.onArrival(nullptr);
  waiter_ = {};
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
  if (waiter_) {
    resume(std::exchange(waiter_, {}));
  } else if (running_) {
    pending_ = true;
  }
}

bool Link::NextEvent::await_ready() const noexcept {
  return std::exchange(link.pending_, false);
}

void Link::NextEvent::await_suspend(std::coroutine_handle<> waiter) noexcept {
  link.waiter_ = waiter;
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
    if (finished_) finished_(error);
  } else if (abortRequested_) {
    abortRequested_ = false;
    abort();
  }
}

}  // namespace device

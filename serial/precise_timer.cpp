#include "serial/precise_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <utility>

namespace serial {

using device::Link;

PreciseTimer::PreciseTimer(QObject* parent) : QObject(parent) {
  fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (fd_ < 0) return;  // whole milliseconds on a Qt timer instead
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  // Watched only while a pause runs: the event loop then polls one descriptor fewer for every
  // character of a transfer that never pauses.
  notifier_->setEnabled(false);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { expired(); });
}

PreciseTimer::~PreciseTimer() {
  delete notifier_;
  if (fd_ >= 0) ::close(fd_);
}

void PreciseTimer::start(std::chrono::microseconds length, std::function<void()> done) {
  done_ = std::move(done);
  if (fd_ < 0) {
    const auto ms = std::max<long long>(1, (length.count() + 999) / 1000);
    QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, this,
                       [this] { expired(); });
    return;
  }
  // A zero it_value would disarm the timer: the shortest pause is a microsecond.
  const long long us = std::max<long long>(1, length.count());
  itimerspec when{};
  when.it_value.tv_sec = static_cast<time_t>(us / 1000000);
  when.it_value.tv_nsec = static_cast<long>(us % 1000000) * 1000;
  ::timerfd_settime(fd_, 0, &when, nullptr);
  notifier_->setEnabled(true);
}

void PreciseTimer::expired() {
  if (fd_ >= 0) {
    std::uint64_t expirations = 0;
    if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations) return;
    notifier_->setEnabled(false);
  }
  if (auto done = std::exchange(done_, nullptr)) done();
}

void usePreciseTimer(Link& link, QObject* owner) {
  QPointer<PreciseTimer> timer = new PreciseTimer(owner);
  link.setSleeper([timer](std::chrono::microseconds length, std::function<void()> done) {
    if (timer) timer->start(length, std::move(done));
  });
  link.setClock([] {
    return std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  });
}

}  // namespace serial

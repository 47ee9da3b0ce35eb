#pragma once
// The program's pauses of the link, to the microsecond on the machine's steady clock. A Qt
// timer counts whole milliseconds, so a pause of 2.83 ms would last 3 and the paced download
// could never keep to its fixed times. A timer file descriptor watched by the event loop sleeps
// for the exact length, and the thread sleeps in the event loop meanwhile.
#include <QObject>
#include <chrono>
#include <functional>

#include "device/link.h"

class QSocketNotifier;

namespace serial {

class PreciseTimer : public QObject {
 public:
  explicit PreciseTimer(QObject* parent = nullptr);
  ~PreciseTimer() override;

  // Runs `done` once after `length`; a start while one is pending replaces it.
  void start(std::chrono::microseconds length, std::function<void()> done);

 private:
  void expired();

  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  std::function<void()> done_;
};

// Gives the link the steady clock and pauses on a precise timer owned by `owner`.
void usePreciseTimer(device::Link& link, QObject* owner);

}  // namespace serial

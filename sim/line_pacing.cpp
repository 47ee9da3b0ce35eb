#include "sim/line_pacing.h"

#include <sys/prctl.h>
#include <termios.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace sim {

namespace {
constexpr int kBitsPerCharacter = 10;  // start bit, 8 data bits, stop bit
}  // namespace

long baudOf(unsigned speedCode) {
  static const std::pair<speed_t, long> kSpeeds[] = {
      {B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
      {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
      {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
  };
  for (const auto& [code, baud] : kSpeeds) {
    if (code == speedCode) return baud;
  }
  return 0;
}

void sleepUntil(std::chrono::steady_clock::time_point when) {
  // The steady clock is CLOCK_MONOTONIC. An absolute wake-up time: a relative sleep worked out
  // from a reading of the clock starts late by however long that reading took.
  const auto ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
  if (ns <= 0) return;
  const timespec at{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

LinePacing::LinePacing(int terminal) : terminal_(terminal) {
  // A sleep ends up to 50 us late by default, a fifth of a character at 38400 baud; the unit's
  // thread asks for its wake-ups on time.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

std::chrono::nanoseconds LinePacing::characterTime() const {
  termios settings{};
  long baud = 0;
  if (tcgetattr(terminal_, &settings) == 0) baud = baudOf(cfgetospeed(&settings));
  if (baud <= 0) baud = 9600;
  return std::chrono::nanoseconds(1'000'000'000LL * kBitsPerCharacter / baud);
}

LinePacing::Clock::time_point LinePacing::crossed(Clock::time_point free) const {
  return std::max(Clock::now(), free) + characterTime();
}

void LinePacing::beforeSending() {
  sendFree_ = crossed(std::max(sendFree_, takeFree_));
  sleepUntil(sendFree_);
}

void LinePacing::beforeTaking() {
  sleepUntil(takeFree_);
}

LinePacing::Clock::time_point LinePacing::taken() {
  takeFree_ = crossed(takeFree_);
  return takeFree_;
}

}  // namespace sim

#include "sim/line_pacing.h"

#include <sys/prctl.h>
#include <termios.h>

#include <thread>

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

void LinePacing::cross(Clock::time_point& free) {
  const auto crossed = std::max(Clock::now(), free) + characterTime();
  std::this_thread::sleep_until(crossed);
  free = crossed;
}

}  // namespace sim

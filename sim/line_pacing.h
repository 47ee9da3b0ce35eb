#pragma once
// Line-rate pacing of the simulated unit on a pseudo-terminal: a real line carries one
// character in ten bit times (8N1), so the unit sends each character no sooner than one
// character time after the one before, and takes the PC's characters no faster. The line speed
// is the one the PC has set on its side of the terminal, read afresh for every character, so a
// change from 9600 to 38400 baud takes effect at once.
#include <chrono>

namespace sim {

class LinePacing {
 public:
  using Clock = std::chrono::steady_clock;

  // `terminal`: a descriptor of the terminal whose speed the PC sets (the slave side).
  explicit LinePacing(int terminal);

  // The time of one character at the terminal's current speed (9600 baud when it has none).
  std::chrono::nanoseconds characterTime() const;

  // Waits until a character for the PC would have crossed the line: one character time after
  // the line was free, as a character is whole only at its stop bit.
  void beforeSending() { cross(sendFree_); }
  // The same for a character from the PC before the unit takes it.
  void beforeTaking() { cross(takeFree_); }

 private:
  // Sleeps until one character time after `free` (or now, when the line has been idle) and
  // marks the line free from then. Counting from the booked time rather than from when the
  // sleep ended keeps a late wake-up from slowing the rate down.
  void cross(Clock::time_point& free);

  int terminal_;
  Clock::time_point sendFree_{};
  Clock::time_point takeFree_{};
};

// The bits per second of a termios speed code (B9600 -> 9600); 0 for none.
long baudOf(unsigned speedCode);

}  // namespace sim

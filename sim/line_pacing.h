#pragma once
// Line-rate pacing of the simulated unit on a pseudo-terminal: a real line carries one
// character in ten bit times (8N1), so the unit sends each character no sooner than one
// character time after the one before, and takes the PC's characters no faster. The line speed
// is the one the PC has set on its side of the terminal, read afresh for every character, so a
// change from 9600 to 38400 baud takes effect at once.
//
// A character from the PC is whole at the unit one character time after it was read from the
// terminal, and the unit's answer to it starts no sooner than that. The unit works out its
// answer when it reads the character and sleeps once, until the answer has crossed; two sleeps
// (until the question is whole, then until the answer is) would keep the same times on paper
// but wake the unit twice, and each wake-up ends late.
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
  // the line was free and after the PC's last character was whole (an answer cannot start
  // before its question has ended), as a character is whole only at its stop bit.
  void beforeSending();
  // Before the unit reads the PC's next character: waits until the one before it is whole, so
  // that the unit takes the PC's characters no faster than the line carries them.
  void beforeTaking();
  // Books a character from the PC read just now: it is whole one character time after now, or
  // after the character before it when that one is still crossing. Returns that time.
  Clock::time_point taken();

 private:
  // One character time after `free` (or after now, when the line has been idle): when a
  // character that starts as soon as it can is whole. Counting from the booked time rather than
  // from when a sleep ended keeps a late wake-up from slowing the rate down.
  Clock::time_point crossed(Clock::time_point free) const;

  int terminal_;
  Clock::time_point sendFree_{};
  Clock::time_point takeFree_{};
};

// Sleeps until the steady clock reads `when`, to the microsecond (no sleep when it has passed).
void sleepUntil(std::chrono::steady_clock::time_point when);

// The bits per second of a termios speed code (B9600 -> 9600); 0 for none.
long baudOf(unsigned speedCode);

}  // namespace sim

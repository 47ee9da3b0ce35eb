#pragma once
// The configuration download (operation code 1, "D"): after the unit has accepted the password,
// image bytes 0 to 368 go out as 738 upper-case hexadecimal digits, high digit first, paced one
// character at a time; the unit confirms the whole with "OK".
#include <chrono>

#include "config/image.h"
#include "device/exchange.h"

namespace device {

// The pause after each character. At 9600 baud a character takes 1.042 ms on the wire; 3 ms
// from one write to the next leaves the line idle for almost two character times after each
// character has left the port, and gives the unit 6 ms for every byte, enough to store it in
// its non-volatile memory before the next one begins.
inline constexpr std::chrono::microseconds kDownloadPause{3000};
// The pace is kept against fixed times, character k no sooner than k pauses after the first,
// so that the timer's lateness on one character does not delay all those after it. A character
// that left late is followed by the next no sooner than this, however far behind the pace is:
// a stall is caught up a tenth of a millisecond per character, never with a burst.
inline constexpr std::chrono::microseconds kShortestGap{2900};

// Sends the image the encoding has just written. The image must outlive the exchange.
Task configDownload(Context context, const config::Image* image);
Transfer configDownloadTransfer(const config::Image* image);

}  // namespace device

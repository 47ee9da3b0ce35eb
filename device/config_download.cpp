#include "device/config_download.h"

#include <algorithm>
#include <string>

#include "device/hex.h"

namespace device {

Task configDownload(Context context, const config::Image* image) {
  Link& link = *context.link;
  Host& host = *context.host;
  Port& port = link.port();

  // One pause lets the window draw the progress button before the stream starts.
  Progress progress = startDataPhase(context, 2 * config::kDownloadedBytes, Counting::Digits);
  co_await link.sleep(kDownloadPause);

  // No acknowledgement per character: only the pace keeps the unit from being overrun. Each
  // character, the last included, is followed by its pause.
  std::string digits;
  for (int index = 0; index < config::kDownloadedBytes; ++index) {
    digits += hexPair(image->at(index));
  }
  const std::chrono::microseconds start = link.now();
  std::chrono::microseconds written = start - kDownloadPause;
  auto due = [&](size_t k) {
    return std::max<std::chrono::microseconds>(start + static_cast<int>(k) * kDownloadPause,
                                               written + kShortestGap);
  };
  for (size_t k = 0; k < digits.size(); ++k) {
    co_await link.sleepUntil(due(k));
    written = link.now();
    port.write(std::string(1, digits[k]));
    ++progress.done;
    host.progress(progress);
  }
  co_await link.sleepUntil(due(digits.size()));

  // "OK" anywhere in what comes within 4 ticks; it may have come before the last digit left.
  std::string received;
  link.setTick(0);
  for (bool first = true; received.find("OK") == std::string::npos; first = false) {
    const Heard heard = co_await link.hear({.ticks = 4, .looksFirst = first});
    if (heard.kind == Heard::Cancelled) {
      endDataPhase(context, Ending::Cancelled, progress);
      co_return;
    }
    if (heard.kind == Heard::Silence) {
      endDataPhase(context, Ending::Unconfirmed, progress);
      co_return;
    }
    received += heard.piece;
  }
  endDataPhase(context, Ending::Finished, progress);
}

Transfer configDownloadTransfer(const config::Image* image) {
  return [image](Context context) { return configDownload(context, image); };
}

}  // namespace device

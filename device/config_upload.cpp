#include "device/config_upload.h"

#include <string>

#include "config/decoding.h"
#include "device/hex.h"

namespace device {

Task configUpload(Context context, ConfigUploadTarget target) {
  Link& link = *context.link;
  Host& host = *context.host;
  Port& port = link.port();
  config::Image& image = *target.image;

  Progress progress = startDataPhase(context, 2 * config::kUploadedBytes, Counting::Digits);

  // The image: one digit a read, each answered with "1". Every read restarts the tick, so only
  // 8 ticks without any character end the stage.
  int byteIndex = 0;
  bool lowPhase = false;
  bool complete = false;
  while (!complete) {
    const Heard heard = co_await link.hear({.ticks = 8, .looksFirst = true});
    if (heard.kind == Heard::Cancelled) {
      endDataPhase(context, Ending::Cancelled, progress);
      co_return;
    }
    if (heard.kind == Heard::Silence) break;
    link.setTick(0);
    const std::string& piece = heard.piece;
    if (piece.empty()) continue;
    // The unit's acceptance arriving late is neither stored nor answered.
    if (piece == "p" && byteIndex == 0) continue;

    // Only the first character of a read counts. A digit that would take the byte outside 0 to
    // 255 leaves it as it was; the count goes on as for a good digit. A character that is no
    // digit at all is noise: it is counted, and the image it went into is never decoded.
    if (!isHexDigit(piece.front())) ++context.result->damaged;
    const int digit = hexDigitValue(piece.front());
    try {
      image.set(byteIndex, lowPhase ? image.at(byteIndex) + digit : 16 * digit);
    } catch (const config::ImageError&) {
    }
    if (lowPhase) ++byteIndex;
    lowPhase = !lowPhase;
    ++progress.done;
    host.progress(progress);
    if (byteIndex >= config::kUploadedBytes) complete = true;
    port.write("1");
  }
  if (!complete) {
    endDataPhase(context, Ending::TimedOut, progress);
    co_return;
  }

  // The version text: four characters, all within 5 ticks of the stage's start. The unit sends
  // them one by one, but the port may hand over several in one read (a USB adapter holds small
  // replies back for milliseconds), so four reads or four characters, whichever come first,
  // complete it.
  std::string version;
  link.setTick(0);
  for (int reads = 0; reads < 4 && version.size() < 4; ++reads) {
    const Heard heard = co_await link.hear({.ticks = 5});
    if (heard.kind != Heard::Characters) {
      endDataPhase(context, heard.kind == Heard::Cancelled ? Ending::Cancelled : Ending::TimedOut,
                   progress);
      co_return;
    }
    version += heard.piece;
  }

  // The version text is shown and saved as it comes: a control character or a byte outside
  // plain ASCII in it is noise too.
  for (const char c : version) {
    if (c < 0x20 || c > 0x7E) ++context.result->damaged;
  }
  // A garbled image would put noise into every field it touches: the fields keep what they
  // held, as after a time-out.
  if (context.result->damaged > 0) {
    endDataPhase(context, Ending::Damaged, progress);
    co_return;
  }
  target.fields->setVersionText(version);
  config::decodeImage(image, *target.fields);
  context.result->version = version;
  endDataPhase(context, Ending::Finished, progress);
}

Transfer configUploadTransfer(ConfigUploadTarget target) {
  return [target](Context context) { return configUpload(context, target); };
}

}  // namespace device

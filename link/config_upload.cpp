#include "link/config_upload.h"

#include <string>

#include "config/decoding.h"
#include "link/hex.h"

namespace device {

namespace {

void showTimeOut(Host& host) {
  host.setIndicator(Indicator::Command8, false);
  host.messages().show(kDownloadFailed);
}

}  // namespace

Task configUpload(Session session, ConfigUploadTarget target) {
  Link& link = *session.link;
  Host& host = *session.host;
  Port& port = link.port();
  config::Image& image = *target.image;

  host.setIndicator(Indicator::Command8, true);
  Progress progress = dataPhase(2 * config::kUploadedBytes, Counting::Digits);
  host.progress(progress);

  // The image: one digit a read, each answered with "1". Every read restarts the tick, so only
  // 8 ticks without any character end the stage.
  int byteIndex = 0;
  bool lowPhase = false;
  bool complete = false;
  while (!complete && link.tick() < 8) {
    if (link.cancelled()) {
      host.setIndicator(Indicator::Command8, false);
      co_return;
    }
    if (port.waiting() == 0) {
      co_await link.next();
      continue;
    }
    link.setTick(0);
    const std::string piece = port.read();
    if (piece.empty()) continue;
    // The unit's acceptance arriving late is neither stored nor answered.
    if (piece == "p" && byteIndex == 0) continue;

    // Only the first character of a read counts. A digit that would take the byte outside 0 to
    // 255 leaves it as it was; the count goes on as for a good digit.
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
    showTimeOut(host);
    co_return;
  }

  // The version text: four characters, all within 5 ticks of the stage's start. The unit sends
  // them one by one, but the port may hand over several in one read (a USB adapter holds small
  // replies back for milliseconds), so four reads or four characters, whichever come first,
  // complete it.
  std::string version;
  int reads = 0;
  auto versionComplete = [&] { return reads >= 4 || version.size() >= 4; };
  link.setTick(0);
  while (!versionComplete() && link.tick() < 5) {
    co_await link.next();
    if (link.cancelled()) {
      host.setIndicator(Indicator::Command8, false);
      co_return;
    }
    if (port.waiting() > 0) {
      ++reads;
      version += port.read();
    }
  }
  if (!versionComplete()) {
    showTimeOut(host);
    co_return;
  }

  target.fields->setVersionText(version);
  config::decodeImage(image, *target.fields);
  host.setIndicator(Indicator::Command8, false);
  host.messages().show("Upload complete", "Upload", ui::Icon::Information);
}

Transfer configUploadTransfer(ConfigUploadTarget target) {
  return [target](Session session) { return configUpload(session, target); };
}

}  // namespace device

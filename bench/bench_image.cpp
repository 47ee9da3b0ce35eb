// The configuration upload and download through the real main window and serial port, against
// the simulated unit on a pseudo-terminal.
#include <string>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "config/decoding.h"
#include "link/config_download.h"
#include "link/exchange.h"
#include "sim/config_operations.h"

namespace {

std::string outcome(const bench::MainWindowRig::Result& result, const std::string& expected) {
  if (result.messages.size() == 1 && result.messages[0].text == expected) return "";
  return " FAILED: " +
         (result.messages.empty() ? std::string("no message") : result.messages.back().text);
}

std::vector<bench::Figure> configTransfers() {
  const sim::ConfigMemory plausible = sim::plausibleConfiguration();

  bench::MainWindowRig::Result upload;
  {
    bench::MainWindowRig rig(
        [&](sim::Unit& unit) { *sim::installConfigOperations(unit) = plausible; });
    upload = rig.run(device::kConfigUpload);
  }

  bench::MainWindowRig::Result download;
  {
    bench::MainWindowRig rig([](sim::Unit& unit) { sim::installConfigOperations(unit); });
    // The windows hold what the demonstration unit holds, so the encoding passes.
    config::Image image;
    for (int i = 0; i < config::kUploadedBytes; ++i) image.set(i, plausible.image[i]);
    config::decodeImage(image, rig.window().configFields());
    download = rig.run(device::kConfigDownload);
  }

  const double pace = static_cast<double>(device::kDownloadPause.count()) / 1000.0;
  return {
      {"median turnaround, digit in to \"1\" out", bench::median(upload.turnaroundsMicros), "us",
       "(limit 100 us; one character is 1042 us at 9600 baud)"},
      {"upload, data phase (736 digits + 736 answers)", upload.dataPhaseSeconds, "s",
       "(line rate at 9600 baud: 1.53 s; a pseudo-terminal has no baud rate)" +
           outcome(upload, "Upload complete")},
      {"download, data phase (738 digits)", download.dataPhaseSeconds, "s",
       "(line rate at 9600 baud: 0.77 s; paced at " + std::to_string(pace).substr(0, 3) +
           " ms a character: 2.21 s)" + outcome(download, "Download succesful !")},
      {"upload, click to message", upload.seconds, "s", "(handshake 2 to 4 s included)"},
      {"download, click to message", download.seconds, "s", "(handshake 2 to 4 s included)"},
  };
}

const bench::Register kConfig("Configuration upload and download", configTransfers);

}  // namespace

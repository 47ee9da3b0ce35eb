// The configuration upload and download through the real main window and serial port, against
// the simulated unit on a pseudo-terminal.
#include <algorithm>
#include <string>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "config/decoding.h"
#include "device/config_download.h"
#include "device/exchange.h"
#include "sim/config_operations.h"

namespace {

std::string outcome(const bench::MainWindowRig::Result& result, const std::string& expected) {
  if (result.messages.size() == 1 && result.messages[0].text == expected) return "";
  return " FAILED: " +
         (result.messages.empty() ? std::string("no message") : result.messages.back().text);
}

struct Gaps {
  double min = 0, median = 0, max = 0, total = 0;
  size_t characters = 0;
};

// The gaps between the characters as the unit received them, in ms; total: first to last.
Gaps gapsOf(const std::vector<double>& arrivalsMicros) {
  Gaps gaps;
  gaps.characters = arrivalsMicros.size();
  if (arrivalsMicros.size() < 2) return gaps;
  std::vector<double> between;
  for (size_t i = 1; i < arrivalsMicros.size(); ++i)
    between.push_back((arrivalsMicros[i] - arrivalsMicros[i - 1]) / 1000.0);
  gaps.min = *std::min_element(between.begin(), between.end());
  gaps.max = *std::max_element(between.begin(), between.end());
  gaps.median = bench::median(between);
  gaps.total = (arrivalsMicros.back() - arrivalsMicros.front()) / 1000.0;
  return gaps;
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
  const Gaps gaps = gapsOf(download.arrivalsMicros);
  // The digits are the download's last 738 writes.
  std::vector<double> digitWrites = download.writesMicros;
  if (digitWrites.size() > 738) digitWrites.erase(digitWrites.begin(), digitWrites.end() - 738);
  const Gaps written = gapsOf(digitWrites);
  const std::string paced = std::to_string(pace).substr(0, 3) + " ms";
  const double planned = 737 * pace;
  return {
      {"median turnaround, digit in to \"1\" out", bench::median(upload.turnaroundsMicros), "us",
       "(limit 100 us; one character is 1042 us at 9600 baud)"},
      {"upload, data phase (736 digits + 736 answers)", upload.dataPhaseSeconds, "s",
       "(line rate at 9600 baud: 1.53 s; a pseudo-terminal has no baud rate)" +
           outcome(upload, "Upload complete")},
      {"download, data phase (738 digits)", download.dataPhaseSeconds, "s",
       "(line rate at 9600 baud: 0.77 s; paced at " + paced + " a character: 2.21 s)" +
           outcome(download, "Download succesful !")},
      {"download, first digit to last at the unit (" + std::to_string(gaps.characters) + ")",
       gaps.total, "ms",
       "(737 gaps of " + paced + ": " + std::to_string(planned).substr(0, 6) + " ms)"},
      {"download, shortest gap between digits at the unit", gaps.min, "ms",
       "(paced at " + paced + ", never under 2.9 ms; 0: the pty handed two digits over together)"},
      {"download, median gap between digits at the unit", gaps.median, "ms", ""},
      {"download, longest gap between digits at the unit", gaps.max, "ms", ""},
      {"download, first digit's write to last's in the program", written.total, "ms",
       "(737 gaps of " + paced + ": " + std::to_string(planned).substr(0, 6) + " ms)"},
      {"download, shortest gap between digit writes", written.min, "ms", ""},
      {"download, median gap between digit writes", written.median, "ms", ""},
      {"download, longest gap between digit writes", written.max, "ms", ""},
      {"upload, click to message", upload.seconds, "s", "(handshake 2 to 4 s included)"},
      {"download, click to message", download.seconds, "s", "(handshake 2 to 4 s included)"},
  };
}

const bench::Register kConfig("Configuration upload and download", configTransfers);

}  // namespace

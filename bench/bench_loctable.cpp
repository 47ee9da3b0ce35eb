// The GPS location table transfers through the real main window and serial port, from the
// simulated unit on a pseudo-terminal: the upload of 1200 digits and the download of 1200 bytes.
#include <string>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "device/exchange.h"
#include "forms/setup2.h"
#include "sim/table_operations.h"

namespace {

std::string outcome(const bench::MainWindowRig::Result& result, const std::string& expected) {
  if (result.messages.size() == 1 && result.messages[0].text == expected)
    return "(" + expected + ")";
  return "(FAILED: " +
         (result.messages.empty() ? std::string("no message") : result.messages[0].text) + ")";
}

std::vector<bench::Figure> tableTransfers() {
  bench::MainWindowRig::Result upload;
  {
    bench::MainWindowRig rig(
        [](sim::Unit& unit) { sim::installTableOperations(unit, sim::plausibleTable()); });
    upload = rig.run(device::kTableUpload);
  }

  bench::MainWindowRig::Result download;
  {
    bench::MainWindowRig rig(
        [](sim::Unit& unit) { sim::installTableOperations(unit, sim::plausibleTable()); });
    forms::Setup2& table = rig.window().locationTable();
    for (int row = 0; row < 100; ++row) {
      table.setCell(row, 1, std::to_string(row % 90) + "." + std::to_string(1000 + row));
      table.setCell(row, 2, std::to_string((100 + row) % 180) + ".5");
    }
    download = rig.run(device::kTableDownload);
  }

  return {
      {"table upload, median turnaround per digit", bench::median(upload.turnaroundsMicros), "us",
       "(limit 100 us) " + outcome(upload, "Upload succesful !")},
      {"table upload, data phase (1200 digits)", upload.dataPhaseSeconds, "s",
       "(at 38400 baud: 0.62 s; a pty has no baud rate)"},
      {"table download, median turnaround per acknowledgement",
       bench::median(download.turnaroundsMicros), "us",
       "(limit 100 us) " + outcome(download, "Download succesful !")},
      {"table download, data phase (1200 bytes)", download.dataPhaseSeconds, "s",
       "(at 9600 baud: 3.75 s; a pty has no baud rate)"},
  };
}

const bench::Register kTable("GPS location table upload and download", tableTransfers);

}  // namespace

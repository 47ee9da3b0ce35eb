// The GPS log upload: a 2,000-record log through the real main window and serial port, from the
// simulated unit on a pseudo-terminal.
#include <unistd.h>

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "link/exchange.h"
#include "sim/log_operation.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 2000;

// Counts the paint events of the widgets it watches: what repainting costs while characters
// pour in.
class PaintCounter : public QObject {
 public:
  void watch(QWidget* widget) {
    if (!widget) return;
    widget->installEventFilter(this);
    counts_[widget] = 0;
  }
  int count(QWidget* widget) const { return counts_.contains(widget) ? counts_.at(widget) : -1; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++counts_[static_cast<QWidget*>(watched)];
    return false;
  }

 private:
  std::map<QWidget*, int> counts_;
};

long countLines(const fs::path& folder, std::string& names) {
  long lines = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names += (names.empty() ? "" : ", ") + entry.path().filename().string();
    std::ifstream in(entry.path(), std::ios::binary);
    for (std::string line; std::getline(in, line);) ++lines;
  }
  return lines;
}

std::vector<bench::Figure> logUpload() {
  // The program writes the log into its current folder: a temporary one here.
  const fs::path folder =
      fs::temp_directory_path() / ("gpstracking-bench-log-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path before = fs::current_path();
  fs::current_path(folder);

  bench::MainWindowRig::Result result;
  int counterPaints = 0, statusPaints = 0;
  {
    bench::MainWindowRig rig(
        [](sim::Unit& unit) { unit.install<sim::LogOperation>('L', sim::plausibleLog(kRecords)); });
    // Shown, so that what the upload changes on the screen is painted as in the program.
    rig.window().show();
    while (!rig.window().windowHandle() || !rig.window().windowHandle()->isExposed()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    PaintCounter paints;
    paints.watch(rig.window().control("Label3"));
    paints.watch(rig.window().control("Status"));
    result = rig.run(device::kLogUpload);
    counterPaints = paints.count(rig.window().control("Label3"));
    statusPaints = paints.count(rig.window().control("Status"));
  }
  fs::current_path(before);
  std::string names;
  const long lines = countLines(folder, names);
  fs::remove_all(folder);

  const std::string expected = std::to_string(kRecords) + " GPS locations Saved !";
  const bool complete =
      result.messages.size() == 1 && result.messages[0].text == expected && lines == kRecords;
  const double seconds = result.dataPhaseSeconds;
  return {
      {"records uploaded and lines in the file", static_cast<double>(lines), "lines",
       complete
           ? "(all " + std::to_string(kRecords) + " in " + names + ")"
           : "(INCOMPLETE: " +
                 (result.messages.empty() ? std::string("no message") : result.messages[0].text) +
                 ")"},
      {"records per second, data phase", seconds > 0 ? kRecords / seconds : 0, "records/s",
       "(line-rate limit at 38400 baud: about 50 records/s; a pty has no baud rate)"},
      {"data phase of the whole log", seconds, "s", "(at 38400 baud: 39.6 s)"},
      {"median turnaround per character", bench::median(result.turnaroundsMicros), "us",
       "(limit 100 us)"},
      {"record counter (Label3) repaints per second", counterPaints / result.seconds, "/s",
       "(" + std::to_string(counterPaints) + " in all; aim: at most about 10/s)"},
      {"status line repaints per second", statusPaints < 0 ? 0 : statusPaints / result.seconds,
       "/s",
       statusPaints < 0 ? std::string("(no status line)")
                        : "(" + std::to_string(statusPaints) + " in all; aim: at most about 10/s)"},
      {"CPU time per record", result.cpuSeconds / kRecords * 1e6, "us",
       "(one record is 19.8 ms on the wire at 38400 baud)"},
  };
}

const bench::Register kLog("GPS log upload (2,000 records)", logUpload);

}  // namespace

// The GPS log upload: a 2,000-record log through the real main window and serial port, from the
// simulated unit on a pseudo-terminal.
#include <unistd.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "device/exchange.h"
#include "sim/log_operation.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 2000;

// Notes when the widgets it watches are painted: what repainting costs while characters pour
// in.
class PaintCounter : public QObject {
 public:
  PaintCounter() { clock_.start(); }
  void watch(QWidget* widget) {
    if (!widget) return;
    widget->installEventFilter(this);
    times_[widget];
  }
  bool watching(QWidget* widget) const { return times_.contains(widget); }
  int count(QWidget* widget) const { return watching(widget) ? int(times_.at(widget).size()) : 0; }
  // The most paints within any one second.
  int busiestSecond(QWidget* widget) const {
    if (!watching(widget)) return 0;
    const std::vector<qint64>& times = times_.at(widget);
    int most = 0;
    for (size_t first = 0, last = 0; last < times.size(); ++last) {
      while (times[last] - times[first] >= 1000) ++first;
      most = std::max(most, static_cast<int>(last - first + 1));
    }
    return most;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      times_[static_cast<QWidget*>(watched)].push_back(clock_.elapsed());
    }
    return false;
  }

 private:
  QElapsedTimer clock_;
  std::map<QWidget*, std::vector<qint64>> times_;
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
  PaintCounter paints;
  QWidget *counter = nullptr, *status = nullptr;
  {
    bench::MainWindowRig rig(
        [](sim::Unit& unit) { unit.install<sim::LogOperation>('L', sim::plausibleLog(kRecords)); });
    // Shown, so that what the upload changes on the screen is painted as in the program.
    rig.window().show();
    while (!rig.window().windowHandle() || !rig.window().windowHandle()->isExposed()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    counter = rig.window().control("Label3");
    status = rig.window().control("Status");
    paints.watch(counter);
    paints.watch(status);
    result = rig.run(device::kLogUpload);
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
      {"record counter (Label3): most repaints in one second",
       static_cast<double>(paints.busiestSecond(counter)), "/s",
       "(" + std::to_string(paints.count(counter)) + " in all; aim: at most about 10/s)"},
      {"status line: most repaints in one second",
       static_cast<double>(paints.busiestSecond(status)), "/s",
       paints.watching(status)
           ? "(" + std::to_string(paints.count(status)) + " in all; aim: at most about 10/s)"
           : std::string("(no status line)")},
      {"CPU time per record", result.cpuSeconds / kRecords * 1e6, "us",
       "(one record is 19.8 ms on the wire at 38400 baud)"},
  };
}

const bench::Register kLog("GPS log upload (2,000 records)", logUpload);

}  // namespace

// The track window on a GPS log of 100,000 positions: the time from opening the file to the
// first picture shown, and the time of one frame while the picture is dragged, at the whole
// track and zoomed in eight times. Beside them the same for the demo unit's 300 positions.
//
// Memory with 1,000,000 positions (72 MB of log), each program in a process of its own so that
// its peak is its own: the exports and plot of gpstracking-cli, and the track window opening the
// log. The references, in the same run: `cat` copying the log into a file (a process that reads
// the file and writes as much, holding nothing), and the same program on the demo's 300
// positions (its own floor).
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>

#include "bench/bench.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "loctable/cell_store.h"
#include "records/safe_file.h"
#include "sim/log_operation.h"
#include "trackview/track_canvas.h"
#include "trackview/track_window.h"

namespace {

struct Timing {
  double openMs = 0;
  double frameMs = 0, slowestFrameMs = 0;         // dragging the whole track
  double zoomedFrameMs = 0, zoomedSlowestMs = 0;  // dragging at eight times the scale
};

// Frames of a drag: each step moves the picture and paints it at once.
std::pair<double, double> dragFrames(trackview::TrackCanvas& canvas) {
  std::vector<double> frames;
  QElapsedTimer clock;
  for (int i = 0; i < 60; ++i) {
    clock.start();
    canvas.panBy(i % 20 < 10 ? 7 : -7, 3 * (i % 2 ? 1 : -1));
    canvas.repaint();
    frames.push_back(clock.nsecsElapsed() / 1e6);
  }
  return {bench::median(frames), *std::max_element(frames.begin(), frames.end())};
}

Timing timeWindow(int positions) {
  QTemporaryDir folder;
  const std::string path = (folder.path() + "/log.csv").toStdString();
  records::replaceFile(path, sim::plausibleLogFile(positions));
  loctable::CellStore table;
  loctable::fillStartupContent(table);
  config::FieldStore configuration;
  config::applyStartupValues(configuration);
  Timing timing;
  std::vector<double> opens;
  for (int run = 0; run < 3; ++run) {
    QElapsedTimer clock;
    clock.start();
    trackview::TrackWindow window(table, configuration);
    window.resize(1180, 760);
    window.show();
    window.openLog(QString::fromStdString(path));
    window.repaint();
    QApplication::processEvents();
    opens.push_back(clock.nsecsElapsed() / 1e6);
    if (run == 0) {
      trackview::TrackCanvas& canvas = window.canvas();
      std::tie(timing.frameMs, timing.slowestFrameMs) = dragFrames(canvas);
      canvas.zoomAbout(8, {canvas.width() / 2.0, canvas.height() / 2.0});
      std::tie(timing.zoomedFrameMs, timing.zoomedSlowestMs) = dragFrames(canvas);
    }
  }
  timing.openMs = bench::median(opens);
  return timing;
}

std::vector<bench::Figure> trackWindow() {
  const Timing demo = timeWindow(300);
  const Timing large = timeWindow(100000);
  auto ratio = [](double a, double b) {
    return "(" + std::to_string(int(a / b + 0.5)) + "x the demo's)";
  };
  return {
      {"track window, open 300 positions to the first picture", demo.openMs, "ms", ""},
      {"track window, open 100,000 positions to the first picture", large.openMs, "ms",
       "(goal 1000 ms) " + ratio(large.openMs, demo.openMs)},
      {"track window, 300 positions, median frame while dragging", demo.frameMs, "ms", ""},
      {"track window, 100,000 positions, median frame while dragging", large.frameMs, "ms",
       "(60 Hz: 16.7 ms; slowest " + std::to_string(large.slowestFrameMs).substr(0, 5) + " ms)"},
      {"track window, 100,000 positions, median frame zoomed in 8x", large.zoomedFrameMs, "ms",
       "(slowest " + std::to_string(large.zoomedSlowestMs).substr(0, 5) + " ms)"},
  };
}

const bench::Register kTrack("track window", trackWindow);

constexpr const char* kOpenOnly = "--track-window-open";

// In a process of its own: the track window made, shown and opened on the log until its first
// picture; prints the milliseconds.
std::string openWindowOnly(const std::string& path) {
  loctable::CellStore table;
  loctable::fillStartupContent(table);
  config::FieldStore configuration;
  config::applyStartupValues(configuration);
  QElapsedTimer clock;
  clock.start();
  trackview::TrackWindow window(table, configuration);
  window.resize(1180, 760);
  window.show();
  if (!window.openLog(QString::fromStdString(path))) return "failed";
  window.repaint();
  QApplication::processEvents();
  return std::to_string(clock.nsecsElapsed() / 1e6);
}

const bench::ChildOnly kOpenWindowOnly(kOpenOnly, openWindowOnly);

std::string fileText(const std::string& path) {
  std::string why;
  return records::readWholeFile(path, &why).value_or("");
}

std::vector<bench::Figure> memory() {
  QTemporaryDir folder;
  const std::string here = folder.path().toStdString();
  const std::string demo = here + "/demo.csv", large = here + "/large.csv";
  records::replaceFile(demo, sim::plausibleLogFile(300));
  // The demo's 100,000 positions ten times over: each a real position with a real time (the
  // demo's drive, longer, would leave the map and the calendar).
  {
    const std::string hundredThousand = sim::plausibleLogFile(100000);
    std::string million;
    million.reserve(hundredThousand.size() * 10);
    for (int i = 0; i < 10; ++i) million += hundredThousand;
    records::replaceFile(large, million);
  }
  // A receiver without a fix: a million positions at 0,0, a million warnings.
  const std::string atZero = here + "/zero.csv";
  {
    std::string zero;
    for (int i = 0; i < 1000000; ++i)
      zero += "\"15/03/24\",\"08:00:00\",\"0000.0000\",\"N\",\"00000.0000\",\"E\",\"0\",\"0\"\r\n";
    records::replaceFile(atZero, zero);
  }
  const std::string out = here + "/out", said = here + "/said", costs = here + "/costs";
  auto mb = [](const bench::ChildCost& cost) { return cost.ok ? cost.peakMb : -1; };
  auto times = [](const bench::ChildCost& cost, const bench::ChildCost& reference) {
    return cost.ok ? "(" + std::to_string(cost.peakMb / reference.peakMb).substr(0, 4) +
                         " x the reference)"
                   : std::string("(FAILED)");
  };
  const bench::ChildCost cat = bench::runChild({"/bin/cat", large}, out, costs);
  const bench::ChildCost floor =
      bench::runChild({GPSTRACKING_CLI, "export", demo, "--gpx", "-o", out}, said, costs);
  std::vector<bench::Figure> figures = {
      {"reference: cat of the 1,000,000-position log into a file", mb(cat), "MiB", ""},
      {"reference: gpstracking-cli, export of 300 positions", mb(floor), "MiB", ""},
  };
  struct Run {
    const char* what;
    std::vector<std::string> args;
    const char* goal;
  };
  const Run runs[] = {
      {"export GPX", {"export", large, "--gpx", "-o", out}, "(goal 64 MiB) "},
      {"export KML", {"export", large, "--kml", "-o", out}, "(goal 64 MiB) "},
      {"export GeoJSON", {"export", large, "--geojson", "-o", out}, "(goal 64 MiB) "},
      // The picture keeps every point, 16 bytes each, beside the positions.
      {"plot SVG", {"plot", large, "-o", out + ".svg"}, ""},
  };
  for (const auto& [what, args, goal] : runs) {
    std::vector<std::string> argv = {GPSTRACKING_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    const bench::ChildCost cost = bench::runChild(argv, said, costs);
    figures.push_back({std::string(what) + " of 1,000,000 positions, peak", mb(cost), "MiB",
                       goal + times(cost, floor)});
  }
  const std::string self = QCoreApplication::applicationFilePath().toStdString();
  auto window = [&](const std::string& log) {
    bench::ChildCost cost = bench::runChild({self, kOpenOnly, log}, said, costs);
    const double ms = cost.ok ? std::atof(fileText(said).c_str()) : -1;
    return std::pair{cost, ms};
  };
  const auto [small, smallMs] = window(demo);
  figures.push_back({"reference: track window, open 300 positions, peak", mb(small), "MiB", ""});
  figures.push_back({"reference: track window, open 300 positions", smallMs, "ms", ""});
  for (const auto& [what, log] : {std::pair{"1,000,000 positions", large},
                                  std::pair{"1,000,000 at 0,0 (warnings)", atZero}}) {
    const auto [cost, ms] = window(log);
    figures.push_back({"track window, open " + std::string(what) + ", peak", mb(cost), "MiB",
                       "(goal 300 MiB) " + times(cost, small)});
    figures.push_back({"track window, open " + std::string(what) + ", first picture", ms, "ms",
                       "(goal 3000 ms; whole process " +
                           std::to_string(cost.cpuSeconds).substr(0, 4) + " s of CPU)"});
  }
  return figures;
}

const bench::Register kMemory("memory with 1,000,000 positions", memory);

}  // namespace

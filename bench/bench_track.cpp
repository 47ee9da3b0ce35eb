// The track window on a GPS log of 100,000 positions: the time from opening the file to the
// first picture shown, and the time of one frame while the picture is dragged, at the whole
// track and zoomed in eight times. Beside them the same for the demo unit's 300 positions.
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

}  // namespace

// The main menu: start-up time, memory, and the CPU the program uses while it waits.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "link/exchange.h"

namespace {

std::vector<bench::Figure> startupAndIdle() {
  std::vector<bench::Figure> figures;
  {
    QElapsedTimer clock;
    clock.start();
    bench::MainWindowRig rig([](sim::Unit& unit) { unit.knobs.silent = true; });
    rig.window().show();
    while (!rig.window().windowHandle() || !rig.window().windowHandle()->isExposed()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents();
    const double shownMs = static_cast<double>(clock.nsecsElapsed()) / 1e6 + bench::appStartMs();
    figures.push_back({"start to main window shown", shownMs, "ms", "(limit 300 ms)"});
    figures.push_back({"peak memory after start", bench::peakMemoryMb(), "MB", "(limit 60 MB)"});

    // A unit that never answers: the exchange polls once a second until cancelled.
    const auto result = rig.run(device::kConfigUpload, std::chrono::seconds(20));
    figures.push_back({"CPU while polling a silent unit for 20 s",
                       100.0 * result.cpuSeconds / result.seconds, "% of one core",
                       "(limit 2 %; a spinning wait uses 100 %; " +
                           std::to_string(rig.unit().polls()) + " polls sent)"});
  }
  return figures;
}

const bench::Register kMainMenu("main menu", startupAndIdle);

}  // namespace

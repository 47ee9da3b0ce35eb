// The main menu: start-up time beside a minimal Qt window's, memory, and the CPU the program
// uses while it waits.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QWindow>
#include <chrono>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "link/exchange.h"

namespace {

constexpr int kStartups = 5;

void awaitShown(QWidget& window) {
  window.show();
  while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  QCoreApplication::processEvents();
}

struct Startup {
  double fromExec = 0;  // from the start of the process (libraries loaded) to the window shown
  double fromMain = 0;  // from main() to the window shown
};

// The medians over fresh processes of `program`, which prints its milliseconds from main() and
// the steady clock's time when its window was shown. Zeros when it cannot be run.
Startup startupInOwnProcess(const QString& program, const QStringList& arguments) {
  std::vector<double> fromExec, fromMain;
  for (int i = 0; i < kStartups; ++i) {
    QProcess process;
    const auto started = std::chrono::steady_clock::now().time_since_epoch();
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 2) return {};
    fromMain.push_back(figures[0].toDouble());
    fromExec.push_back(
        (figures[1].toDouble() - std::chrono::duration<double, std::micro>(started).count()) /
        1000.0);
  }
  return {bench::median(fromExec), bench::median(fromMain)};
}

std::vector<bench::Figure> startupAndIdle() {
  std::vector<bench::Figure> figures;
  {
    QElapsedTimer clock;
    clock.start();
    bench::MainWindowRig rig([](sim::Unit& unit) { unit.knobs.silent = true; });
    awaitShown(rig.window());
    const double shownMs = static_cast<double>(clock.nsecsElapsed()) / 1e6 + bench::appStartMs();
    figures.push_back({"start to main window shown", shownMs, "ms", "(limit 300 ms)"});
    figures.push_back({"peak memory after start", bench::peakMemoryMb(), "MB", "(limit 60 MB)"});

    // A unit that never answers: the exchange polls once a second until cancelled. The rig
    // runs no timer of its own meanwhile, so all the CPU is the program's.
    const auto result = rig.run(device::kConfigUpload, std::chrono::seconds(20));
    figures.push_back({"CPU while polling a silent unit for 20 s",
                       100.0 * result.cpuSeconds / result.seconds, "% of one core",
                       "(limit 2 %; a spinning wait uses 100 %; " +
                           std::to_string(rig.unit().polls()) + " polls sent)"});
  }

  // Start-ups side by side, each in a process of its own, from main() to the window shown.
  const QString folder = QCoreApplication::applicationDirPath();
  const Startup program =
      startupInOwnProcess(QCoreApplication::applicationFilePath(), {bench::kStartupOnly});
  const Startup minimal = startupInOwnProcess(folder + "/gpstracking-bench-window", {});
  const std::string runs = "(median of " + std::to_string(kStartups) + " processes)";
  figures.push_back({"process start to main window shown", program.fromExec, "ms", runs});
  figures.push_back(
      {"process start to a minimal Qt window with a serial port", minimal.fromExec, "ms", runs});
  figures.push_back({"start-up from process start, main menu / minimal window",
                     minimal.fromExec > 0 ? program.fromExec / minimal.fromExec : 0, "x", ""});
  figures.push_back({"main() to main window shown", program.fromMain, "ms", runs});
  figures.push_back({"main() to the minimal window shown", minimal.fromMain, "ms", runs});
  figures.push_back({"start-up from main(), main menu / minimal window",
                     minimal.fromMain > 0 ? program.fromMain / minimal.fromMain : 0, "x", ""});
  return figures;
}

const bench::Register kMainMenu("main menu", startupAndIdle);

}  // namespace

double bench::showMainMenu() {
  bench::MainWindowRig rig([](sim::Unit& unit) { unit.knobs.silent = true; });
  awaitShown(rig.window());
  return bench::msSinceMain();
}

// CPU per answered character of an unpaced GPS log upload on a pseudo-terminal, side by side:
// a minimal driver in plain C calls (gpstracking-bench-driver), the command line and the main
// window, each against its own simulated unit sending the same 2,000 records, in rounds.
#include <sys/resource.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "device/exchange.h"
#include "sim/log_operation.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 2000;
constexpr double kCharacters = kRecords * 38.0;
constexpr int kRounds = 5;

// gpstracking-unit-sim serving the log, unpaced.
struct Unit {
  QProcess process;
  std::string device;
  explicit Unit(const fs::path& log) {
    process.start(GPSTRACKING_UNIT_SIM, {"--log-file", QString::fromStdString(log.string())});
    process.waitForReadyRead(10000);
    device = process.readLine().trimmed().toStdString();
  }
  ~Unit() {
    process.terminate();
    process.waitForFinished(5000);
  }
};

double childrenCpuMicroseconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Runs a program to its end; its output, empty when it failed.
QString run(const QString& program, const QStringList& args, const fs::path& folder) {
  QProcess process;
  process.setWorkingDirectory(QString::fromStdString(folder.string()));
  process.start(program, args);
  if (!process.waitForFinished(600000) || process.exitCode() != 0) return {};
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// One round: the driver, the command line and the window, one after the other.
struct Round {
  double driver = 0, cli = 0, window = 0;  // us/char; 0 for a run that failed
};

Round oneRound(const fs::path& folder, const fs::path& log) {
  Round round;
  // The driver measures its own data phase.
  {
    Unit unit(log);
    const QStringList said =
        run(GPSTRACKING_DRIVER, {QString::fromStdString(unit.device), "7391"}, folder).split(' ');
    if (said.size() == 2) round.driver = said[0].toDouble();
  }
  // The command line: the whole process, start-up included, over the same characters.
  {
    Unit unit(log);
    const double before = childrenCpuMicroseconds();
    if (!run(GPSTRACKING_CLI, {"read-log", "--port", QString::fromStdString(unit.device)}, folder)
             .isEmpty()) {
      round.cli = (childrenCpuMicroseconds() - before) / kCharacters;
    }
  }
  // The window: its thread from the click to the end of the exchange.
  {
    const fs::path here = fs::current_path();
    fs::current_path(folder);
    bench::MainWindowRig rig(
        [](sim::Unit& unit) { unit.install<sim::LogOperation>('L', sim::plausibleLog(kRecords)); });
    round.window = rig.run(device::kLogUpload).cpuSeconds * 1e6 / kCharacters;
    fs::current_path(here);
  }
  return round;
}

std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The machine's ups and downs fall on all three alike within a round; the ratios are taken
// round by round, their median quoted with their spread.
std::vector<bench::Figure> cpuPerCharacter() {
  const fs::path folder =
      fs::temp_directory_path() / ("gpstracking-bench-cpu-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path log = folder / "log.txt";
  {
    std::ofstream out(log);
    for (const std::string& record : sim::plausibleLog(kRecords)) out << record << "\n";
  }
  std::vector<double> driver, cli, window, cliRatio, windowRatio;
  bool failed = false;
  for (int i = 0; i < kRounds; ++i) {
    const Round round = oneRound(folder, log);
    failed = failed || round.driver <= 0 || round.cli <= 0 || round.window <= 0;
    if (failed) break;
    driver.push_back(round.driver);
    cli.push_back(round.cli);
    window.push_back(round.window);
    cliRatio.push_back(round.cli / round.driver);
    windowRatio.push_back(round.window / round.driver);
  }
  fs::remove_all(folder);
  if (failed) return {{"a run failed (driver, command line or window)", 0, "", "(FAILED)"}};

  const std::string rounds = "(median of " + std::to_string(kRounds) + " rounds)";
  auto ratio = [&rounds](const std::vector<double>& ratios) {
    const auto [least, most] = std::minmax_element(ratios.begin(), ratios.end());
    return "(rounds " + fixed(*least, 2) + " to " + fixed(*most, 2) + "; goal at most 1.4)";
  };
  return {
      {"minimal driver (poll, read, write)", bench::median(driver), "us/char", rounds},
      {"command line, whole process", bench::median(cli), "us/char", rounds},
      {"main window, its thread", bench::median(window), "us/char", rounds},
      {"command line / driver", bench::median(cliRatio), "x", ratio(cliRatio)},
      {"main window / driver", bench::median(windowRatio), "x", ratio(windowRatio)},
  };
}

const bench::Register kCpu("GPS log upload, CPU per answered character (2,000 records, unpaced)",
                           cpuPerCharacter);

}  // namespace

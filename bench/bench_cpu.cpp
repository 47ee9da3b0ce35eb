// CPU per answered character of an unpaced GPS log upload on a pseudo-terminal, side by side:
// a minimal driver in plain C calls (gpstracking-bench-driver), the command line and the main
// window, each against its own simulated unit sending the same 2,000 records.
#include <sys/resource.h>
#include <unistd.h>

#include <QProcess>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/main_window_rig.h"
#include "link/exchange.h"
#include "sim/log_operation.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 2000;
constexpr double kCharacters = kRecords * 38.0;

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

std::vector<bench::Figure> cpuPerCharacter() {
  const fs::path folder =
      fs::temp_directory_path() / ("gpstracking-bench-cpu-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path log = folder / "log.txt";
  {
    std::ofstream out(log);
    for (const std::string& record : sim::plausibleLog(kRecords)) out << record << "\n";
  }

  // The driver measures its own data phase.
  double driver = 0;
  {
    Unit unit(log);
    const QStringList said =
        run(GPSTRACKING_DRIVER, {QString::fromStdString(unit.device), "7391"}, folder).split(' ');
    if (said.size() == 2) driver = said[0].toDouble();
  }
  // The command line: the whole process, start-up included, over the same characters.
  double cli = 0;
  {
    Unit unit(log);
    const double before = childrenCpuMicroseconds();
    if (!run(GPSTRACKING_CLI, {"read-log", "--port", QString::fromStdString(unit.device)}, folder)
             .isEmpty()) {
      cli = (childrenCpuMicroseconds() - before) / kCharacters;
    }
  }
  // The window: its thread from the click to the end of the exchange.
  double window = 0;
  {
    const fs::path here = fs::current_path();
    fs::current_path(folder);
    bench::MainWindowRig rig(
        [](sim::Unit& unit) { unit.install<sim::LogOperation>('L', sim::plausibleLog(kRecords)); });
    window = rig.run(device::kLogUpload).cpuSeconds * 1e6 / kCharacters;
    fs::current_path(here);
  }
  fs::remove_all(folder);

  auto ratio = [driver](double us) {
    return driver > 0 ? "(" + std::to_string(us / driver).substr(0, 4) + " x the driver; goal 1.4)"
                      : std::string("(no driver figure)");
  };
  return {
      {"minimal driver (poll, read, write)", driver, "us/char", driver > 0 ? "" : "(FAILED)"},
      {"command line, whole process", cli, "us/char", cli > 0 ? ratio(cli) : "(FAILED)"},
      {"main window, its thread", window, "us/char", ratio(window)},
  };
}

const bench::Register kCpu("GPS log upload, CPU per answered character (2,000 records, unpaced)",
                           cpuPerCharacter);

}  // namespace

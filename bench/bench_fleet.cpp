// The command-line program on paced simulated units (gpstracking-unit-sim --baud-pacing, each on
// its own pseudo-terminal): a fleet of eight written at once against one unit alone, and the
// paced configuration and 1000-record log uploads against the line-rate limit.
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "sim/log_operation.h"
#include "sim/pty_server.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFleet = 8;
constexpr int kLogRecords = 1000;
// 8N1 line-rate limits: the configuration upload's 736 digits and 736 answers at 9600 baud,
// and a log record's 38 characters, 37 "N" and one "1" at 38400 baud.
constexpr double kConfigUploadLimit = 1472 * 10.0 / 9600;
constexpr double kLogUploadLimit = kLogRecords * 76 * 10.0 / 38400;
// The configuration download: 738 digits, 3 ms apart, and 50 ms for the timer's lateness.
constexpr double kConfigDownloadGoal = 737 * 0.003 + 0.050;

struct PacedUnit {
  std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
  std::string device;
  fs::path transcript;

  PacedUnit(const fs::path& folder, int number, const std::vector<std::string>& extra) {
    transcript = folder / ("transcript" + std::to_string(number));
    QStringList args{"--baud-pacing", "--transcript", QString::fromStdString(transcript)};
    for (const std::string& arg : extra) args << QString::fromStdString(arg);
    process->start(GPSTRACKING_UNIT_SIM, args);
    process->waitForReadyRead(10000);
    device = process->readLine().trimmed().toStdString();
  }
  ~PacedUnit() {
    process->terminate();
    process->waitForFinished(5000);
  }

  // The data phase of the unit's last operation, by the transcript's clock.
  double dataSeconds() const {
    std::ifstream in(transcript);
    return sim::transcriptDataSeconds(in);
  }
};

// Runs gpstracking-cli; the seconds it took, negative when it failed.
double runCli(const fs::path& folder, QStringList args) {
  QProcess cli;
  cli.setWorkingDirectory(QString::fromStdString(folder));
  const auto start = Clock::now();
  cli.start(GPSTRACKING_CLI, args);
  cli.waitForFinished(600000);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0 ? seconds : -1;
}

QStringList withPorts(QStringList args, const std::vector<std::unique_ptr<PacedUnit>>& units) {
  for (const auto& unit : units) args << "--port" << QString::fromStdString(unit->device);
  return args;
}

std::string percentOf(double limit, double measured) {
  char text[96];
  std::snprintf(text, sizeof text, "(limit %.2f s: %.0f %% of the line rate)", limit,
                measured > 0 ? 100 * limit / measured : 0);
  return text;
}

std::vector<bench::Figure> fleet() {
  const fs::path folder =
      fs::temp_directory_path() / ("gpstracking-bench-fleet-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::vector<bench::Figure> figures;
  {
    std::vector<std::unique_ptr<PacedUnit>> units;
    for (int i = 0; i < kFleet; ++i)
      units.push_back(std::make_unique<PacedUnit>(folder, i, std::vector<std::string>{}));

    // The configuration written is the one the first unit holds.
    std::vector<std::unique_ptr<PacedUnit>> one;
    one.push_back(std::move(units.front()));
    const double upload = runCli(folder, withPorts({"read-config", "unit.cfg"}, one));
    const double uploadData = one.front()->dataSeconds();
    const double single = runCli(folder, withPorts({"write-config", "unit.cfg"}, one));
    const double downloadData = one.front()->dataSeconds();
    units.front() = std::move(one.front());
    const double eight = runCli(folder, withPorts({"write-config", "unit.cfg"}, units));

    figures.push_back({"paced configuration upload, data phase", uploadData, "s",
                       upload < 0 ? "(FAILED)" : percentOf(kConfigUploadLimit, uploadData)});
    // The download keeps the window's pace: each digit 3 ms after the one before, on fixed
    // deadlines, so the whole is 737 pauses and a little.
    char pace[96];
    std::snprintf(pace, sizeof pace, "(goal at most %.3f s: 737 x 3.0 ms + 50 ms, as the window)",
                  kConfigDownloadGoal);
    figures.push_back({"paced configuration download, data phase", downloadData, "s",
                       single < 0 ? "(FAILED)" : pace});
    figures.push_back(
        {"write-config to one paced unit", single, "s", single < 0 ? "(FAILED)" : ""});
    char ratio[64];
    std::snprintf(ratio, sizeof ratio, "(%.2f x one unit; goal at most 1.3 x)",
                  single > 0 ? eight / single : 0);
    figures.push_back(
        {"write-config to eight paced units at once", eight, "s", eight < 0 ? "(FAILED)" : ratio});
  }
  {
    const fs::path log = folder / "log.txt";
    std::ofstream out(log);
    for (const std::string& record : sim::plausibleLog(kLogRecords)) out << record << "\n";
    out.close();
    std::vector<std::unique_ptr<PacedUnit>> one;
    one.push_back(std::make_unique<PacedUnit>(
        folder, 99, std::vector<std::string>{"--log-file", log.string()}));
    const double total = runCli(folder, withPorts({"read-log"}, one));
    const double data = one.front()->dataSeconds();
    figures.push_back({"paced 1000-record log upload, data phase", data, "s",
                       total < 0 ? "(FAILED)" : percentOf(kLogUploadLimit, data)});
  }
  fs::remove_all(folder);
  return figures;
}

const bench::Register registered("command line: paced fleets and uploads", fleet);

// A configuration upload with a trace of every character beside one without, on a paced unit as
// on a real line: the data phase by the unit's transcript, the two kinds taking turns, nine runs
// each. The fastest run of each kind is the one least disturbed by whatever else the machine
// runs; the medians go beside them.
std::vector<bench::Figure> trace() {
  constexpr int kRuns = 9;
  const fs::path folder =
      fs::temp_directory_path() / ("gpstracking-bench-trace-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::vector<bench::Figure> figures;
  std::vector<double> plain, traced;
  bool failed = false;
  {
    std::vector<std::unique_ptr<PacedUnit>> one;
    one.push_back(std::make_unique<PacedUnit>(folder, 1, std::vector<std::string>{}));
    for (int i = 0; i < kRuns; ++i) {
      failed |= runCli(folder, withPorts({"read-config", "unit.cfg"}, one)) < 0;
      plain.push_back(one.front()->dataSeconds());
      failed |=
          runCli(folder, withPorts({"read-config", "unit.cfg", "--trace", "trace.txt"}, one)) < 0;
      traced.push_back(one.front()->dataSeconds());
    }
  }
  fs::remove_all(folder);
  const double without = *std::min_element(plain.begin(), plain.end());
  const double with = *std::min_element(traced.begin(), traced.end());
  char medians[80];
  std::snprintf(medians, sizeof medians, "(medians: %.3f s untraced, %.3f s traced)",
                bench::median(plain), bench::median(traced));
  figures.push_back(
      {"paced configuration upload, data phase, untraced, fastest", without, "s", medians});
  char ratio[80];
  std::snprintf(ratio, sizeof ratio, "(%.3f x untraced; goal at most 1.05 x)",
                without > 0 ? with / without : 0);
  figures.push_back({"paced configuration upload, data phase, traced, fastest", with, "s",
                     failed ? "(FAILED)" : ratio});
  return figures;
}

const bench::Register traced("command line: a traced configuration upload", trace);

}  // namespace

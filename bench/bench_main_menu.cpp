// The main menu: start-up time beside a minimal Qt window's, memory, and the CPU the program
// uses while it waits.
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/first_paint.h"
#include "bench/main_window_rig.h"
#include "device/exchange.h"
#include "serial/com_ports.h"

namespace {

// Start-ups of each program counted, after one of each not counted (the first start-up after
// a build reads the libraries from the disk).
constexpr int kStartups = 31;

struct Startup {
  double fromExec = 0;  // from the start of the process (libraries loaded) to the window shown
  double fromMain = 0;  // from main() to the window shown
};

// One start-up in a fresh process of `program`, which prints its milliseconds from main() and
// the steady clock's time when its window was shown. Nothing when it cannot be run.
std::optional<Startup> startupInOwnProcess(const QString& program, const QStringList& arguments,
                                           const QProcessEnvironment& environment) {
  QProcess process;
  process.setProcessEnvironment(environment);
  const auto started = std::chrono::steady_clock::now().time_since_epoch();
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return std::nullopt;
  const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split(' ');
  if (figures.size() != 2) return std::nullopt;
  return Startup{
      (figures[1].toDouble() - std::chrono::duration<double, std::micro>(started).count()) / 1000.0,
      figures[0].toDouble()};
}

// COM1 to COM20 for a start-up: the first `present` of them links to pseudo-terminals (devices
// the port list finds), the others name nothing.
class PresentPorts {
 public:
  explicit PresentPorts(int present) : folder_(QDir::tempPath() + "/gpstracking-bench-ports") {
    environment_ = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(folder_);
    for (int n = 1; n <= serial::kComPortCount; ++n) {
      const QString link = folder_ + "/COM" + QString::number(n);
      QFile::remove(link);
      if (n <= present) {
        int master = -1, slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
          fds_.push_back(master);
          fds_.push_back(slave);
          QFile::link(QString::fromLocal8Bit(name), link);
        }
      }
      environment_.insert("GPSTRACKING_COM" + QString::number(n), link);
    }
  }
  ~PresentPorts() {
    for (const int fd : fds_) ::close(fd);
    QDir(folder_).removeRecursively();
  }
  const QProcessEnvironment& environment() const { return environment_; }

 private:
  QString folder_;
  QProcessEnvironment environment_;
  std::vector<int> fds_;
};

// The program's and the minimal window's start-ups side by side, one pair after the other,
// which of the two goes first alternating, so that the machine's ups and downs fall on both
// alike.
struct Pairs {
  std::vector<double> programExec, minimalExec, ratioExec, ratioMain;
};

std::optional<Pairs> interleavedStartups(int presentPorts) {
  const PresentPorts ports(presentPorts);
  const QString folder = QCoreApplication::applicationDirPath();
  auto program = [&ports] {
    return startupInOwnProcess(QCoreApplication::applicationFilePath(), {bench::kStartupOnly},
                               ports.environment());
  };
  auto minimal = [&ports, &folder] {
    return startupInOwnProcess(folder + "/gpstracking-bench-window", {}, ports.environment());
  };
  if (!program() || !minimal()) return std::nullopt;
  Pairs pairs;
  for (int i = 0; i < kStartups; ++i) {
    std::optional<Startup> a, b;
    if (i % 2 == 0) {
      a = program();
      b = minimal();
    } else {
      b = minimal();
      a = program();
    }
    if (!a || !b) return std::nullopt;
    pairs.programExec.push_back(a->fromExec);
    pairs.minimalExec.push_back(b->fromExec);
    pairs.ratioExec.push_back(a->fromExec / b->fromExec);
    pairs.ratioMain.push_back(a->fromMain / b->fromMain);
  }
  return pairs;
}

// The middle half of the values: "1.21 to 1.34".
std::string middleHalf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  char text[48];
  std::snprintf(text, sizeof text, "%.2f to %.2f", values[values.size() / 4],
                values[values.size() * 3 / 4]);
  return text;
}

// The machine's load average over the last minute, as the kernel counts it.
std::string loadAverage() {
  QFile file("/proc/loadavg");
  if (!file.open(QIODevice::ReadOnly)) return "unknown";
  return file.readAll().split(' ').value(0).toStdString();
}

std::vector<bench::Figure> startupAndIdle() {
  std::vector<bench::Figure> figures;
  {
    QElapsedTimer clock;
    clock.start();
    bench::MainWindowRig rig([](sim::Unit& unit) { unit.knobs.silent = true; });
    bench::showUntilPainted(rig.window());
    const double shownMs = static_cast<double>(clock.nsecsElapsed()) / 1e6 + bench::appStartMs();
    figures.push_back({"start to main window painted", shownMs, "ms", "(limit 300 ms)"});
    figures.push_back({"peak memory after start", bench::peakMemoryMb(), "MB", "(limit 60 MB)"});

    // A unit that never answers: the exchange polls once a second until cancelled. The rig
    // runs no timer of its own meanwhile, so all the CPU is the program's.
    const auto result = rig.run(device::kConfigUpload, std::chrono::seconds(20));
    figures.push_back({"CPU while polling a silent unit for 20 s",
                       100.0 * result.cpuSeconds / result.seconds, "% of one core",
                       "(limit 2 %; a spinning wait uses 100 %; " +
                           std::to_string(rig.unit().polls()) + " polls sent)"});
  }

  // Start-ups side by side, each in a process of its own, from its start to the first paint,
  // with no present port and with nine.
  const std::string runs = "(median of " + std::to_string(kStartups) +
                           " processes, paired; load average " + loadAverage() + ")";
  for (const int present : {0, 9}) {
    const std::string ports = ", " + std::to_string(present) + " present ports";
    const std::optional<Pairs> pairs = interleavedStartups(present);
    if (!pairs) {
      figures.push_back({"start-ups" + ports, 0, "", "(FAILED)"});
      continue;
    }
    figures.push_back({"process start to main window painted" + ports,
                       bench::median(pairs->programExec), "ms", runs});
    figures.push_back({"process start to a minimal Qt window painted" + ports,
                       bench::median(pairs->minimalExec), "ms", runs});
    figures.push_back(
        {"start-up from process start, main menu / minimal" + ports,
         bench::median(pairs->ratioExec), "x",
         "(middle half of the pairs " + middleHalf(pairs->ratioExec) + "; goal at most 1.3)"});
    figures.push_back({"start-up from main(), main menu / minimal" + ports,
                       bench::median(pairs->ratioMain), "x",
                       "(middle half of the pairs " + middleHalf(pairs->ratioMain) + ")"});
  }
  return figures;
}

const bench::Register kMainMenu("main menu", startupAndIdle);

// The menu as the program starts it: its serial port, boxes and help, and nothing else of the
// benchmark's (no simulated unit serving a port).
const bench::StartupOnly kShowMainMenu([] {
  struct NoHelp : ui::HelpLauncher {
    void open() override {}
  } help;
  serial::SerialPort port;
  words::RecordedMessages boxes;
  app::GPStracking window({&port, &boxes, &help});
  bench::showUntilPainted(window);
  return bench::shownNow();
});

}  // namespace

#include "cli/fleet.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>

#include <QEventLoop>
#include <QString>
#include <QStringDecoder>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>

#include "cli/signals.h"

namespace cli {

namespace {

// One unit's progress: "COM3     polling: 4 s, 4 polls", "COM3     312 of 736 digits, ...".
std::string progressLine(const UnitJob& job, size_t portWidth) {
  std::string line = job.outcome().port;
  line.resize(std::max(portWidth, line.size()) + 2, ' ');
  if (job.finished()) {
    line += job.outcome().cancelled ? "cancelled" : job.outcome().ok ? "done" : "failed";
  } else if (job.waiting()) {
    line += "waiting for its turn";
  } else {
    line += progressWords(job.lastProgress(), job.stageSeconds(std::chrono::steady_clock::now()));
  }
  return line;
}

std::string count(long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The progress lines at the bottom of a terminal, one per unit, rewritten in place; a unit's
// error line goes above them.
class ProgressBlock {
 public:
  ProgressBlock(std::FILE* terminal, const std::vector<std::unique_ptr<UnitJob>>& jobs)
      : terminal_(terminal), jobs_(jobs) {
    for (const auto& job : jobs) portWidth_ = std::max(portWidth_, job->outcome().port.size());
  }
  void show() {
    if (!terminal_) return;
    erase();
    for (const auto& job : jobs_)
      std::fprintf(terminal_, "%s\n", progressLine(*job, portWidth_).c_str());
    shown_ = jobs_.size();
    std::fflush(terminal_);
  }
  // Takes the lines away (cursor up, clear to the end of the screen).
  void erase() {
    if (terminal_ && shown_ > 0) std::fprintf(terminal_, "\x1b[%zuA\x1b[J", shown_);
    shown_ = 0;
  }

 private:
  std::FILE* terminal_;
  const std::vector<std::unique_ptr<UnitJob>>& jobs_;
  size_t portWidth_ = 0;
  size_t shown_ = 0;
};

// Descriptors kept free beside the running units: a save's folder, temporary file and listing
// (one save at a time, on the one thread), and what Qt or the C library open for a moment.
constexpr long long kSpareDescriptors = 6;

// The descriptors open now.
long long openDescriptors(long long limit) {
  if (DIR* listing = ::opendir("/proc/self/fd")) {
    long long open = -1;  // the listing's own
    while (const dirent* entry = ::readdir(listing)) {
      if (entry->d_name[0] != '.') ++open;
    }
    ::closedir(listing);
    return open;
  }
  long long open = 0;
  for (int fd = 0; fd < std::min<long long>(limit, 65536); ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) ++open;
  }
  return open;
}

// How many of `jobs` may run at once within the descriptors the process may open, and the
// limit that decided it (0: none).
struct Capacity {
  size_t atOnce = 0;
  long long limit = 0;
  long long forOne = 0;  // the limit one unit needs with nothing else running
};

Capacity capacityFor(const std::vector<std::unique_ptr<UnitJob>>& jobs) {
  rlimit files{};
  if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
    return {jobs.size(), 0, 0};
  const auto limit = static_cast<long long>(files.rlim_cur);
  long long each = 1;
  for (const auto& job : jobs) each = std::max<long long>(each, job->descriptorsNeeded());
  const long long taken = openDescriptors(limit) + kSpareDescriptors;
  const long long fit = std::max(0LL, (limit - taken) / each);
  if (fit >= static_cast<long long>(jobs.size())) return {jobs.size(), 0, 0};
  return {static_cast<size_t>(fit), limit, taken + each};
}

}  // namespace

FleetRun runFleet(const std::vector<std::unique_ptr<UnitJob>>& jobs, const FleetOptions& options) {
  QEventLoop loop;
  auto allEnded = [&jobs] {
    return std::all_of(jobs.begin(), jobs.end(), [](const auto& job) { return job->finished(); });
  };
  ProgressBlock block(options.progress, jobs);
  for (const auto& job : jobs) {
    job->onLine([&](const std::string& text) {
      if (!options.errors) return;
      block.erase();
      std::fprintf(options.errors, "%s\n", text.c_str());
      std::fflush(options.errors);
      block.show();
    });
  }

  QTimer timer1;
  timer1.setInterval(options.tickLength);
  QObject::connect(&timer1, &QTimer::timeout, [&] {
    for (const auto& job : jobs) job->tick();
  });
  QTimer progress;
  progress.setInterval(200);
  QObject::connect(&progress, &QTimer::timeout, [&] { block.show(); });

  // Ctrl-C, SIGTERM or SIGHUP: every unit's exchange is cancelled, and every unit still waiting
  // for its turn; the run ends as they end.
  SignalWatch watch([&](int) {
    if (options.errors) {
      block.erase();
      std::fputs("gpstracking-cli: cancelling every unit (once more ends at once)\n",
                 options.errors);
      std::fflush(options.errors);
    }
    for (const auto& job : jobs) job->cancel();
    if (allEnded()) loop.quit();
  });

  // Measured once the signals are watched: their socket pair counts too.
  const Capacity capacity = capacityFor(jobs);
  FleetRun run;
  run.units = jobs.size();
  run.fileLimit = capacity.limit;
  if (capacity.atOnce == 0) {
    for (const auto& job : jobs) {
      job->cannotStart("not started: the process may open " + std::to_string(capacity.limit) +
                       " files (ulimit -n) and one unit needs " + std::to_string(capacity.forOne) +
                       "; raise the limit");
    }
  }
  // The units start in the order given, each as soon as one before it has let go of its
  // descriptors; an ending unit's start of the next comes from the event loop, never from
  // inside another's start.
  size_t next = 0;
  size_t running = 0;
  std::function<void()> startWaiting = [&] {
    while (running < capacity.atOnce && next < jobs.size()) {
      const size_t j = next++;
      UnitJob& job = *jobs[j];
      if (job.finished()) continue;
      run.atOnce = std::max(run.atOnce, ++running);
      job.start([&, j] {
        if (options.ended) options.ended(j);
        --running;
        startWaiting();
      });
    }
    if (allEnded()) loop.quit();
  };
  startWaiting();
  if (!allEnded()) {
    timer1.start();
    if (options.progress) progress.start();
    loop.exec();
  }
  // The last state of every unit stays on the terminal.
  block.show();
  for (const auto& job : jobs) {
    job->onLine(nullptr);
    run.outcomes.push_back(job->outcome());
  }
  return run;
}

std::string progressWords(const device::Progress& p, double stageSeconds) {
  const long long seconds = static_cast<long long>(std::max(0.0, stageSeconds));
  switch (p.stage) {
    case device::Stage::Polling:
      return std::string(p.portLost ? "device lost, reopening: " : "polling: ") +
             std::to_string(seconds) + " s, " + count(p.polls, "poll", "polls");
    case device::Stage::Password:
    case device::Stage::Acceptance:
      return "password check: " + std::to_string(seconds) + " s";
    case device::Stage::Data:
      break;
  }
  const char* unit = device::countingName(p.counting);
  std::string words = std::to_string(p.done);
  if (p.total > 0) words += " of " + std::to_string(p.total);
  words += std::string(" ") + unit;
  if (p.positions >= 0) words += " (" + count(p.positions, "position", "positions") + ")";
  // A rate only once a second of data has passed: before that it says nothing true.
  if (stageSeconds >= 1 && p.done > 0) {
    const double rate = static_cast<double>(p.done) / stageSeconds;
    words += ", " + std::to_string(std::lround(rate)) + " " + unit + "/s";
    if (p.total > p.done)
      words += ", " + std::to_string(std::lround(static_cast<double>(p.total - p.done) / rate)) +
               " s left";
  }
  return words;
}

std::string outcomeWord(const Outcome& outcome) {
  if (outcome.cancelled) return "cancelled";
  if (!outcome.ok) return "FAILED";
  return outcome.warning ? "warning" : "ok";
}

std::string summaryTable(const std::vector<Outcome>& outcomes) {
  size_t portWidth = 4;
  for (const Outcome& o : outcomes) portWidth = std::max(portWidth, o.port.size());
  auto row = [&](const std::string& port, const std::string& outcome, const std::string& bytes,
                 const std::string& seconds, const std::string& detail) {
    char text[160];
    std::snprintf(text, sizeof text, "%-*s  %-9s  %8s  %7s  ", static_cast<int>(portWidth),
                  port.c_str(), outcome.c_str(), bytes.c_str(), seconds.c_str());
    return text + detail + "\n";
  };
  std::string table = row("PORT", "OUTCOME", "BYTES", "SECONDS", "DETAIL");
  for (const Outcome& o : outcomes) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", o.seconds);
    std::string detail = o.cause;
    if (o.ok && !o.file.empty()) detail += " -> " + o.file;
    // A box's text may run over lines; a row of the table does not.
    std::replace(detail.begin(), detail.end(), '\r', ' ');
    std::replace(detail.begin(), detail.end(), '\n', ' ');
    table += row(o.port, outcomeWord(o), std::to_string(o.bytes), seconds, detail);
  }
  return table;
}

std::string jsonString(const std::string& text) {
  const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
  QStringDecoder fromUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = fromUtf8(bytes);
  const std::string utf8 =
      fromUtf8.hasError() ? QString::fromLatin1(bytes).toUtf8().toStdString() : text;
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string atOnceLine(const FleetRun& run) {
  if (run.atOnce == 0 || run.atOnce >= run.units) return {};
  return "at most " + std::to_string(run.atOnce) + " of " + std::to_string(run.units) +
         " units ran at once: the process may open " + std::to_string(run.fileLimit) +
         " files (ulimit -n)\n";
}

std::string jsonLine(const Outcome& o, size_t atOnce) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", o.seconds);
  return "{\"port\":" + jsonString(o.port) + ",\"device\":" + jsonString(o.device) +
         ",\"outcome\":\"" + (o.ok || o.cancelled ? outcomeWord(o) : "failed") + "\"" +
         ",\"cause\":" + jsonString(o.cause) + ",\"bytes\":" + std::to_string(o.bytes) +
         ",\"seconds\":" + seconds + ",\"file\":" + jsonString(o.file) +
         ",\"version\":" + jsonString(o.version) +
         ",\"verified\":" + (o.verified ? (*o.verified ? "true" : "false") : "null") +
         ",\"at_once\":" + std::to_string(atOnce) + "}";
}

}  // namespace cli

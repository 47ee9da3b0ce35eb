#include "cli/fleet.h"

#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <algorithm>

namespace cli {

namespace {

std::string progressLine(const std::vector<std::unique_ptr<UnitJob>>& jobs) {
  std::string line;
  for (const auto& job : jobs) {
    if (!line.empty()) line += "  ";
    line += job->outcome().port + " ";
    if (job->finished()) {
      line += job->outcome().ok ? "done" : "failed";
    } else if (job->connecting()) {
      line += "connecting";
    } else if (job->records() > 0) {
      line += std::to_string(job->records()) + " records";
    } else {
      line += std::to_string(job->bytes()) + " chars";
    }
  }
  return line;
}

}  // namespace

std::vector<Outcome> runFleet(const std::vector<std::unique_ptr<UnitJob>>& jobs,
                              const FleetOptions& options) {
  QEventLoop loop;
  auto allEnded = [&jobs] {
    return std::all_of(jobs.begin(), jobs.end(), [](const auto& job) { return job->finished(); });
  };
  size_t widest = 0;
  auto showProgress = [&] {
    if (!options.progress) return;
    std::string line = progressLine(jobs);
    widest = std::max(widest, line.size());
    line.resize(widest, ' ');
    std::fprintf(options.progress, "\r%s", line.c_str());
    std::fflush(options.progress);
  };
  for (const auto& job : jobs) {
    job->onLine([&](const std::string& text) {
      if (!options.errors) return;
      if (options.progress && widest > 0) {
        std::fprintf(options.progress, "\r%s\r", std::string(widest, ' ').c_str());
      }
      std::fprintf(options.errors, "%s\n", text.c_str());
      std::fflush(options.errors);
    });
  }

  QTimer timer1;
  timer1.setInterval(options.tickLength);
  QObject::connect(&timer1, &QTimer::timeout, [&] {
    for (const auto& job : jobs) job->tick();
  });
  QTimer progress;
  progress.setInterval(200);
  QObject::connect(&progress, &QTimer::timeout, showProgress);

  for (const auto& job : jobs) {
    job->start([&] {
      if (allEnded()) loop.quit();
    });
  }
  if (!allEnded()) {
    timer1.start();
    if (options.progress) progress.start();
    loop.exec();
  }
  if (options.progress) {
    showProgress();
    std::fputc('\n', options.progress);
  }
  std::vector<Outcome> outcomes;
  for (const auto& job : jobs) {
    job->onLine(nullptr);
    outcomes.push_back(job->outcome());
  }
  return outcomes;
}

std::string summaryTable(const std::vector<Outcome>& outcomes) {
  size_t portWidth = 4;
  for (const Outcome& o : outcomes) portWidth = std::max(portWidth, o.port.size());
  auto row = [&](const std::string& port, const std::string& outcome, const std::string& bytes,
                 const std::string& seconds, const std::string& detail) {
    char text[160];
    std::snprintf(text, sizeof text, "%-*s  %-7s  %8s  %7s  ", static_cast<int>(portWidth),
                  port.c_str(), outcome.c_str(), bytes.c_str(), seconds.c_str());
    return text + detail + "\n";
  };
  std::string table = row("PORT", "OUTCOME", "BYTES", "SECONDS", "DETAIL");
  for (const Outcome& o : outcomes) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", o.seconds);
    std::string detail = o.cause;
    if (o.ok && !o.file.empty()) detail += " -> " + o.file;
    table += row(o.port, o.ok ? "ok" : "FAILED", std::to_string(o.bytes), seconds, detail);
  }
  return table;
}

std::string jsonString(const std::string& latin1) {
  const std::string utf8 = QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()))
                               .toUtf8()
                               .toStdString();
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

std::string jsonLine(const Outcome& o) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", o.seconds);
  return "{\"port\":" + jsonString(o.port) + ",\"device\":" + jsonString(o.device) +
         ",\"outcome\":" + (o.ok ? "\"ok\"" : "\"failed\"") + ",\"cause\":" + jsonString(o.cause) +
         ",\"bytes\":" + std::to_string(o.bytes) + ",\"seconds\":" + seconds +
         ",\"file\":" + jsonString(o.file) + "}";
}

}  // namespace cli

#pragma once
// A fleet: every unit's exchange at the same time on one Qt event loop, each with its own port
// and link; one Timer1 ticks them all. The run ends when the last unit has ended. When the
// process may not open descriptors enough for every unit at once (ulimit -n), units wait for
// their turn in the order given, holding nothing and counting no time meanwhile.
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/unit_job.h"

namespace cli {

struct FleetOptions {
  // A progress line per unit on this stream, rewritten in place (null: quiet).
  std::FILE* progress = nullptr;
  // Where each unit's error lines go as they happen (null: nowhere).
  std::FILE* errors = stderr;
  std::chrono::milliseconds tickLength{1000};
  // Called as each unit's exchange ends, with its place among the jobs, its outcome final.
  std::function<void(std::size_t)> ended{};
};

struct FleetRun {
  std::vector<Outcome> outcomes;
  // The units that were to run, and the most of them that ran at the same time.
  size_t units = 0;
  size_t atOnce = 0;
  // The descriptors the process may open (ulimit -n), when that kept units waiting; 0: it did
  // not.
  long long fileLimit = 0;
};

FleetRun runFleet(const std::vector<std::unique_ptr<UnitJob>>& jobs, const FleetOptions& options);

// What a unit's exchange is doing, for its progress line: the stage's seconds and the polls
// while connecting; in the data phase the count against the whole, the rate and the time left.
std::string progressWords(const device::Progress& progress, double stageSeconds);

// "ok", "warning" (done, something left out), "cancelled" or "FAILED".
std::string outcomeWord(const Outcome& outcome);
// The table that ends a run: port, outcome, bytes, seconds, and the cause or file.
std::string summaryTable(const std::vector<Outcome>& outcomes);
// The line under the table when units had to wait: how many ran at once and why; empty when
// every unit ran from the start.
std::string atOnceLine(const FleetRun& run);
// One JSON object on one line, with how many units of its run ran at once.
std::string jsonLine(const Outcome& outcome, size_t atOnce);
// A text as a JSON string, quotes included: valid UTF-8 as it stands (the file system's names,
// which a fleet's paths and files are), anything else read as the program's Latin-1.
std::string jsonString(const std::string& text);

}  // namespace cli

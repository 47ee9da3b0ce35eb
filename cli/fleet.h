#pragma once
// A fleet: every unit's exchange at the same time on one Qt event loop, each with its own port
// and link; one Timer1 ticks them all. The run ends when the last unit has ended.
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

std::vector<Outcome> runFleet(const std::vector<std::unique_ptr<UnitJob>>& jobs,
                              const FleetOptions& options);

// What a unit's exchange is doing, for its progress line: the stage's seconds and the polls
// while connecting; in the data phase the count against the whole, the rate and the time left.
std::string progressWords(const device::Progress& progress, double stageSeconds);

// "ok", "warning" (done, something left out), "cancelled" or "FAILED".
std::string outcomeWord(const Outcome& outcome);
// The table that ends a run: port, outcome, bytes, seconds, and the cause or file.
std::string summaryTable(const std::vector<Outcome>& outcomes);
// One JSON object on one line.
std::string jsonLine(const Outcome& outcome);
// A text as a JSON string, quotes included: valid UTF-8 as it stands (the file system's names,
// which a fleet's paths and files are), anything else read as the program's Latin-1.
std::string jsonString(const std::string& text);

}  // namespace cli

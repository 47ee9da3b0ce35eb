#pragma once
// The commands of gpstracking-cli, each run from its arguments with its output on `out` and its
// complaints on `err`; the result is the program's exit status: 0 when everything succeeded, 1
// when a unit, a file or a check failed, 2 when the command line itself is wrong, 3 when every
// unit finished but something was lost on the way. diff says 0, 1 and 2 as diff(1) does.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/unit_job.h"

namespace cli {

inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsage = 2;
// Every unit finished, and at least one left something out (damaged GPS log records, or a log
// that ended inside a record): a script must not take the files as whole.
inline constexpr int kSomethingLost = 3;
// diff: the two configurations differ; a file or a unit could not be read (as diff(1)'s
// "trouble", which a wrong command line also is).
inline constexpr int kDifferent = 1;
inline constexpr int kTrouble = 2;

// The status of a run of units that no signal stopped: a failure outweighs a loss.
int unitsStatus(const std::vector<Outcome>& outcomes);

int runCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// The file a fleet's unit writes: "unit.cfg" on COM3 gives "unit-COM3.cfg".
std::string fleetFileName(const std::string& file, const std::string& portLabel);

// Whether the command draws a PNG picture, which needs Qt's painting (a QGuiApplication).
bool needsPainting(const std::vector<std::string>& args);

}  // namespace cli

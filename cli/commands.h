#pragma once
// The commands of gpstracking-cli, each run from its arguments with its output on `out` and its
// complaints on `err`; the result is the program's exit status: 0 when everything succeeded, 1
// when a unit, a file or a check failed, 2 when the command line itself is wrong.
#include <cstdio>
#include <string>
#include <vector>

namespace cli {

inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsage = 2;

int runCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// The file a fleet's unit writes: "unit.cfg" on COM3 gives "unit-COM3.cfg".
std::string fleetFileName(const std::string& file, const std::string& portLabel);

// Whether the command draws a PNG picture, which needs Qt's painting (a QGuiApplication).
bool needsPainting(const std::vector<std::string>& args);

}  // namespace cli

#pragma once
// The benchmark program behind `make bench`. Each file of bench/ registers its sections; the
// program runs them (or those whose name contains its argument) and prints their figures.
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Figure {
  std::string what;  // "idle CPU while polling a silent unit"
  double value;
  std::string unit;  // "% of one core", "ms", "MB", "records/s"
  std::string note;  // a limit or comparison to print beside it, may be empty
};

using Section = std::function<std::vector<Figure>()>;

// Registers a section at program start: `static bench::Register r("name", fn);`
struct Register {
  Register(const char* name, Section section);
};

// Process CPU time (user + system) in seconds.
double cpuSeconds();
// Peak resident memory of the process in MB.
double peakMemoryMb();
// Milliseconds the program took to create its QApplication, before any section ran.
double appStartMs();
// Milliseconds since main() began.
double msSinceMain();
// Run with this argument, the benchmark only starts the main menu, prints the milliseconds from
// main() until it is shown and the steady clock's time then (microseconds), and exits: a
// start-up in a process of its own. The section that measures it registers how the menu is
// shown: `static bench::StartupOnly s(fn);`, fn showing it and returning when it was shown,
// before anything is torn down.
inline constexpr const char* kStartupOnly = "--startup-only";
struct Shown {
  double msSinceMain;         // from main() to the window shown
  double steadyMicroseconds;  // the steady clock's time then
};
struct StartupOnly {
  explicit StartupOnly(std::function<Shown()> showMainMenu);
};
// Run as `gpstracking-bench FLAG ARGUMENT`, the benchmark only runs what a section registered
// for FLAG on ARGUMENT, prints what it returns and exits: a measurement in a process of its own,
// whose peak memory is its own. `static bench::ChildOnly c("--flag", fn);`
struct ChildOnly {
  ChildOnly(const char* flag, std::function<std::string(const std::string& argument)> run);
};
// What a program run to its end took.
struct ChildCost {
  bool ok = false;  // exit status 0
  double peakMb = 0;
  double cpuSeconds = 0;
  double wallMs = 0;
};
// Runs `argv` (argv[0] a path) to its end with its standard output into the file `output`, through
// gpstracking-bench-peak, which writes its figures into `figures`.
ChildCost runChild(const std::vector<std::string>& argv, const std::string& output,
                   const std::string& figures);

// When a window is shown, now.
Shown shownNow();
// Median of the values (empty: 0).
double median(std::vector<double> values);

}  // namespace bench

#include "bench/bench.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>  // environ

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <utility>

#include "app/font_warm_up.h"

namespace bench {

namespace {

double applicationStartMs = 0;
std::chrono::steady_clock::time_point mainStarted;

std::vector<std::pair<std::string, Section>>& sections() {
  static std::vector<std::pair<std::string, Section>> all;
  return all;
}

std::function<Shown()>& startupOnly() {
  static std::function<Shown()> show;
  return show;
}

std::map<std::string, std::function<std::string(const std::string&)>>& childOnly() {
  static std::map<std::string, std::function<std::string(const std::string&)>> all;
  return all;
}

}  // namespace

ChildOnly::ChildOnly(const char* flag, std::function<std::string(const std::string&)> run) {
  childOnly()[flag] = std::move(run);
}

ChildCost runChild(const std::vector<std::string>& argv, const std::string& output,
                   const std::string& figures) {
  std::vector<std::string> all = {GPSTRACKING_PEAK, figures};
  all.insert(all.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (std::string& arg : all) args.push_back(arg.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ChildCost cost;
  const auto started = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const bool spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (!spawned || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return cost;
  }
  cost.wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  std::FILE* file = std::fopen(figures.c_str(), "r");
  long kib = 0;
  int exitStatus = -1;
  if (!file) return cost;
  const bool read = std::fscanf(file, "%ld %lf %d", &kib, &cost.cpuSeconds, &exitStatus) == 3;
  std::fclose(file);
  cost.ok = read && exitStatus == 0;
  cost.peakMb = static_cast<double>(kib) / 1024.0;
  return cost;
}

Register::Register(const char* name, Section section) {
  sections().emplace_back(name, std::move(section));
}

Shown shownNow() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return {msSinceMain(), std::chrono::duration<double, std::micro>(now).count()};
}

StartupOnly::StartupOnly(std::function<Shown()> showMainMenu) {
  startupOnly() = std::move(showMainMenu);
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peakMemoryMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double appStartMs() {
  return applicationStartMs;
}

double msSinceMain() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainStarted)
      .count();
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<long>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace bench

int main(int argc, char** argv) {
  bench::mainStarted = std::chrono::steady_clock::now();
  // As the program starts: the main menu's start-up is measured in a process of this program.
  app::FontWarmUp fonts;
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  fonts.finish();
  bench::applicationStartMs = bench::msSinceMain();
  const std::string only = argc > 1 ? argv[1] : "";
  if (only == bench::kStartupOnly && bench::startupOnly()) {
    const bench::Shown shown = bench::startupOnly()();
    std::printf("%.3f %.0f\n", shown.msSinceMain, shown.steadyMicroseconds);
    return 0;
  }
  if (argc > 2 && bench::childOnly().contains(only)) {
    std::printf("%s\n", bench::childOnly()[only](argv[2]).c_str());
    return 0;
  }
  for (const auto& [name, section] : bench::sections()) {
    if (!only.empty() && name.find(only) == std::string::npos) continue;
    std::printf("== %s\n", name.c_str());
    std::fflush(stdout);
    for (const auto& figure : section()) {
      std::printf("  %-58s %10.3f %-14s %s\n", figure.what.c_str(), figure.value,
                  figure.unit.c_str(), figure.note.c_str());
    }
    std::fflush(stdout);
  }
  return 0;
}

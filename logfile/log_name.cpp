#include "logfile/log_name.h"

#include <ctime>

namespace logfile {

namespace {

std::string replaced(std::string text, char from, char to) {
  for (char& c : text) {
    if (c == from) c = to;
  }
  return text;
}

std::string formatted(const std::tm& when, const char* format) {
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, format, &when);
  return std::string(text, length);
}

}  // namespace

LogStamp localLogStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {formatted(local, "%d/%m/%Y"), formatted(local, "%H:%M:%S")};
}

std::string logFileName(const LogStamp& stamp, int attempt) {
  std::string name = replaced(stamp.date, '/', '-') + "L_" + replaced(stamp.time, ':', '.');
  if (attempt > 1) name += "_" + std::to_string(attempt);
  return name + ".csv";
}

}  // namespace logfile

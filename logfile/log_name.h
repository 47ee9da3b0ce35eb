#pragma once
// The name of a GPS log file: the date and time its upload started, the same on every machine
// whatever its regional settings, so that the names sort by time and carry no blanks.
#include <string>

namespace logfile {

struct LogStamp {
  std::string date;  // "09/12/2026": day, month, year
  std::string time;  // "10:02:40": 24-hour clock
};

// The local date and time now.
LogStamp localLogStamp();

// "09-12-2026L_10.02.40.csv"; attempt 2 and on (uploads in the same second) give
// "09-12-2026L_10.02.40_2.csv", ...
std::string logFileName(const LogStamp& stamp, int attempt = 1);

}  // namespace logfile

#pragma once
// Positions read from a GPS log file (a track) or a GPS table file (fixed locations), in signed
// decimal degrees.
//
// The conversions:
// - A log line holds the latitude as ddmm.mmmm and the longitude as dddmm.mmmm (whole degrees,
//   then minutes with four decimals) and a letter for each: degrees + minutes / 60, negative
//   for "S" and "W". A line without its letters (before the unit's first valid hemisphere
//   code), with minutes of 60 or more or with degrees beyond 90 or 180 is skipped.
//   A position whose date or time is no real one (31/02/24, 12:-5:-1, 60 seconds) is kept
//   without a time. The date and time are the unit's GPS time, taken as UTC.
// - A table cell already holds decimal degrees, as the table's editor shows them, read by the
//   rule the table download reads it with (records/numeric.h): "+12.5" is 12.5. A row whose
//   latitude or longitude is the empty marker "255", no number or beyond 90 or 180 holds no
//   location and is skipped.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "loctable/cells.h"

namespace track {

// Seconds of a position without a time.
inline constexpr std::int64_t kNoTime = INT64_MIN;

struct Place {
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive
  std::string name;      // a table row's ID; empty in a track
  std::string time;      // a track point's ISO 8601 time ("2024-03-15T07:58:30Z"); may be empty
  std::int64_t seconds = kNoTime;  // the same time in seconds since 2000-01-01 00:00:00 UTC
  // The log line's own date and time fields ("15/03/24", "07:58:30"), as the unit wrote them.
  std::string logDate, logTime;
  // The line's last two fields, one-decimal numbers whose meaning the unit defines.
  std::optional<double> value1, value2;
};

// The longest log line read; a longer one is skipped without being held. The unit's lines are
// about 80 characters.
inline constexpr std::size_t kLongestLogLine = 1024;

struct Places {
  bool track = false;  // a GPS log: the points in order make one track
  std::vector<Place> points;
  int skipped = 0;  // lines or rows without a usable position
  int untimed = 0;  // track points kept without their impossible date or time
};

// One coordinate of a log line; nothing when it cannot be converted.
std::optional<double> logDegrees(const std::string& degreesAndMinutes, const std::string& letter,
                                 double limit);

// Reads a log or table file, telling them apart by their first line's fields (eight or three).
// A log is read as a stream, whatever its length; a table file is one of the program's small
// files (records::kMaxFileBytes). Nothing, with the reason in `error`, for anything else;
// `unreadable` tells a file that could not be read from one that is not a log or table.
std::optional<Places> readPlaces(const std::string& path, std::string& error, bool& unreadable);

// The locations a GPS location table holds, row by row.
Places tablePlaces(const loctable::Cells& cells);

}  // namespace track

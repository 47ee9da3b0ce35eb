#pragma once
// Positions read from a GPS log file (a track) or a GPS table file (fixed locations), in signed
// decimal degrees.
//
// The conversions:
// - A log line (logline/logline.h) holds each coordinate as degrees and minutes with its
//   letter. A line without its letters (before the unit's first valid hemisphere code), with
//   minutes of 60 or more or with degrees beyond 90 or 180 is skipped.
//   A position whose date or time is no real one (31/02/24, 12:-5:-1, 60 seconds) is kept
//   without a time. The date and time are the unit's GPS time, taken as UTC, day, month and
//   two-digit year of the 2000s.
// - A table cell already holds decimal degrees, as the table's editor shows them, read by the
//   rule the table download reads it with (records/numeric.h): "+12.5" is 12.5. A row whose
//   latitude or longitude is the empty marker "255", no number or beyond 90 or 180 holds no
//   location and is skipped.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "loctable/cells.h"

namespace track {

// Seconds of a position without a time.
inline constexpr std::int64_t kNoTime = INT64_MIN;
// A value field that held no number.
inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
inline bool hasValue(double value) {
  return !std::isnan(value);
}

// One position, small: a log of a million lines is held whole by the window, the exports and
// the picture. Its time and its log line's date and time fields are made from `seconds` when
// they are asked for (Places::stamp, isoTime).
struct Place {
  double latitude = 0;             // degrees, north positive
  double longitude = 0;            // degrees, east positive
  std::int64_t seconds = kNoTime;  // the unit's GPS time in seconds since 2000-01-01 00:00:00 UTC
  // The line's last two fields, one-decimal numbers whose meaning the unit defines; kNoValue
  // where the line held none.
  double value1 = kNoValue, value2 = kNoValue;
};

// A log line's own date and time fields ("15/03/24", "07:58:30"), as the unit wrote them.
struct Stamp {
  std::string date, time;
};

// The longest log line read; a longer one is skipped without being held. The unit's lines are
// about 80 characters.
inline constexpr std::size_t kLongestLogLine = 1024;

// In blocks, not one array: growing never needs the old and the new copy at once.
using Points = std::deque<Place>;

struct Places {
  bool track = false;  // a GPS log: the points in order make one track
  Points points;
  std::vector<std::string> names;  // a table's IDs, one a point; empty for a track
  int skipped = 0;                 // lines or rows without a usable position
  // The date and time fields of the track points kept without their impossible date or time,
  // by point; the other points' fields follow from their time.
  std::map<std::size_t, Stamp> untimedStamps;

  int untimed() const { return static_cast<int>(untimedStamps.size()); }
  // A table row's ID; empty in a track.
  std::string name(std::size_t point) const;
  Stamp stamp(std::size_t point) const;
};

// A position's ISO 8601 time ("2024-03-15T07:58:30Z"); empty without one.
std::string isoTime(const Place& place);

// Reads a log or table file, telling them apart by their first line's fields (eight or three).
// A log is read as a stream, whatever its length; a table file is one of the program's small
// files (records::kMaxFileBytes). Nothing, with the reason in `error`, for anything else;
// `unreadable` tells a file that could not be read from one that is not a log or table.
std::optional<Places> readPlaces(const std::string& path, std::string& error, bool& unreadable);

// The locations a GPS location table holds, row by row.
Places tablePlaces(const loctable::Cells& cells);

}  // namespace track

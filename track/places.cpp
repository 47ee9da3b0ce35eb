#include "track/places.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string_view>

#include "loctable/cell_store.h"
#include "loctable/table_file.h"
#include "logline/logline.h"
#include "records/numeric.h"
#include "records/safe_file.h"

namespace track {

namespace {

namespace chrono = std::chrono;

// The day the seconds count from.
constexpr chrono::sys_days kEpoch = chrono::sys_days(chrono::year(2000) / 1 / 1);

// "15/03/24" and "07:58:30" as the unit writes them (day, month, two-digit year; GPS time) give
// the point's seconds; a date or time that does not exist, which readers of the exports would
// drop, leaves them unset.
void setTime(Place& place, const std::string& date, const std::string& time) {
  const auto d = logline::dateGroups(date);
  const auto t = logline::timeGroups(time);
  if (!d || !t) return;
  const auto [day, month, shortYear] = *d;
  const auto [hour, minute, second] = *t;
  const chrono::year_month_day civil(chrono::year(2000 + shortYear),
                                     chrono::month(static_cast<unsigned>(month)),
                                     chrono::day(static_cast<unsigned>(day)));
  // GPS time has no leap seconds: 60 is no second of it.
  if (!civil.ok() || hour > 23 || minute > 59 || second > 59) return;
  const std::int64_t days = (chrono::sys_days(civil) - kEpoch).count();
  place.seconds = (days * 24 + hour) * 3600 + minute * 60 + second;
}

struct Civil {
  chrono::year_month_day date;
  int hour, minute, second;
};

Civil civilOf(std::int64_t seconds) {
  const std::int64_t days = seconds / 86400, rest = seconds % 86400;
  return {chrono::year_month_day(kEpoch + chrono::days(days)), int(rest / 3600),
          int(rest / 60 % 60), int(rest % 60)};
}

// A new point at the two coordinates; none, and one more skipped, without both.
Place* addPlace(Places& places, std::optional<double> latitude, std::optional<double> longitude) {
  if (!latitude || !longitude) {
    ++places.skipped;
    return nullptr;
  }
  Place& place = places.points.emplace_back();
  place.latitude = *latitude;
  place.longitude = *longitude;
  return &place;
}

void addLogLine(Places& places, std::string_view text) {
  std::optional<logline::Line> line = logline::read(text);
  Place* added = addPlace(
      places, line ? logline::degrees(line->latitude, line->latitudeLetter, 90) : std::nullopt,
      line ? logline::degrees(line->longitude, line->longitudeLetter, 180) : std::nullopt);
  if (!added) return;
  Place& place = *added;
  setTime(place, line->date, line->time);
  if (place.seconds == kNoTime)
    places.untimedStamps[places.points.size() - 1] = {std::move(line->date), std::move(line->time)};
  place.value1 = logline::number(line->value1).value_or(kNoValue);
  place.value2 = logline::number(line->value2).value_or(kNoValue);
}

// A coordinate cell's degrees, read as the table download reads the cell, so that what is
// exported is what write-table sends; nothing for the empty marker or what is no number.
std::optional<double> cellDegrees(const std::string& text, double limit) {
  if (text == loctable::kEmptyMarker || !records::readsWhole(text)) return std::nullopt;
  const std::optional<double> value = records::readNumber(text);
  if (!value || std::fabs(*value) > limit) return std::nullopt;
  return value;
}

// The lines of a file as it is read, one at a time: line ends (LF, CR LF) taken off, empty
// lines left out, a line longer than kLongestLogLine handed on empty and never held whole.
class LineSplitter {
 public:
  using Take = std::function<bool(std::string_view line, int number)>;
  explicit LineSplitter(Take take) : take_(std::move(take)) {}

  bool add(std::string_view piece) {
    while (!piece.empty()) {
      const std::size_t end = piece.find('\n');
      const std::string_view part = piece.substr(0, end);
      if (pending_.size() + part.size() > kLongestLogLine + 1) {
        overlong_ = true;
        pending_.clear();
      } else if (!overlong_) {
        pending_ += part;
      }
      if (end == std::string_view::npos) return true;
      piece.remove_prefix(end + 1);
      if (!endLine()) return false;
    }
    return true;
  }
  // The last line, which may have no line end.
  bool finish() { return endLine(); }

 private:
  bool endLine() {
    ++number_;
    std::string_view line = pending_;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const bool go = overlong_ ? take_({}, number_) : line.empty() || take_(line, number_);
    pending_.clear();
    overlong_ = false;
    return go;
  }

  Take take_;
  std::string pending_;
  bool overlong_ = false;
  int number_ = 0;
};

}  // namespace

std::string Places::name(std::size_t point) const {
  return point < names.size() ? names[point] : std::string();
}

Stamp Places::stamp(std::size_t point) const {
  const std::int64_t seconds = points[point].seconds;
  if (seconds == kNoTime) {
    const auto kept = untimedStamps.find(point);
    return kept == untimedStamps.end() ? Stamp{} : kept->second;
  }
  const Civil civil = civilOf(seconds);
  return {logline::date({int(unsigned(civil.date.day())), int(unsigned(civil.date.month())),
                         int(civil.date.year()) - 2000}),
          logline::time({civil.hour, civil.minute, civil.second})};
}

std::string isoTime(const Place& place) {
  if (place.seconds == kNoTime) return {};
  const Civil civil = civilOf(place.seconds);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(civil.date.year()),
                unsigned(civil.date.month()), unsigned(civil.date.day()), civil.hour, civil.minute,
                civil.second);
  return text;
}

std::optional<Places> readPlaces(const std::string& path, std::string& error, bool& unreadable) {
  unreadable = false;
  std::optional<Places> log;
  bool table = false;
  LineSplitter lines([&](std::string_view line, int number) {
    if (line.find('\0') != std::string_view::npos) {
      error = "not valid text (line " + std::to_string(number) + " holds a NUL byte)";
      return false;
    }
    if (!log) {
      const size_t fields = line.empty() ? 0 : logline::fields(line).size();
      table = fields == 3;
      if (fields != logline::kFields) {
        if (!table) {
          error = "neither a GPS log (8 fields a line) nor a GPS table file (3 fields a line)";
        }
        return false;
      }
      log.emplace();
      log->track = true;
    }
    addLogLine(*log, line);
    return true;
  });
  std::string why;
  const bool read = records::readFileInPieces(
                        path, [&](std::string_view piece) { return lines.add(piece); }, &why) &&
                    lines.finish();
  if (table) {
    const std::optional<std::string> bytes = records::readWholeFile(path, &why);
    if (bytes) {
      loctable::CellStore cells;
      loctable::applyTableText(cells, *bytes);
      return tablePlaces(cells);
    }
  }
  if (!why.empty()) {
    unreadable = true;
    error = why;
    return std::nullopt;
  }
  if (read && log) return log;
  if (error.empty()) error = "the file is empty";
  return std::nullopt;
}

Places tablePlaces(const loctable::Cells& cells) {
  Places places;
  for (int row = 0; row < loctable::kRows; ++row) {
    if (addPlace(places, cellDegrees(cells.cell(row, 1), 90), cellDegrees(cells.cell(row, 2), 180)))
      places.names.push_back(cells.cell(row, 0));
  }
  return places;
}

}  // namespace track

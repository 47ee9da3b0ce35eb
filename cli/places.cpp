#include "cli/places.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string_view>

#include "loctable/cell_store.h"
#include "loctable/table_file.h"
#include "records/numeric.h"
#include "records/safe_file.h"

namespace cli {

namespace {

std::optional<double> decimal(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  // "nan" and "inf" read as numbers here; no position is either.
  if (error != std::errc() || stop != end || text.empty() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// The fields of one CSV line; quotes around a field are taken off.
std::vector<std::string> csvFields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// Two digits, "07"; nothing for anything else ("-5", " 7", "7").
std::optional<int> twoDigits(std::string_view text) {
  if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
    return std::nullopt;
  return (text[0] - '0') * 10 + (text[1] - '0');
}

// "15/03/24" gives {15, 3, 24}: three groups of two digits between the separators.
std::optional<std::array<int, 3>> groups(const std::string& text, char separator) {
  if (text.size() != 8 || text[2] != separator || text[5] != separator) return std::nullopt;
  const auto a = twoDigits(std::string_view(text).substr(0, 2));
  const auto b = twoDigits(std::string_view(text).substr(3, 2));
  const auto c = twoDigits(std::string_view(text).substr(6, 2));
  if (!a || !b || !c) return std::nullopt;
  return std::array<int, 3>{*a, *b, *c};
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// "15/03/24" and "07:58:30" as the unit writes them (day, month, two-digit year; GPS time);
// empty for a date or time that does not exist, which readers of the exports would drop.
std::string isoTime(const std::string& date, const std::string& time) {
  const auto d = groups(date, '/');
  const auto t = groups(time, ':');
  if (!d || !t) return {};
  const auto [day, month, shortYear] = *d;
  const auto [hour, minute, second] = *t;
  const int year = 2000 + shortYear;
  // GPS time has no leap seconds: 60 is no second of it.
  if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59) {
    return {};
  }
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, hour, minute,
                second);
  return text;
}

void addLogLine(Places& places, std::string_view line) {
  const std::vector<std::string> f = csvFields(line);
  const auto latitude = f.size() == 8 ? logDegrees(f[2], f[3], 90) : std::nullopt;
  const auto longitude = f.size() == 8 ? logDegrees(f[4], f[5], 180) : std::nullopt;
  if (!latitude || !longitude) {
    ++places.skipped;
    return;
  }
  std::string time = isoTime(f[0], f[1]);
  if (time.empty()) ++places.untimed;
  places.points.push_back({*latitude, *longitude, {}, std::move(time)});
}

// A coordinate cell's degrees, read as the table download reads the cell, so that what is
// exported is what write-table sends; nothing for the empty marker or what is no number.
std::optional<double> cellDegrees(const std::string& text, double limit) {
  if (text == loctable::kEmptyMarker || !records::readsWhole(text)) return std::nullopt;
  const std::optional<double> value = records::readNumber(text);
  if (!value || std::fabs(*value) > limit) return std::nullopt;
  return value;
}

Places readTable(const std::string& bytes) {
  Places places;
  loctable::CellStore cells;
  loctable::applyTableText(cells, bytes);
  for (int row = 0; row < loctable::kRows; ++row) {
    const auto latitude = cellDegrees(cells.cell(row, 1), 90);
    const auto longitude = cellDegrees(cells.cell(row, 2), 180);
    if (!latitude || !longitude) {
      ++places.skipped;
      continue;
    }
    places.points.push_back({*latitude, *longitude, cells.cell(row, 0), {}});
  }
  return places;
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

std::string coordinate(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

std::string gpx(const Places& places) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"gpstracking-cli\" "
      "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
  auto point = [](const char* tag, const Place& p, const char* indent) {
    std::string text = std::string(indent) + "<" + tag + " lat=\"" + coordinate(p.latitude) +
                       "\" lon=\"" + coordinate(p.longitude) + "\">";
    if (!p.time.empty()) text += "<time>" + p.time + "</time>";
    if (!p.name.empty()) text += "<name>" + xmlEscaped(p.name) + "</name>";
    return text + "</" + tag + ">\n";
  };
  if (places.track) {
    out += "  <trk>\n    <name>GPS log</name>\n    <trkseg>\n";
    for (const Place& p : places.points) out += point("trkpt", p, "      ");
    out += "    </trkseg>\n  </trk>\n";
  } else {
    for (const Place& p : places.points) out += point("wpt", p, "  ");
  }
  return out + "</gpx>\n";
}

// KML and GeoJSON both give longitude first.
std::string lonLat(const Place& p, const char* separator) {
  return coordinate(p.longitude) + separator + coordinate(p.latitude);
}

std::string kml(const Places& places) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n";
  if (places.track) {
    out +=
        "    <Placemark>\n      <name>GPS log</name>\n      <LineString>\n"
        "        <tessellate>1</tessellate>\n        <coordinates>\n";
    for (const Place& p : places.points) out += "          " + lonLat(p, ",") + "\n";
    out += "        </coordinates>\n      </LineString>\n    </Placemark>\n";
  } else {
    for (const Place& p : places.points) {
      out += "    <Placemark><name>" + xmlEscaped(p.name) + "</name><Point><coordinates>" +
             lonLat(p, ",") + "</coordinates></Point></Placemark>\n";
    }
  }
  return out + "  </Document>\n</kml>\n";
}

std::string geoJson(const Places& places) {
  std::string out = "{\"type\":\"FeatureCollection\",\"features\":[";
  if (places.track) {
    std::string coordinates, times;
    for (const Place& p : places.points) {
      if (!coordinates.empty()) coordinates += ',', times += ',';
      coordinates += "[" + lonLat(p, ",") + "]";
      times += "\"" + p.time + "\"";
    }
    out += "\n{\"type\":\"Feature\",\"properties\":{\"name\":\"GPS log\",\"times\":[" + times +
           "]},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[" + coordinates + "]}}";
  } else {
    bool first = true;
    for (const Place& p : places.points) {
      out += first ? "\n" : ",\n";
      first = false;
      // An ID is the row's number, digits only; anything else is left out rather than escaped.
      std::string id;
      for (const char c : p.name) {
        if (c >= '0' && c <= '9') id += c;
      }
      out += "{\"type\":\"Feature\",\"properties\":{\"id\":\"" + id +
             "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" + lonLat(p, ",") + "]}}";
    }
  }
  return out + "\n]}\n";
}

}  // namespace

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Only ASCII goes out as it is; the files are UTF-8.
        if (static_cast<unsigned char>(c) >= 0x80) {
          out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::optional<double> logDegrees(const std::string& degreesAndMinutes, const std::string& letter,
                                 double limit) {
  const auto value = decimal(degreesAndMinutes);
  if (!value || *value < 0 || (letter != "N" && letter != "S" && letter != "E" && letter != "W"))
    return std::nullopt;
  const double degrees = std::floor(*value / 100);
  const double minutes = *value - degrees * 100;
  if (minutes >= 60 || degrees > limit) return std::nullopt;
  const double result = degrees + minutes / 60;
  if (result > limit) return std::nullopt;
  return letter == "S" || letter == "W" ? -result : result;
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
      const size_t fields = line.empty() ? 0 : csvFields(line).size();
      table = fields == 3;
      if (fields != 8) {
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
    if (bytes) return readTable(*bytes);
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

std::string exportPlaces(const Places& places, ExportFormat format) {
  switch (format) {
    case ExportFormat::Gpx:
      return gpx(places);
    case ExportFormat::Kml:
      return kml(places);
    case ExportFormat::GeoJson:
      return geoJson(places);
  }
  return {};
}

}  // namespace cli

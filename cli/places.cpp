#include "cli/places.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "loctable/cell_store.h"
#include "loctable/table_file.h"

namespace cli {

namespace {

std::optional<double> decimal(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

// The fields of one CSV line; quotes around a field are taken off.
std::vector<std::string> csvFields(const std::string& line) {
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

std::vector<std::string> lines(const std::string& bytes) {
  std::vector<std::string> all;
  size_t from = 0;
  while (from < bytes.size()) {
    size_t end = bytes.find('\n', from);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) all.push_back(line);
    from = end + 1;
  }
  return all;
}

// "15/03/24" and "07:58:30" as the unit writes them (day, month, two-digit year; GPS time).
std::string isoTime(const std::string& date, const std::string& time) {
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  char rest = 0;
  if (std::sscanf(date.c_str(), "%2d/%2d/%2d%c", &day, &month, &year, &rest) != 3 ||
      std::sscanf(time.c_str(), "%2d:%2d:%2d%c", &hour, &minute, &second, &rest) != 3 ||
      month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
    return {};
  }
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", 2000 + year, month, day, hour,
                minute, second);
  return text;
}

Places readLog(const std::vector<std::string>& all) {
  Places places;
  places.track = true;
  for (const std::string& line : all) {
    const std::vector<std::string> f = csvFields(line);
    const auto latitude = f.size() == 8 ? logDegrees(f[2], f[3], 90) : std::nullopt;
    const auto longitude = f.size() == 8 ? logDegrees(f[4], f[5], 180) : std::nullopt;
    if (!latitude || !longitude) {
      ++places.skipped;
      continue;
    }
    places.points.push_back({*latitude, *longitude, {}, isoTime(f[0], f[1])});
  }
  return places;
}

Places readTable(const std::string& bytes) {
  Places places;
  loctable::CellStore cells;
  loctable::applyTableText(cells, bytes);
  for (int row = 0; row < loctable::kRows; ++row) {
    const std::string lat = cells.cell(row, 1), lon = cells.cell(row, 2);
    const auto latitude = decimal(lat), longitude = decimal(lon);
    if (lat == loctable::kEmptyMarker || lon == loctable::kEmptyMarker || !latitude || !longitude ||
        std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180) {
      ++places.skipped;
      continue;
    }
    places.points.push_back({*latitude, *longitude, cells.cell(row, 0), {}});
  }
  return places;
}

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

std::optional<Places> readPlaces(const std::string& bytes, std::string& error) {
  const std::vector<std::string> all = lines(bytes);
  if (all.empty()) {
    error = "the file is empty";
    return std::nullopt;
  }
  const size_t fields = csvFields(all.front()).size();
  if (fields == 8) return readLog(all);
  if (fields == 3) return readTable(bytes);
  error = "neither a GPS log (8 fields a line) nor a GPS table file (3 fields a line)";
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

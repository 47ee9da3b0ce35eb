#include "track/exports.h"

#include <cstdio>

#include "track/text_writer.h"

namespace track {

namespace {

// The namespace of the two values in GPX extensions.
constexpr const char* kValuesNamespace = "urn:gpstracking:log-values";
std::string coordinate(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

// A value as the log writes it, with one decimal.
std::string oneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// A value in JSON: null where the line held none.
std::string jsonValue(double value) {
  return hasValue(value) ? oneDecimal(value) : "null";
}

void gpxPoint(TextWriter& out, const char* tag, const Place& p, const std::string& name,
              const char* indent) {
  out << indent << "<" << tag << " lat=\"" << coordinate(p.latitude) << "\" lon=\""
      << coordinate(p.longitude) << "\">";
  if (p.seconds != kNoTime) out << "<time>" << isoTime(p) << "</time>";
  if (!name.empty()) out << "<name>" << xmlEscaped(name) << "</name>";
  if (hasValue(p.value1) || hasValue(p.value2)) {
    out << "<extensions>";
    if (hasValue(p.value1)) out << "<log:value1>" << oneDecimal(p.value1) << "</log:value1>";
    if (hasValue(p.value2)) out << "<log:value2>" << oneDecimal(p.value2) << "</log:value2>";
    out << "</extensions>";
  }
  out << "</" << tag << ">\n";
}

void gpx(TextWriter& out, const Places& places, const std::string& creator) {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\""
      << xmlEscaped(creator) << "\" xmlns=\"http://www.topografix.com/GPX/1/1\"";
  if (places.track) out << " xmlns:log=\"" << kValuesNamespace << "\"";
  out << ">\n";
  if (places.track) {
    out << "  <trk>\n    <name>GPS log</name>\n    <trkseg>\n";
    for (const Place& p : places.points) {
      if (!out) return;
      gpxPoint(out, "trkpt", p, {}, "      ");
    }
    out << "    </trkseg>\n  </trk>\n";
  } else {
    for (std::size_t i = 0; i < places.points.size(); ++i)
      gpxPoint(out, "wpt", places.points[i], places.name(i), "  ");
  }
  out << "</gpx>\n";
}

// KML and GeoJSON both give longitude first.
std::string lonLat(const Place& p) {
  return coordinate(p.longitude) + "," + coordinate(p.latitude);
}

void kml(TextWriter& out, const Places& places) {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n";
  if (places.track) {
    // The line for the eye, then each position with its time and values. A line takes two
    // positions at least: one position is its Point alone.
    if (places.points.size() > 1) {
      out << "    <Placemark>\n      <name>GPS log</name>\n      <LineString>\n"
             "        <tessellate>1</tessellate>\n        <coordinates>\n";
      for (const Place& p : places.points) {
        if (!out) return;
        out << "          " << lonLat(p) << "\n";
      }
      out << "        </coordinates>\n      </LineString>\n    </Placemark>\n";
    }
    out << "    <Folder>\n      <name>Positions</name>\n";
    for (const Place& p : places.points) {
      if (!out) return;
      out << "      <Placemark>";
      if (p.seconds != kNoTime) out << "<TimeStamp><when>" << isoTime(p) << "</when></TimeStamp>";
      if (hasValue(p.value1) || hasValue(p.value2)) {
        out << "<ExtendedData>";
        if (hasValue(p.value1))
          out << "<Data name=\"value1\"><value>" << oneDecimal(p.value1) << "</value></Data>";
        if (hasValue(p.value2))
          out << "<Data name=\"value2\"><value>" << oneDecimal(p.value2) << "</value></Data>";
        out << "</ExtendedData>";
      }
      out << "<Point><coordinates>" << lonLat(p) << "</coordinates></Point></Placemark>\n";
    }
    out << "    </Folder>\n";
  } else {
    for (std::size_t i = 0; i < places.points.size(); ++i) {
      out << "    <Placemark><name>" << xmlEscaped(places.name(i)) << "</name><Point><coordinates>"
          << lonLat(places.points[i]) << "</coordinates></Point></Placemark>\n";
    }
  }
  out << "  </Document>\n</kml>\n";
}

// A track of one position is a Point with its time and values; a longer one is a LineString
// whose properties run beside its coordinates, one entry a position, null where the line held no
// value.
void geoJsonTrack(TextWriter& out, const Points& points) {
  out << "\n{\"type\":\"Feature\",\"properties\":{\"name\":\"GPS log\",";
  if (points.size() == 1) {
    const Place& p = points.front();
    out << "\"time\":\"" << isoTime(p) << "\",\"value1\":" << jsonValue(p.value1)
        << ",\"value2\":" << jsonValue(p.value2)
        << "},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" << lonLat(p) << "]}}";
    return;
  }
  // One property's entries, or the coordinates, a position each.
  auto each = [&](const char* opening, auto entry) {
    out << opening;
    const char* comma = "";
    for (const Place& p : points) {
      if (!out) return;
      out << comma;
      entry(p);
      comma = ",";
    }
    out << "]";
  };
  each("\"times\":[", [&](const Place& p) { out << "\"" << isoTime(p) << "\""; });
  each(",\"value1\":[", [&](const Place& p) { out << jsonValue(p.value1); });
  each(",\"value2\":[", [&](const Place& p) { out << jsonValue(p.value2); });
  each("},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[",
       [&](const Place& p) { out << "[" << lonLat(p) << "]"; });
  out << "}}";
}

void geoJson(TextWriter& out, const Places& places) {
  out << "{\"type\":\"FeatureCollection\",\"features\":[";
  if (places.track) {
    geoJsonTrack(out, places.points);
  } else {
    for (std::size_t i = 0; i < places.points.size(); ++i) {
      out << (i == 0 ? "\n" : ",\n");
      // An ID is the row's number, digits only; anything else is left out rather than escaped.
      std::string id;
      for (const char c : places.name(i)) {
        if (c >= '0' && c <= '9') id += c;
      }
      out << "{\"type\":\"Feature\",\"properties\":{\"id\":\"" << id
          << "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" << lonLat(places.points[i])
          << "]}}";
    }
  }
  out << "\n]}\n";
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

bool exportable(const Places& places, ExportFormat format) {
  return !(format == ExportFormat::GeoJson && places.track && places.points.empty());
}

bool writePlaces(const Places& places, ExportFormat format, const Sink& sink,
                 const std::string& creator) {
  TextWriter out(sink);
  switch (format) {
    case ExportFormat::Gpx:
      gpx(out, places, creator);
      break;
    case ExportFormat::Kml:
      kml(out, places);
      break;
    case ExportFormat::GeoJson:
      geoJson(out, places);
      break;
  }
  return out.flush();
}

}  // namespace track

#include "track/exports.h"

#include <cstdio>

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

std::string gpx(const Places& places, const std::string& creator) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"" +
                    xmlEscaped(creator) + "\" xmlns=\"http://www.topografix.com/GPX/1/1\"";
  if (places.track) out += std::string(" xmlns:log=\"") + kValuesNamespace + "\"";
  out += ">\n";
  auto point = [](const char* tag, const Place& p, const char* indent) {
    std::string text = std::string(indent) + "<" + tag + " lat=\"" + coordinate(p.latitude) +
                       "\" lon=\"" + coordinate(p.longitude) + "\">";
    if (!p.time.empty()) text += "<time>" + p.time + "</time>";
    if (!p.name.empty()) text += "<name>" + xmlEscaped(p.name) + "</name>";
    if (p.value1 || p.value2) {
      text += "<extensions>";
      if (p.value1) text += "<log:value1>" + oneDecimal(*p.value1) + "</log:value1>";
      if (p.value2) text += "<log:value2>" + oneDecimal(*p.value2) + "</log:value2>";
      text += "</extensions>";
    }
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
std::string lonLat(const Place& p) {
  return coordinate(p.longitude) + "," + coordinate(p.latitude);
}

std::string kml(const Places& places) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n";
  if (places.track) {
    // The line for the eye, then each position with its time and values.
    out +=
        "    <Placemark>\n      <name>GPS log</name>\n      <LineString>\n"
        "        <tessellate>1</tessellate>\n        <coordinates>\n";
    for (const Place& p : places.points) out += "          " + lonLat(p) + "\n";
    out += "        </coordinates>\n      </LineString>\n    </Placemark>\n";
    out += "    <Folder>\n      <name>Positions</name>\n";
    for (const Place& p : places.points) {
      out += "      <Placemark>";
      if (!p.time.empty()) out += "<TimeStamp><when>" + p.time + "</when></TimeStamp>";
      if (p.value1 || p.value2) {
        out += "<ExtendedData>";
        if (p.value1)
          out += "<Data name=\"value1\"><value>" + oneDecimal(*p.value1) + "</value></Data>";
        if (p.value2)
          out += "<Data name=\"value2\"><value>" + oneDecimal(*p.value2) + "</value></Data>";
        out += "</ExtendedData>";
      }
      out += "<Point><coordinates>" + lonLat(p) + "</coordinates></Point></Placemark>\n";
    }
    out += "    </Folder>\n";
  } else {
    for (const Place& p : places.points) {
      out += "    <Placemark><name>" + xmlEscaped(p.name) + "</name><Point><coordinates>" +
             lonLat(p) + "</coordinates></Point></Placemark>\n";
    }
  }
  return out + "  </Document>\n</kml>\n";
}

std::string geoJson(const Places& places) {
  std::string out = "{\"type\":\"FeatureCollection\",\"features\":[";
  if (places.track) {
    // One line whose properties run beside its coordinates, one entry a position; null where
    // the line held no value.
    std::string coordinates, times, values1, values2;
    auto value = [](const std::optional<double>& v) { return v ? oneDecimal(*v) : "null"; };
    for (const Place& p : places.points) {
      if (!coordinates.empty()) coordinates += ',', times += ',', values1 += ',', values2 += ',';
      coordinates += "[" + lonLat(p) + "]";
      times += "\"" + p.time + "\"";
      values1 += value(p.value1);
      values2 += value(p.value2);
    }
    out += "\n{\"type\":\"Feature\",\"properties\":{\"name\":\"GPS log\",\"times\":[" + times +
           "],\"value1\":[" + values1 + "],\"value2\":[" + values2 +
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
             "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" + lonLat(p) + "]}}";
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

std::string exportPlaces(const Places& places, ExportFormat format, const std::string& creator) {
  switch (format) {
    case ExportFormat::Gpx:
      return gpx(places, creator);
    case ExportFormat::Kml:
      return kml(places);
    case ExportFormat::GeoJson:
      return geoJson(places);
  }
  return {};
}

}  // namespace track

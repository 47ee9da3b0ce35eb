#pragma once
// Positions read from a GPS log file (a track) or a GPS table file (fixed locations), in signed
// decimal degrees, and written out as GPX 1.1, KML 2.2 or GeoJSON (RFC 7946).
//
// The conversions:
// - A log line holds the latitude as ddmm.mmmm and the longitude as dddmm.mmmm (whole degrees,
//   then minutes with four decimals) and a letter for each: degrees + minutes / 60, negative
//   for "S" and "W". A line without its letters (before the unit's first valid hemisphere
//   code), with minutes of 60 or more or with degrees beyond 90 or 180 is skipped.
// - A table cell already holds decimal degrees, as the table's editor shows them; a row whose
//   latitude or longitude is the empty marker "255" (or no number) holds no location and is
//   skipped.
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Place {
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive
  std::string name;      // a table row's ID; empty in a track
  std::string time;      // a track point's ISO 8601 time ("2024-03-15T07:58:30Z"); may be empty
};

struct Places {
  bool track = false;  // a GPS log: the points in order make one track
  std::vector<Place> points;
  int skipped = 0;  // lines or rows without a usable position
};

// One coordinate of a log line; nothing when it cannot be converted.
std::optional<double> logDegrees(const std::string& degreesAndMinutes, const std::string& letter,
                                 double limit);

// Reads a log or table file's bytes, telling them apart by their lines' fields (eight or
// three). Nothing, with the reason in `error`, for anything else.
std::optional<Places> readPlaces(const std::string& bytes, std::string& error);

// A Latin-1 text for an XML file written in UTF-8: markup characters escaped, the rest of
// Latin-1 as character references.
std::string xmlEscaped(const std::string& text);

enum class ExportFormat { Gpx, Kml, GeoJson };
std::string exportPlaces(const Places& places, ExportFormat format);

}  // namespace cli

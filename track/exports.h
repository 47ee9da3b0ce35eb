#pragma once
// Positions written out as GPX 1.1, KML 2.2 or GeoJSON (RFC 7946). A track keeps what each log
// line holds: its time (ISO 8601, UTC) and its two values, named value1 and value2 because the
// unit defines what they mean.
#include <string>

#include "track/places.h"

namespace track {

// A Latin-1 text for an XML file written in UTF-8: markup characters escaped, the rest of
// Latin-1 as character references.
std::string xmlEscaped(const std::string& text);

enum class ExportFormat { Gpx, Kml, GeoJson };
// `creator` names the program in a GPX file.
std::string exportPlaces(const Places& places, ExportFormat format,
                         const std::string& creator = "gpstracking-cli");

}  // namespace track

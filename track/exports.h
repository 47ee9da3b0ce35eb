#pragma once
// Positions written out as GPX 1.1, KML 2.2 or GeoJSON (RFC 7946). A track keeps what each log
// line holds: its time (ISO 8601, UTC) and its two values, named value1 and value2 because the
// unit defines what they mean. The text is handed on in pieces as it is made, never held whole:
// a million positions make several hundred megabytes of it.
#include <functional>
#include <string>
#include <string_view>

#include "track/places.h"

namespace track {

// A Latin-1 text for an XML file written in UTF-8: markup characters escaped, the rest of
// Latin-1 as character references.
std::string xmlEscaped(const std::string& text);

// Takes the next piece of a text being written; false when it cannot, which stops the writing.
using Sink = std::function<bool(std::string_view piece)>;

enum class ExportFormat { Gpx, Kml, GeoJson };

// Whether the format can hold the places: a GeoJSON track needs a position for its geometry (one
// is a Point, two or more a LineString).
bool exportable(const Places& places, ExportFormat format);

// Writes the places in the format into `sink`; false when the sink refused a piece. `creator`
// names the program in a GPX file.
bool writePlaces(const Places& places, ExportFormat format, const Sink& sink,
                 const std::string& creator = "gpstracking-cli");

}  // namespace track

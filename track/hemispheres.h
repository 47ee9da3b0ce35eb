#pragma once
// Where the table's locations and the GEO fencing area are drawn, for the track window and the
// command line's pictures alike. A table cell holds degrees without a hemisphere: its locations
// are drawn in the hemispheres of the log beside them (or, without a log, of the quadrant the
// technician chose). The GEO fencing area has a hemisphere list for each corner.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/fields.h"
#include "track/places.h"

namespace track {

// The way latitudes and longitudes count: +1 north or east, -1 south or west.
struct Hemispheres {
  int latitude = 1;
  int longitude = 1;
  bool operator==(const Hemispheres&) const = default;
};

// The hemispheres a log lies in, by the sums of its positions' degrees; north and east for a log
// without a position.
Hemispheres hemispheresOf(const Places& log);
// "N, E", "S, W".
std::string hemisphereNames(Hemispheres hemispheres);
// The table's locations put into the hemispheres.
void placeIn(Places& table, Hemispheres hemispheres);

// A configuration's GEO fencing area: its corners in signed degrees (LAT1 with LONG1, LAT1 with
// LONG2, LAT2 with LONG2, LAT2 with LONG1), its name with its activation, and the hemispheres
// its corners lie in. Nothing unless all four corners are numbers within 90 and 180.
struct Area {
  std::vector<std::pair<double, double>> corners;
  std::string label;
  Hemispheres hemispheres;
};
std::optional<Area> geoFencingArea(const config::Fields& configuration);

}  // namespace track

#pragma once
// A picture of a GPS log's track: the track as a line, its start and end marked, the GPS
// table's locations as labelled points, and a scale bar; as SVG text or a PNG image.
#include <string>
#include <utility>
#include <vector>

#include "cli/places.h"

namespace cli {

// The picture in pixels, north up, before it is drawn.
struct Scene {
  using Point = std::pair<double, double>;  // x to the right, y down
  int width = 1000;
  int height = 750;
  std::vector<Point> track;
  std::vector<std::pair<Point, std::string>> locations;
  double scalePixels = 0;  // the scale bar's length
  std::string scaleLabel;  // "500 m", "2 km"
};

// Fits the track into the picture (the locations when there is no track): an equirectangular
// projection about the middle latitude, the same scale in both directions. Locations outside the
// picture are left out, so that a table covering a whole country does not shrink the track to
// a dot.
Scene layOut(const Places& track, const Places& locations, int width = 1000, int height = 750);

std::string svgPicture(const Scene& scene);
// The bytes of a PNG file; needs a QGuiApplication for the lettering. Empty when it cannot be
// made.
std::string pngPicture(const Scene& scene);

}  // namespace cli

#pragma once
// A picture of a GPS log's track, north up: the track as a line, its start and end marked, the
// GPS table's locations as labelled points, a scale bar; in the window also a grid of degrees,
// the GEO fencing area, a note and the marked position. Laid out here in plain C++ as a Scene
// in pixels; written as SVG text here, painted with Qt (painting/painting.h).
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "track/exports.h"
#include "track/places.h"

namespace track {

using Point = std::pair<double, double>;  // pixels: x to the right, y down

// An equirectangular projection: degrees of longitude shortened by the cosine of a reference
// latitude, the same scale in both directions, (centreLat, centreLon) at pixel (x, y).
struct Projection {
  double centreLat = 0, centreLon = 0;
  double x = 0, y = 0;
  double cosine = 1;  // of the reference latitude
  double pixelsPerMetre = 1;
  Point toPixel(double latitude, double longitude) const;
  std::pair<double, double> toDegrees(const Point& pixel) const;  // latitude, longitude
  // Moves the picture by (dx, dy) pixels; scales it by `factor` about `pixel`.
  void pan(double dx, double dy);
  void zoom(double factor, const Point& pixel);
};

inline constexpr double kMetresPerDegree = 111320.0;

// The picture's colours, the same in SVG and painted.
inline constexpr const char* kTrackColour = "#1f5fbf";
inline constexpr const char* kStartColour = "#10a010";
inline constexpr const char* kEndColour = "#c01010";
inline constexpr const char* kLocationColour = "#d07000";
inline constexpr const char* kAreaColour = "#8020a0";
inline constexpr int kMargin = 40;

// The degrees a picture has to show.
struct Extent {
  double south = 90, north = -90, west = 180, east = -180;
  void add(double latitude, double longitude);
  bool empty() const { return south > north; }
};
Extent extentOf(const Points& points);

// The smallest projection that shows all of `extent` in the area (left, top, width, height).
Projection fit(const Extent& extent, double left, double top, double width, double height);

struct GridLine {
  Point from, to;
  std::string label;  // "51.50° N"
};

struct Scene {
  int width = 1000;
  int height = 750;
  // The track in pieces of polyline: a piece ends where the line leaves the picture.
  std::vector<std::vector<Point>> track;
  std::optional<Point> start, end;
  std::vector<std::pair<Point, std::string>> locations;
  int locationsOutside = 0;  // table locations that fall outside the picture
  double scalePixels = 0;    // the scale bar's length
  std::string scaleLabel;    // "500 m", "2 km"
  // The window's additions; the command line's pictures leave them empty.
  std::vector<GridLine> grid;
  std::vector<Point> area;  // the GEO fencing rectangle's corners
  std::string areaLabel;
  std::string note;  // a line at the picture's top
  bool northArrow = false;
  std::optional<Point> marked;
  std::vector<Point> warnings;
  int footer = 40;  // the strip at the bottom that holds the scale bar
};

// What a Scene shows, in degrees.
struct Content {
  const Places* track = nullptr;
  const Places* locations = nullptr;
  std::vector<std::pair<double, double>> area;  // corners, latitude and longitude
  std::string areaLabel;
  std::string note;
  int marked = -1;  // an index into the track's points
  std::vector<int> warnings;
};

struct SceneOptions {
  // Points closer than a pixel to the last one drawn are left out, and segments outside the
  // picture: the window's frames with a hundred thousand positions. The command line's
  // pictures keep every point.
  bool thin = false;
  bool grid = false;
};

Scene sceneOf(const Content& content, const Projection& projection, int width, int height,
              int footer, SceneOptions options);

// The command line's picture: fits the track into the picture (the locations when there is no
// track). Locations outside the picture are left out and counted, so that a table covering a
// whole country does not shrink the track to a dot.
Scene layOut(const Places& track, const Places& locations, int width = 1000, int height = 750);

// The picture as SVG, written into `sink` as it is made; false when the sink refused a piece.
bool writeSvg(const Scene& scene, const Sink& sink);

// "51.50° N" as UTF-8, with the decimals the grid's step needs.
std::string degreesLabel(double value, bool latitude, int decimals);

}  // namespace track

#include "track/picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "track/exports.h"
#include "track/text_writer.h"

namespace track {

namespace {

constexpr double kSmallestSpan = 200.0;  // metres, so that a single point gets a sensible scale
// Thinned points are at least this far apart, in pixels: under a 2-pixel line the eye sees no
// step of 1.5, and a whole track of 100,000 positions then paints in about half the time.
constexpr double kThinning = 1.5;
// Grid lines are at least this far apart, in pixels; no more than this many each way.
constexpr double kGridSpacing = 90.0;
constexpr int kMostGridLines = 60;

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// The longest of 1, 2 or 5 times a power of ten that is not above `value`.
double roundDown(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= value) return step * power;
  }
  return power;
}

// The shortest of 1, 2 or 5 times a power of ten that is not below `value`.
double roundUp(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {1.0, 2.0, 5.0, 10.0}) {
    if (step * power >= value) return step * power;
  }
  return 10 * power;
}

double cosineOf(double latitude) {
  // Near a pole a degree of longitude is nothing; a floor keeps the projection finite.
  return std::max(std::cos(latitude * std::numbers::pi / 180), 0.01);
}

void addGrid(Scene& scene, const Projection& projection, double mapHeight) {
  const auto [north, west] = projection.toDegrees({0, 0});
  const auto [south, east] = projection.toDegrees({double(scene.width), mapHeight});
  const double latStep = roundUp(kGridSpacing / (kMetresPerDegree * projection.pixelsPerMetre));
  const double lonStep =
      roundUp(kGridSpacing / (kMetresPerDegree * projection.cosine * projection.pixelsPerMetre));
  auto decimals = [](double step) { return std::max(0, int(std::ceil(-std::log10(step) - 1e-9))); };
  if ((north - south) / latStep > kMostGridLines || (east - west) / lonStep > kMostGridLines)
    return;
  for (double lat = std::ceil(std::max(south, -90.0) / latStep) * latStep;
       lat <= std::min(north, 90.0); lat += latStep) {
    const double y = projection.toPixel(lat, 0).second;
    scene.grid.push_back(
        {{0, y}, {double(scene.width), y}, degreesLabel(lat, true, decimals(latStep))});
  }
  for (double lon = std::ceil(west / lonStep) * lonStep; lon <= east; lon += lonStep) {
    if (lon < -180 || lon > 180) continue;
    const double x = projection.toPixel(0, lon).first;
    scene.grid.push_back({{x, 0}, {x, mapHeight}, degreesLabel(lon, false, decimals(lonStep))});
  }
}

bool closerThanThinning(const Point& a, const Point& b) {
  return std::abs(a.first - b.first) < kThinning && std::abs(a.second - b.second) < kThinning;
}

// The track's pieces. Thinned: a point closer than kThinning to the last one kept is left out
// unless it ends a piece, and a segment wholly outside the picture ends its piece.
void addTrack(Scene& scene, const Points& points, const Projection& projection, bool thin) {
  if (points.empty()) return;
  if (!thin) {
    auto& piece = scene.track.emplace_back();
    piece.reserve(points.size());
    for (const Place& p : points) piece.push_back(projection.toPixel(p.latitude, p.longitude));
    if (piece.size() < 2) scene.track.clear();
    return;
  }
  const double left = -kMargin, top = -kMargin, right = scene.width + kMargin,
               bottom = scene.height + kMargin;
  std::vector<Point>* piece = nullptr;
  Point previous = projection.toPixel(points[0].latitude, points[0].longitude);
  for (std::size_t i = 1; i < points.size(); ++i) {
    const Point at = projection.toPixel(points[i].latitude, points[i].longitude);
    const bool outside =
        std::max(previous.first, at.first) < left || std::min(previous.first, at.first) > right ||
        std::max(previous.second, at.second) < top || std::min(previous.second, at.second) > bottom;
    if (outside) {
      if (piece && piece->back() != previous) piece->push_back(previous);
      piece = nullptr;
    } else {
      if (!piece) {
        piece = &scene.track.emplace_back();
        piece->push_back(previous);
      }
      if (!closerThanThinning(piece->back(), at)) piece->push_back(at);
    }
    previous = at;
  }
  if (piece && piece->back() != previous) piece->push_back(previous);
}

}  // namespace

Point Projection::toPixel(double latitude, double longitude) const {
  return {x + (longitude - centreLon) * kMetresPerDegree * cosine * pixelsPerMetre,
          y - (latitude - centreLat) * kMetresPerDegree * pixelsPerMetre};
}

std::pair<double, double> Projection::toDegrees(const Point& pixel) const {
  return {centreLat - (pixel.second - y) / (kMetresPerDegree * pixelsPerMetre),
          centreLon + (pixel.first - x) / (kMetresPerDegree * cosine * pixelsPerMetre)};
}

void Projection::pan(double dx, double dy) {
  x += dx;
  y += dy;
}

void Projection::zoom(double factor, const Point& pixel) {
  x = pixel.first + (x - pixel.first) * factor;
  y = pixel.second + (y - pixel.second) * factor;
  pixelsPerMetre *= factor;
}

void Extent::add(double latitude, double longitude) {
  south = std::min(south, latitude);
  north = std::max(north, latitude);
  west = std::min(west, longitude);
  east = std::max(east, longitude);
}

Extent extentOf(const Points& points) {
  Extent extent;
  for (const Place& p : points) extent.add(p.latitude, p.longitude);
  return extent;
}

Projection fit(const Extent& extent, double left, double top, double width, double height) {
  Projection projection;
  projection.x = left + width / 2;
  projection.y = top + height / 2;
  if (extent.empty()) return projection;
  projection.centreLat = (extent.south + extent.north) / 2;
  projection.centreLon = (extent.west + extent.east) / 2;
  projection.cosine = cosineOf(projection.centreLat);
  const double spanX =
      std::max((extent.east - extent.west) * kMetresPerDegree * projection.cosine, kSmallestSpan);
  const double spanY = std::max((extent.north - extent.south) * kMetresPerDegree, kSmallestSpan);
  projection.pixelsPerMetre = std::min(width / spanX, height / spanY);
  return projection;
}

Scene sceneOf(const Content& content, const Projection& projection, int width, int height,
              int footer, SceneOptions options) {
  Scene scene;
  scene.width = width;
  scene.height = height;
  scene.footer = footer;
  const double mapHeight = height - footer;
  auto pixel = [&](const Place& p) { return projection.toPixel(p.latitude, p.longitude); };
  auto inside = [&](const Point& at) {
    return at.first >= 0 && at.first <= width && at.second >= 0 && at.second <= mapHeight;
  };
  if (options.grid) addGrid(scene, projection, mapHeight);
  if (content.track) {
    const Points& points = content.track->points;
    addTrack(scene, points, projection, options.thin);
    if (!points.empty()) {
      const Point start = pixel(points.front()), end = pixel(points.back());
      if (!options.thin || inside(start)) scene.start = start;
      if (!options.thin || inside(end)) scene.end = end;
    }
    if (content.marked >= 0 && content.marked < int(points.size()))
      scene.marked = pixel(points[content.marked]);
    for (const int i : content.warnings) {
      if (i < 0 || i >= int(points.size())) continue;
      const Point at = pixel(points[i]);
      // Thinned: a cross outside the picture, or closer than kThinning to the last one kept, is
      // left out; a million bad positions at 0,0 are one cross, not a million painted over it.
      const bool away = at.first < -kMargin || at.first > width + kMargin || at.second < -kMargin ||
                        at.second > mapHeight + kMargin;
      if (options.thin &&
          (away || (!scene.warnings.empty() && closerThanThinning(scene.warnings.back(), at)))) {
        continue;
      }
      scene.warnings.push_back(at);
    }
  }
  if (content.locations) {
    const Places& locations = *content.locations;
    for (std::size_t i = 0; i < locations.points.size(); ++i) {
      const Point at = pixel(locations.points[i]);
      if (inside(at)) {
        scene.locations.emplace_back(at, locations.name(i));
      } else {
        ++scene.locationsOutside;
      }
    }
  }
  for (const auto& [latitude, longitude] : content.area)
    scene.area.push_back(projection.toPixel(latitude, longitude));
  scene.areaLabel = content.areaLabel;
  scene.note = content.note;

  const double metres = roundDown((width - 2 * kMargin) / 4.0 / projection.pixelsPerMetre);
  scene.scalePixels = metres * projection.pixelsPerMetre;
  char label[32];
  if (metres >= 1000) {
    std::snprintf(label, sizeof label, "%g km", metres / 1000);
  } else {
    std::snprintf(label, sizeof label, "%g m", metres);
  }
  scene.scaleLabel = label;
  return scene;
}

Scene layOut(const Places& track, const Places& locations, int width, int height) {
  const Projection projection =
      fit(extentOf(track.points.empty() ? locations.points : track.points), kMargin, kMargin,
          width - 2 * kMargin, height - 2 * kMargin - kMargin);
  Content content;
  content.track = &track;
  content.locations = &locations;
  return sceneOf(content, projection, width, height, kMargin, {});
}

std::string degreesLabel(double value, bool latitude, int decimals) {
  char text[48];
  const char* hemisphere = latitude ? (value < 0 ? "S" : "N") : (value < 0 ? "W" : "E");
  if (std::abs(value) < 1e-9) hemisphere = "";
  std::snprintf(text, sizeof text, "%.*f\u00b0 %s", decimals, std::abs(value), hemisphere);
  std::string label = text;
  if (label.ends_with(' ')) label.pop_back();
  return label;
}

bool writeSvg(const Scene& scene, const Sink& sink) {
  TextWriter out(sink);
  const std::string w = std::to_string(scene.width), h = std::to_string(scene.height);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "width=\""
      << w << "\" height=\"" << h << "\" viewBox=\"0 0 " << w << " " << h << "\">\n";
  out << "<rect width=\"" << w << "\" height=\"" << h << "\" fill=\"white\"/>\n";
  out << "<g font-family=\"sans-serif\" font-size=\"12\">\n";
  for (const std::vector<Point>& piece : scene.track) {
    out << "<polyline fill=\"none\" stroke=\"" << kTrackColour
        << "\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"";
    const char* space = "";
    for (const auto& [x, y] : piece) {
      if (!out) return false;
      out << space << number(x) << "," << number(y);
      space = " ";
    }
    out << "\"/>\n";
  }
  for (const auto& [at, name] : scene.locations) {
    out << "<circle class=\"location\" cx=\"" << number(at.first) << "\" cy=\"" << number(at.second)
        << "\" r=\"4\" fill=\"" << kLocationColour << "\"/>";
    out << "<text x=\"" << number(at.first + 6) << "\" y=\"" << number(at.second - 4) << "\">"
        << xmlEscaped(name) << "</text>\n";
  }
  if (scene.start) {
    const auto [sx, sy] = *scene.start;
    out << "<circle class=\"start\" cx=\"" << number(sx) << "\" cy=\"" << number(sy)
        << "\" r=\"7\" fill=\"" << kStartColour << "\"/><text x=\"" << number(sx + 9) << "\" y=\""
        << number(sy + 4) << "\">Start</text>\n";
  }
  if (scene.end) {
    const auto [ex, ey] = *scene.end;
    out << "<rect class=\"end\" x=\"" << number(ex - 6) << "\" y=\"" << number(ey - 6)
        << "\" width=\"12\" height=\"12\" fill=\"" << kEndColour << "\"/><text x=\""
        << number(ex + 9) << "\" y=\"" << number(ey + 4) << "\">End</text>\n";
  }
  const double y = scene.height - scene.footer / 2.0 - 10;
  out << "<path class=\"scale\" d=\"M" << number(kMargin) << "," << number(y - 5) << " v5 h"
      << number(scene.scalePixels) << " v-5\" fill=\"none\" stroke=\"black\" stroke-width=\"2\"/>";
  out << "<text x=\"" << number(kMargin + scene.scalePixels + 8) << "\" y=\"" << number(y + 4)
      << "\">" << scene.scaleLabel << "</text>\n";
  out << "</g>\n</svg>\n";
  return out.flush();
}

}  // namespace track

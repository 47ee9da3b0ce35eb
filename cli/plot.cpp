#include "cli/plot.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace cli {

namespace {

constexpr double kMetresPerDegree = 111320.0;
constexpr int kMargin = 40;
constexpr int kFooter = 40;              // below the map: the scale bar
constexpr double kSmallestSpan = 200.0;  // metres, so that a single point gets a sensible scale

// Pixels of track line drawn with smooth edges: about half a second.
constexpr double kSmoothedTrackLength = 10e6;

const char* const kTrackColour = "#1f5fbf";
const char* const kStartColour = "#10a010";
const char* const kEndColour = "#c01010";
const char* const kLocationColour = "#d07000";

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// The longest of 1, 2 or 5 times a power of ten that is not above `metres`.
double roundLength(double metres) {
  const double power = std::pow(10.0, std::floor(std::log10(metres)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= metres) return step * power;
  }
  return power;
}

}  // namespace

Scene layOut(const Places& track, const Places& locations, int width, int height) {
  Scene scene;
  scene.width = width;
  scene.height = height;
  std::vector<const Place*> all;
  for (const Place& p : track.points.empty() ? locations.points : track.points) all.push_back(&p);
  if (all.empty()) return scene;

  auto [south, north] = std::minmax_element(
      all.begin(), all.end(), [](auto a, auto b) { return a->latitude < b->latitude; });
  auto [west, east] = std::minmax_element(
      all.begin(), all.end(), [](auto a, auto b) { return a->longitude < b->longitude; });
  const double middle = ((*south)->latitude + (*north)->latitude) / 2;
  const double xPerDegree = kMetresPerDegree * std::cos(middle * std::numbers::pi / 180);
  const double spanX =
      std::max(((*east)->longitude - (*west)->longitude) * xPerDegree, kSmallestSpan);
  const double spanY =
      std::max(((*north)->latitude - (*south)->latitude) * kMetresPerDegree, kSmallestSpan);
  const double areaWidth = width - 2 * kMargin;
  const double areaHeight = height - 2 * kMargin - kFooter;
  const double pixelsPerMetre = std::min(areaWidth / spanX, areaHeight / spanY);
  // Centred in the map area.
  const double centreLon = ((*west)->longitude + (*east)->longitude) / 2;
  const double centreLat = middle;
  auto place = [&](const Place& p) -> Scene::Point {
    return {
        kMargin + areaWidth / 2 + (p.longitude - centreLon) * xPerDegree * pixelsPerMetre,
        kMargin + areaHeight / 2 - (p.latitude - centreLat) * kMetresPerDegree * pixelsPerMetre};
  };
  for (const Place& p : track.points) scene.track.push_back(place(p));
  for (const Place& p : locations.points) {
    const Scene::Point at = place(p);
    if (at.first >= 0 && at.first <= width && at.second >= 0 && at.second <= height - kFooter)
      scene.locations.emplace_back(at, p.name);
  }

  const double metres = roundLength(areaWidth / 4 / pixelsPerMetre);
  scene.scalePixels = metres * pixelsPerMetre;
  char label[32];
  if (metres >= 1000) {
    std::snprintf(label, sizeof label, "%g km", metres / 1000);
  } else {
    std::snprintf(label, sizeof label, "%g m", metres);
  }
  scene.scaleLabel = label;
  return scene;
}

std::string svgPicture(const Scene& scene) {
  const std::string w = std::to_string(scene.width), h = std::to_string(scene.height);
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "width=\"" +
      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n";
  out += "<rect width=\"" + w + "\" height=\"" + h + "\" fill=\"white\"/>\n";
  out += "<g font-family=\"sans-serif\" font-size=\"12\">\n";
  if (scene.track.size() > 1) {
    out += "<polyline fill=\"none\" stroke=\"" + std::string(kTrackColour) +
           "\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"";
    for (const auto& [x, y] : scene.track) out += number(x) + "," + number(y) + " ";
    out.back() = '"';
    out += "/>\n";
  }
  for (const auto& [at, name] : scene.locations) {
    out += "<circle class=\"location\" cx=\"" + number(at.first) + "\" cy=\"" + number(at.second) +
           "\" r=\"4\" fill=\"" + kLocationColour + "\"/>";
    out += "<text x=\"" + number(at.first + 6) + "\" y=\"" + number(at.second - 4) + "\">" +
           xmlEscaped(name) + "</text>\n";
  }
  if (!scene.track.empty()) {
    const auto [sx, sy] = scene.track.front();
    const auto [ex, ey] = scene.track.back();
    out += "<circle class=\"start\" cx=\"" + number(sx) + "\" cy=\"" + number(sy) +
           "\" r=\"7\" fill=\"" + kStartColour + "\"/><text x=\"" + number(sx + 9) + "\" y=\"" +
           number(sy + 4) + "\">Start</text>\n";
    out += "<rect class=\"end\" x=\"" + number(ex - 6) + "\" y=\"" + number(ey - 6) +
           "\" width=\"12\" height=\"12\" fill=\"" + kEndColour + "\"/><text x=\"" +
           number(ex + 9) + "\" y=\"" + number(ey + 4) + "\">End</text>\n";
  }
  const double y = scene.height - kMargin / 2.0 - 10;
  out += "<path class=\"scale\" d=\"M" + number(kMargin) + "," + number(y - 5) + " v5 h" +
         number(scene.scalePixels) + " v-5\" fill=\"none\" stroke=\"black\" stroke-width=\"2\"/>";
  out += "<text x=\"" + number(kMargin + scene.scalePixels + 8) + "\" y=\"" + number(y + 4) +
         "\">" + scene.scaleLabel + "</text>\n";
  out += "</g>\n</svg>\n";
  return out;
}

std::string pngPicture(const Scene& scene) {
  QImage image(scene.width, scene.height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font("sans-serif");
    font.setPixelSize(12);
    painter.setFont(font);
    auto at = [](const Scene::Point& p) { return QPointF(p.first, p.second); };
    // The track segment by segment: the stroker's time for one path grows far faster than its
    // length once the path crosses itself thousands of times (tens of seconds for 14,500
    // scattered positions), while a segment costs only its own length. Square caps close the
    // joins of a 2-pixel line. Edges are smoothed while the line is short enough to smooth in a
    // fraction of a second; a longer one covers the picture many times over, where smoothing
    // shows nothing and would take seconds.
    double length = 0;
    for (std::size_t i = 1; i < scene.track.size(); ++i) {
      length += std::hypot(scene.track[i].first - scene.track[i - 1].first,
                           scene.track[i].second - scene.track[i - 1].second);
    }
    painter.setRenderHint(QPainter::Antialiasing, length <= kSmoothedTrackLength);
    painter.setPen(QPen(QColor(kTrackColour), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    for (std::size_t i = 1; i < scene.track.size(); ++i)
      painter.drawLine(at(scene.track[i - 1]), at(scene.track[i]));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    for (const auto& [p, name] : scene.locations) {
      painter.setBrush(QColor(kLocationColour));
      painter.drawEllipse(at(p), 4, 4);
      painter.drawText(at(p) + QPointF(6, -4), QString::fromLatin1(name.c_str()));
    }
    if (!scene.track.empty()) {
      const QPointF start = at(scene.track.front()), end = at(scene.track.back());
      painter.setBrush(QColor(kStartColour));
      painter.drawEllipse(start, 7, 7);
      painter.drawText(start + QPointF(9, 4), QStringLiteral("Start"));
      painter.setBrush(QColor(kEndColour));
      painter.drawRect(QRectF(end - QPointF(6, 6), QSizeF(12, 12)));
      painter.drawText(end + QPointF(9, 4), QStringLiteral("End"));
    }
    const double y = scene.height - kMargin / 2.0 - 10;
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    QPainterPath bar(QPointF(kMargin, y - 5));
    bar.lineTo(kMargin, y);
    bar.lineTo(kMargin + scene.scalePixels, y);
    bar.lineTo(kMargin + scene.scalePixels, y - 5);
    painter.drawPath(bar);
    painter.drawText(QPointF(kMargin + scene.scalePixels + 8, y + 4),
                     QString::fromStdString(scene.scaleLabel));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return bytes.toStdString();
}

}  // namespace cli

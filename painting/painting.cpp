#include "painting/painting.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace painting {

// The picture's parts and colours are the track's; this file only paints them.
using track::GridLine;
using track::kAreaColour;
using track::kEndColour;
using track::kLocationColour;
using track::kMargin;
using track::kStartColour;
using track::kTrackColour;
using track::Point;
using track::Scene;

namespace {

// Pixels of track line drawn with smooth edges: about half a second.
constexpr double kSmoothedTrackLength = 10e6;

QPointF at(const Point& p) {
  return {p.first, p.second};
}

// A text on a white ground, readable over the grid and the track.
void label(QPainter& painter, const QPointF& baseline, const QString& text) {
  const QRectF box = QFontMetricsF(painter.font()).boundingRect(text).translated(baseline);
  painter.fillRect(box.adjusted(-2, -1, 2, 1), QColor(255, 255, 255, 220));
  painter.drawText(baseline, text);
}

void paintGrid(QPainter& painter, const Scene& scene) {
  painter.setPen(QPen(QColor(205, 205, 205), 1));
  for (const GridLine& line : scene.grid) painter.drawLine(at(line.from), at(line.to));
  painter.setPen(QColor(110, 110, 110));
  for (const GridLine& line : scene.grid) {
    const bool across = line.from.second == line.to.second;  // a parallel: latitude
    const QPointF where = across ? at(line.from) + QPointF(4, -3) : at(line.to) + QPointF(3, -4);
    label(painter, where, QString::fromStdString(line.label));
  }
}

void paintArea(QPainter& painter, const Scene& scene) {
  if (scene.area.size() < 2) return;
  QPolygonF corners;
  for (const Point& p : scene.area) corners << at(p);
  painter.setPen(QPen(QColor(kAreaColour), 2, Qt::DashLine));
  painter.setBrush(QColor(128, 32, 160, 25));
  painter.drawPolygon(corners);
  painter.setBrush(Qt::NoBrush);
  // Its name inside its top edge, moved left where it would leave the picture.
  const QRectF box = corners.boundingRect();
  const QString name = QString::fromStdString(scene.areaLabel);
  const double wide = QFontMetricsF(painter.font()).horizontalAdvance(name);
  const double x = std::max(4.0, std::min(box.left() + 4, scene.width - wide - 6));
  label(painter, QPointF(x, box.top() + 14), name);
}

// The track segment by segment: the stroker's time for one path grows far faster than its
// length once the path crosses itself thousands of times (tens of seconds for 14,500 scattered
// positions), while a segment costs only its own length. Square caps close the joins of a
// 2-pixel line. Edges are smoothed while the line is short enough to smooth in a fraction of a
// second; a longer one covers the picture many times over, where smoothing shows nothing and
// would take seconds.
void paintTrack(QPainter& painter, const Scene& scene) {
  double length = 0;
  for (const auto& piece : scene.track) {
    for (std::size_t i = 1; i < piece.size(); ++i) {
      length +=
          std::hypot(piece[i].first - piece[i - 1].first, piece[i].second - piece[i - 1].second);
    }
  }
  painter.setRenderHint(QPainter::Antialiasing, length <= kSmoothedTrackLength);
  painter.setPen(QPen(QColor(kTrackColour), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  for (const auto& piece : scene.track) {
    for (std::size_t i = 1; i < piece.size(); ++i) painter.drawLine(at(piece[i - 1]), at(piece[i]));
  }
  painter.setRenderHint(QPainter::Antialiasing);
}

void paintNorth(QPainter& painter, const Scene& scene) {
  const QPointF tip(scene.width - 30, 18);
  QPolygonF arrow;
  arrow << tip << tip + QPointF(-8, 24) << tip + QPointF(0, 18) << tip + QPointF(8, 24);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::black);
  painter.drawPolygon(arrow);
  painter.setBrush(Qt::NoBrush);
  painter.drawText(tip + QPointF(-4, 38), QStringLiteral("N"));
}

}  // namespace

void paintScene(QPainter& painter, const Scene& scene) {
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font("sans-serif");
  font.setPixelSize(12);
  painter.setFont(font);
  paintGrid(painter, scene);
  paintArea(painter, scene);
  paintTrack(painter, scene);
  painter.setPen(QPen(QColor(kEndColour), 2));
  for (const Point& p : scene.warnings) {
    painter.drawLine(at(p) + QPointF(-5, -5), at(p) + QPointF(5, 5));
    painter.drawLine(at(p) + QPointF(-5, 5), at(p) + QPointF(5, -5));
  }
  painter.setPen(Qt::black);
  for (const auto& [p, name] : scene.locations) {
    painter.setBrush(QColor(kLocationColour));
    painter.drawEllipse(at(p), 4, 4);
    painter.drawText(at(p) + QPointF(6, -4), QString::fromLatin1(name.c_str()));
  }
  if (scene.start) {
    painter.setBrush(QColor(kStartColour));
    painter.drawEllipse(at(*scene.start), 7, 7);
    painter.drawText(at(*scene.start) + QPointF(9, 4), QStringLiteral("Start"));
  }
  if (scene.end) {
    painter.setBrush(QColor(kEndColour));
    painter.drawRect(QRectF(at(*scene.end) - QPointF(6, 6), QSizeF(12, 12)));
    painter.drawText(at(*scene.end) + QPointF(9, 4), QStringLiteral("End"));
  }
  if (scene.marked) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawEllipse(at(*scene.marked), 10, 10);
    painter.setPen(QPen(Qt::yellow, 1.5));
    painter.drawEllipse(at(*scene.marked), 10, 10);
  }
  const double y = scene.height - scene.footer / 2.0 - 10;
  painter.setPen(QPen(Qt::black, 2));
  painter.setBrush(Qt::NoBrush);
  QPainterPath bar(QPointF(kMargin, y - 5));
  bar.lineTo(kMargin, y);
  bar.lineTo(kMargin + scene.scalePixels, y);
  bar.lineTo(kMargin + scene.scalePixels, y - 5);
  painter.drawPath(bar);
  painter.drawText(QPointF(kMargin + scene.scalePixels + 8, y + 4),
                   QString::fromStdString(scene.scaleLabel));
  if (scene.northArrow) paintNorth(painter, scene);
  if (!scene.note.empty()) {
    painter.setPen(Qt::black);
    label(painter, QPointF(noteLeft(QFontMetricsF(painter.font()), scene), 16),
          QString::fromStdString(scene.note));
  }
}

double noteLeft(const QFontMetricsF& metrics, const Scene& scene) {
  double labels = 0;
  for (const GridLine& line : scene.grid) {
    if (line.from.second == line.to.second)  // a parallel
      labels = std::max(labels, 4 + metrics.horizontalAdvance(QString::fromStdString(line.label)));
  }
  const double wide = metrics.horizontalAdvance(QString::fromStdString(scene.note));
  const double left = labels > 0 ? labels + 10 : 8;
  return std::max(8.0, std::min(left, scene.width - 50 - wide));
}

std::string pngPicture(const Scene& scene) {
  QImage image(scene.width, scene.height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    paintScene(painter, scene);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return bytes.toStdString();
}

}  // namespace painting

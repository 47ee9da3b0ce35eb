#include "app/logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "ui/window_look.h"

namespace app {

QImage drawLogo(QImage::Format format) {
  QImage logo(600, 204, format);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);

  // Night sky over a road.
  QLinearGradient sky(0, 0, 0, 204);
  sky.setColorAt(0, QColor(8, 16, 48));
  sky.setColorAt(1, QColor(20, 60, 110));
  p.fillRect(logo.rect(), sky);

  // Orbits of three satellites around a globe.
  const QPointF globe(95, 72);
  QRadialGradient sea(globe + QPointF(-12, -12), 56);
  sea.setColorAt(0, QColor(90, 170, 255));
  sea.setColorAt(1, QColor(20, 70, 160));
  p.setPen(Qt::NoPen);
  p.setBrush(sea);
  p.drawEllipse(globe, 46, 46);
  p.setPen(QPen(QColor(160, 220, 160, 160), 1.5));
  p.setBrush(Qt::NoBrush);
  for (int i = -2; i <= 2; ++i) p.drawEllipse(globe, 46 - 12 * std::abs(i), 46);
  p.drawLine(globe + QPointF(-46, 0), globe + QPointF(46, 0));
  p.setPen(QPen(QColor(255, 255, 255, 110), 1.2, Qt::DashLine));
  for (int r : {62, 72}) p.drawEllipse(globe, r, r * 0.45);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 220, 80));
  for (QPointF s : {globe + QPointF(60, -14), globe + QPointF(-66, 18), globe + QPointF(8, 31)})
    p.drawRect(QRectF(s - QPointF(5, 3), QSizeF(10, 6)));

  // A map pin over the globe.
  QPainterPath pin;
  const QPointF tip(95, 64);
  pin.moveTo(tip);
  pin.cubicTo(tip + QPointF(-26, -26), tip + QPointF(-18, -58), tip + QPointF(0, -58));
  pin.cubicTo(tip + QPointF(18, -58), tip + QPointF(26, -26), tip);
  p.setBrush(QColor(230, 50, 50));
  p.drawPath(pin);
  p.setBrush(Qt::white);
  p.drawEllipse(tip + QPointF(0, -38), 8, 8);

  // Name and a road with a vehicle, signal rings above it.
  p.setFont(ui::arial(30, true));
  p.setPen(QColor(128, 128, 255));
  p.drawText(QRectF(180, 20, 410, 50), Qt::AlignLeft | Qt::AlignVCenter, "GPS TRACKING");
  p.setFont(ui::arial(14));
  p.setPen(QColor(220, 230, 255));
  p.drawText(QRectF(182, 70, 410, 30), Qt::AlignLeft | Qt::AlignVCenter,
             "GPS / GSM vehicle unit configuration");
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(50, 50, 60));
  p.drawRect(QRectF(0, 118, 600, 26));
  p.setBrush(QColor(240, 220, 120));
  for (int x = 10; x < 600; x += 48) p.drawRect(QRectF(x, 129, 24, 4));
  p.setBrush(QColor(255, 192, 128));
  p.drawRoundedRect(QRectF(420, 104, 70, 20), 5, 5);
  p.drawRoundedRect(QRectF(436, 94, 36, 14), 4, 4);
  p.setBrush(QColor(20, 20, 20));
  for (double x : {434.0, 476.0}) p.drawEllipse(QPointF(x, 125), 6, 6);
  p.setBrush(Qt::NoBrush);
  for (int r : {8, 16, 24}) {
    p.setPen(QPen(QColor(120, 255, 120, 230 - 6 * r), 2));
    p.drawArc(QRectF(454 - r, 88 - r, 2 * r, 2 * r), 40 * 16, 100 * 16);
  }
  // Below the visible band of the menu: a plain strip with a fine line.
  p.setPen(QPen(QColor(128, 128, 255), 2));
  p.drawLine(0, 146, 600, 146);
  p.fillRect(QRect(0, 147, 600, 57), QColor(8, 16, 48));
  return logo;
}

}  // namespace app

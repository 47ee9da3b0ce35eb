#include "trackview/track_canvas.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "painting/painting.h"
#include "track/sums.h"

namespace trackview {

namespace {

constexpr int kFooter = 40;
constexpr double kZoomStep = 1.25;  // one wheel notch or one key press
constexpr double kHoverPixels = 8;

}  // namespace

TrackCanvas::TrackCanvas(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setMinimumSize(320, 240);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAccessibleName("Track picture");
  setAccessibleDescription(
      "Wheel or + and - zoom, dragging or the arrow keys move the picture, 0 fits it");
}

void TrackCanvas::setContent(const track::Content& content) {
  content_ = content;
  if (fitted_) {
    fitAll();
  } else {
    update();
  }
}

void TrackCanvas::fitAll() {
  const track::Places* shown =
      content_.track && !content_.track->points.empty() ? content_.track : content_.locations;
  track::Extent extent = shown ? track::extentOf(shown->points) : track::Extent();
  // Only the GEO fencing area to show: its corners.
  if (extent.empty()) {
    for (const auto& [latitude, longitude] : content_.area) extent.add(latitude, longitude);
  }
  projection_ = track::fit(extent, track::kMargin, track::kMargin, width() - 2 * track::kMargin,
                           height() - 2 * track::kMargin - kFooter);
  fitted_ = true;
  update();
  emit viewChanged();
}

void TrackCanvas::mark(int position) {
  content_.marked = position;
  if (content_.track && position >= 0 && position < int(content_.track->points.size())) {
    const track::Place& p = content_.track->points[position];
    const auto [x, y] = projection_.toPixel(p.latitude, p.longitude);
    if (x < 0 || x > width() || y < 0 || y > height() - kFooter) {
      projection_.pan(width() / 2.0 - x, (height() - kFooter) / 2.0 - y);
      fitted_ = false;
      emit viewChanged();
    }
  }
  update();
}

track::Scene TrackCanvas::scene() const {
  track::Scene scene = track::sceneOf(content_, projection_, width(), height(), kFooter,
                                      {.thin = true, .grid = true});
  scene.northArrow = true;
  return scene;
}

int TrackCanvas::positionAt(const QPointF& pixel) const {
  if (!content_.track) return -1;
  int best = -1;
  double bestDistance = kHoverPixels * kHoverPixels;
  const auto& points = content_.track->points;
  for (int i = 0; i < int(points.size()); ++i) {
    const auto [x, y] = projection_.toPixel(points[i].latitude, points[i].longitude);
    const double d = (x - pixel.x()) * (x - pixel.x()) + (y - pixel.y()) * (y - pixel.y());
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

QString TrackCanvas::describe(int position) const {
  const track::Place& p = content_.track->points[position];
  auto value = [](double v) {
    return track::hasValue(v) ? QString::number(v, 'f', 1) : QStringLiteral("none");
  };
  return QStringLiteral("Position %1: %2\n%3, %4\nValues: %5, %6")
      .arg(position + 1)
      .arg(QString::fromStdString(track::dateAndTime(*content_.track, position)))
      .arg(QString::fromStdString(track::degreesLabel(p.latitude, true, 6)))
      .arg(QString::fromStdString(track::degreesLabel(p.longitude, false, 6)))
      .arg(value(p.value1), value(p.value2));
}

void TrackCanvas::zoomAbout(double factor, const QPointF& pixel) {
  projection_.zoom(factor, {pixel.x(), pixel.y()});
  fitted_ = false;
  update();
  emit viewChanged();
}

void TrackCanvas::panBy(double dx, double dy) {
  projection_.pan(dx, dy);
  fitted_ = false;
  update();
  emit viewChanged();
}

void TrackCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painting::paintScene(painter, scene());
  if (hasFocus()) {
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
}

void TrackCanvas::resizeEvent(QResizeEvent*) {
  if (fitted_) {
    fitAll();
  }
}

void TrackCanvas::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches != 0) zoomAbout(std::pow(kZoomStep, notches), event->position());
  event->accept();
}

void TrackCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragFrom_ = event->position();
  setFocus(Qt::MouseFocusReason);
}

void TrackCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
    const QPointF moved = event->position() - *dragFrom_;
    dragFrom_ = event->position();
    panBy(moved.x(), moved.y());
  }
}

void TrackCanvas::mouseReleaseEvent(QMouseEvent*) {
  dragFrom_.reset();
}

void TrackCanvas::keyPressEvent(QKeyEvent* event) {
  const QPointF middle(width() / 2.0, (height() - kFooter) / 2.0);
  const double step = std::min(width(), height()) / 8.0;
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      zoomAbout(kZoomStep, middle);
      break;
    case Qt::Key_Minus:
      zoomAbout(1 / kZoomStep, middle);
      break;
    case Qt::Key_0:
      fitAll();
      break;
    // The arrows move the view the way they point: the picture goes the other way.
    case Qt::Key_Left:
      panBy(step, 0);
      break;
    case Qt::Key_Right:
      panBy(-step, 0);
      break;
    case Qt::Key_Up:
      panBy(0, step);
      break;
    case Qt::Key_Down:
      panBy(0, -step);
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

bool TrackCanvas::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int position = positionAt(help->pos());
    if (position >= 0) {
      QToolTip::showText(help->globalPos(), describe(position), this);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QWidget::event(event);
}

}  // namespace trackview

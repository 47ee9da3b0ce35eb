#pragma once
// The track window's picture: the shared scene (track/picture.h) for the projection shown,
// zoomed about the pointer with the wheel, panned by dragging, and from the keyboard: + and -
// zoom, the arrows pan, 0 fits. Hovering a position tells its date, time, coordinates and
// values.
#include <QWidget>

#include "track/picture.h"

namespace trackview {

class TrackCanvas : public QWidget {
  Q_OBJECT

 public:
  explicit TrackCanvas(QWidget* parent = nullptr);

  // What is drawn; the places stay the caller's. Fits the picture to them unless it has been
  // zoomed or moved.
  void setContent(const track::Content& content);
  // Marks a track position (-1: none) and brings it into the picture when it is outside.
  void mark(int position);
  void fitAll();
  // The scene as it is shown now, at the canvas's size.
  track::Scene scene() const;
  const track::Projection& projection() const { return projection_; }
  // The track position nearest `pixel`, within a few pixels; -1 when there is none.
  int positionAt(const QPointF& pixel) const;
  // The hover text of a track position.
  QString describe(int position) const;
  // Zooms by `factor` about `pixel`; pans by pixels (the picture moves with the pointer).
  void zoomAbout(double factor, const QPointF& pixel);
  void panBy(double dx, double dy);

 signals:
  void viewChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  track::Content content_;
  track::Projection projection_;
  bool fitted_ = true;  // follows the canvas's size until zoomed or panned
  std::optional<QPointF> dragFrom_;
};

}  // namespace trackview

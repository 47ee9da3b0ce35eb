#pragma once
// The track window: a GPS log's positions drawn as a line beside the GPS location table's
// fixed locations and the configuration's GEO fencing area, with the log's sums and warnings,
// the list of its positions, and its exports. A window of its own beside the main menu.
#include <QWidget>

#include "track/places.h"
#include "track/sums.h"

class QComboBox;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace config {
class Fields;
}
namespace loctable {
class Cells;
}

namespace trackview {

class TrackCanvas;
class PositionsModel;
class WarningsModel;

// Where a table's coordinates, which carry no hemisphere, are drawn without a log.
enum class Quadrant { NorthEast, NorthWest, SouthEast, SouthWest };

enum class Export { Gpx, Kml, GeoJson, Png };

class TrackWindow : public QWidget {
  Q_OBJECT

 public:
  // Reads the table and the configuration whenever it is shown; they stay the caller's.
  TrackWindow(const loctable::Cells& table, const config::Fields& configuration,
              QWidget* parent = nullptr);
  ~TrackWindow() override;

  // Reads a GPS log file; on failure the window says why and keeps what it showed.
  bool openLog(const QString& path);
  // Asks for a GPS log file, then opens it.
  void chooseLog();
  // Takes the table's locations and the GEO fencing area afresh.
  void refresh();
  void setQuadrant(Quadrant quadrant);
  // Writes what is shown: the log as GPX, KML or GeoJSON, the picture as PNG. False, with the
  // reason in `why`, when it cannot.
  bool exportTo(Export format, const QString& path, QString* why = nullptr);

  const track::Places& log() const { return log_; }
  const track::Places& shownTable() const { return shownTable_; }
  const track::Sums& sums() const { return sums_; }
  QString summaryText() const;
  // What the summary says of the GEO fencing area.
  std::string areaWords() const;
  TrackCanvas& canvas() { return *canvas_; }
  QTableView& positions() { return *positions_; }
  QListView& warnings() { return *warnings_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // Coming back to the window takes the table and the area as they are now.
  void changeEvent(QEvent* event) override;
  // Escape closes the window, as it closes a box.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildControls();
  void showContent();
  void showSummary();
  void askExport(Export format);
  void select(int position);

  const loctable::Cells& table_;
  const config::Fields& configuration_;
  QString file_;
  QString failure_;  // "Cannot show X: why" of the last file that could not be opened
  track::Places log_;
  track::Places shownTable_;
  std::vector<std::pair<double, double>> area_;
  std::string areaLabel_;
  // The GEO fencing area's hemispheres ("S, W") where they are not those drawn; else empty.
  std::string areaAway_;
  std::string note_;
  track::Sums sums_;
  Quadrant quadrant_ = Quadrant::NorthEast;

  TrackCanvas* canvas_;
  QPlainTextEdit* summary_;
  QListView* warnings_;
  WarningsModel* warningsModel_;
  QTableView* positions_;
  PositionsModel* model_;
  QComboBox* quadrantBox_;
  QPushButton* fit_;
};

}  // namespace trackview

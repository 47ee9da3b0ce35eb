#include "trackview/track_window.h"

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

#include "config/fields.h"
#include "loctable/cells.h"
#include "painting/painting.h"
#include "records/safe_file.h"
#include "track/exports.h"
#include "track/hemispheres.h"
#include "trackview/track_canvas.h"

namespace trackview {

// The log's positions, one row each, for the list beside the picture; it reads the window's
// places as they are, without a copy.
class PositionsModel : public QAbstractTableModel {
 public:
  explicit PositionsModel(QObject* parent) : QAbstractTableModel(parent) {}
  void show(const track::Places* places) {
    beginResetModel();
    places_ = places;
    endResetModel();
  }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() || !places_ ? 0 : int(places_->points.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 6; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const track::Place& p = places_->points[index.row()];
    auto value = [](double v) {
      return track::hasValue(v) ? QString::number(v, 'f', 1) : QString();
    };
    switch (index.column()) {
      case 0:
        return QString::fromStdString(places_->stamp(index.row()).date);
      case 1:
        return QString::fromStdString(places_->stamp(index.row()).time);
      case 2:
        return QString::number(p.latitude, 'f', 6);
      case 3:
        return QString::number(p.longitude, 'f', 6);
      case 4:
        return value(p.value1);
      default:
        return value(p.value2);
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const char* const kHeaders[] = {"Date",      "Time",    "Latitude",
                                           "Longitude", "Value 1", "Value 2"};
    return QString::fromLatin1(kHeaders[section]);
  }

 private:
  const track::Places* places_ = nullptr;
};

// The log's warnings, a row each, their words made as a row is shown.
class WarningsModel : public QAbstractListModel {
 public:
  explicit WarningsModel(QObject* parent) : QAbstractListModel(parent) {}
  void show(const track::Places* track, const track::Sums* sums) {
    beginResetModel();
    track_ = track;
    sums_ = sums;
    endResetModel();
  }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() || !sums_ ? 0 : int(sums_->warnings.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QString::fromStdString(track::warningText(*track_, sums_->warnings[index.row()]));
  }

 private:
  const track::Places* track_ = nullptr;
  const track::Sums* sums_ = nullptr;
};

namespace {

const char* quadrantName(Quadrant quadrant) {
  static const char* const kNames[] = {"N, E", "N, W", "S, E", "S, W"};
  return kNames[static_cast<int>(quadrant)];
}

QPushButton* button(const QString& caption, const QString& accessible, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setAccessibleName(accessible);
  b->setAutoDefault(false);
  return b;
}

// The sums, warnings and positions beside the picture: never narrower than their lines need,
// never wider than a third of a large screen.
constexpr std::pair<int, int> kSideWidth{300, 420};

}  // namespace

TrackWindow::TrackWindow(const loctable::Cells& table, const config::Fields& configuration,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), table_(table), configuration_(configuration) {
  setWindowTitle("GPS track");
  buildControls();
  refresh();
  // As large as it likes, where the screen's free area allows.
  QSize wanted(1180, 760);
  if (const QScreen* shown = screen())
    wanted = wanted.boundedTo(shown->availableGeometry().size() - QSize(16, 40));
  resize(wanted.expandedTo(minimumSizeHint()));
}

// The list reads the log, which goes before the list does.
TrackWindow::~TrackWindow() {
  model_->show(nullptr);
  warningsModel_->show(nullptr, nullptr);
}

void TrackWindow::buildControls() {
  auto* open = button("&Open a GPS log...", "Open a GPS log", this);
  fit_ = button("&Fit", "Fit the picture", this);
  fit_->setToolTip("Shows every position (key 0 in the picture)");
  quadrantBox_ = new QComboBox(this);
  for (const Quadrant q :
       {Quadrant::NorthEast, Quadrant::NorthWest, Quadrant::SouthEast, Quadrant::SouthWest}) {
    quadrantBox_->addItem(QString::fromLatin1(quadrantName(q)));
  }
  quadrantBox_->setAccessibleName("Table quadrant without a log");
  auto* quadrantLabel = new QLabel("Table &quadrant:", this);
  quadrantLabel->setBuddy(quadrantBox_);
  auto* gpx = button("GPX...", "Export GPX", this);
  auto* kml = button("KML...", "Export KML", this);
  auto* geoJson = button("GeoJSON...", "Export GeoJSON", this);
  auto* png = button("PNG...", "Export PNG picture", this);
  auto* exportLabel = new QLabel("Export:", this);

  canvas_ = new TrackCanvas(this);
  summary_ = new QPlainTextEdit(this);
  summary_->setReadOnly(true);
  summary_->setAccessibleName("Summary");
  summary_->setTabChangesFocus(true);
  summary_->setMaximumHeight(170);
  warningsModel_ = new WarningsModel(this);
  warnings_ = new QListView(this);
  warnings_->setModel(warningsModel_);
  // Rows of one height, so that a million of them are laid out without measuring each.
  warnings_->setUniformItemSizes(true);
  warnings_->setAccessibleName("Warnings");
  warnings_->setMaximumHeight(130);
  model_ = new PositionsModel(this);
  positions_ = new QTableView(this);
  positions_->setModel(model_);
  positions_->setAccessibleName("Positions");
  positions_->setSelectionBehavior(QAbstractItemView::SelectRows);
  positions_->setSelectionMode(QAbstractItemView::SingleSelection);
  positions_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  positions_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  positions_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  positions_->setTabKeyNavigation(false);

  // The exports go on a row of their own, so that the window fits a screen of 1024 by 768.
  auto* tools = new QHBoxLayout;
  tools->addWidget(open);
  tools->addWidget(fit_);
  tools->addSpacing(12);
  tools->addWidget(quadrantLabel);
  tools->addWidget(quadrantBox_);
  tools->addStretch();
  auto* exports = new QHBoxLayout;
  exports->addWidget(exportLabel);
  for (QPushButton* b : {gpx, kml, geoJson, png}) exports->addWidget(b);
  exports->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(tools);
  left->addLayout(exports);
  left->addWidget(canvas_, 1);
  auto* side = new QVBoxLayout;
  auto* summaryLabel = new QLabel("&Summary", this);
  summaryLabel->setBuddy(summary_);
  auto* warningsLabel = new QLabel("&Warnings", this);
  warningsLabel->setBuddy(warnings_);
  auto* positionsLabel = new QLabel("&Positions", this);
  positionsLabel->setBuddy(positions_);
  side->addWidget(summaryLabel);
  side->addWidget(summary_);
  side->addWidget(warningsLabel);
  side->addWidget(warnings_);
  side->addWidget(positionsLabel);
  side->addWidget(positions_, 1);
  auto* sideWidget = new QWidget(this);
  sideWidget->setLayout(side);
  sideWidget->setMinimumWidth(kSideWidth.first);
  sideWidget->setMaximumWidth(kSideWidth.second);
  auto* all = new QHBoxLayout(this);
  all->addLayout(left, 3);
  all->addWidget(sideWidget, 1);

  connect(open, &QPushButton::clicked, this, &TrackWindow::chooseLog);
  connect(fit_, &QPushButton::clicked, canvas_, &TrackCanvas::fitAll);
  connect(quadrantBox_, &QComboBox::currentIndexChanged, this,
          [this](int index) { setQuadrant(static_cast<Quadrant>(index)); });
  connect(gpx, &QPushButton::clicked, this, [this] { askExport(Export::Gpx); });
  connect(kml, &QPushButton::clicked, this, [this] { askExport(Export::Kml); });
  connect(geoJson, &QPushButton::clicked, this, [this] { askExport(Export::GeoJson); });
  connect(png, &QPushButton::clicked, this, [this] { askExport(Export::Png); });
  connect(positions_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { canvas_->mark(current.row()); });
  connect(warnings_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            const int row = current.row();
            if (row >= 0 && row < int(sums_.warnings.size())) select(sums_.warnings[row].position);
          });

  // The keyboard's order: the tools, the picture, then the side from top to bottom.
  QWidget* order[] = {open, fit_,    quadrantBox_, gpx,       kml,       geoJson,
                      png,  canvas_, summary_,     warnings_, positions_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

bool TrackWindow::openLog(const QString& path) {
  std::string error;
  bool unreadable = false;
  auto places = track::readPlaces(QFile::encodeName(path).toStdString(), error, unreadable);
  if (places && !places->track) error = "a GPS table file, not a GPS log";
  if (!places || !places->track) {
    failure_ = QStringLiteral("Cannot show %1: %2")
                   .arg(QDir::toNativeSeparators(path), QString::fromStdString(error));
    showSummary();
    return false;
  }
  failure_.clear();
  log_ = std::move(*places);
  file_ = path;
  sums_ = track::sumsOf(log_);
  setWindowTitle(QStringLiteral("GPS track - %1").arg(QFileInfo(path).fileName()));
  model_->show(&log_);
  warningsModel_->show(&log_, &sums_);
  refresh();
  canvas_->fitAll();
  return true;
}

void TrackWindow::chooseLog() {
  const QString path = QFileDialog::getOpenFileName(this, "Open a GPS log", QString(),
                                                    "GPS logs (*.csv);;All files (*)");
  if (!path.isEmpty()) openLog(path);
}

void TrackWindow::refresh() {
  // The table's coordinates carry no hemisphere: they go where the log is, or into the chosen
  // quadrant.
  track::Hemispheres drawn = track::hemispheresOf(log_);
  if (log_.points.empty()) {
    drawn.latitude = quadrant_ == Quadrant::SouthEast || quadrant_ == Quadrant::SouthWest ? -1 : 1;
    drawn.longitude = quadrant_ == Quadrant::NorthWest || quadrant_ == Quadrant::SouthWest ? -1 : 1;
  }
  quadrantBox_->setEnabled(log_.points.empty());
  shownTable_ = track::tablePlaces(table_);
  track::placeIn(shownTable_, drawn);
  note_ = shownTable_.points.empty()
              ? std::string()
              : "Table locations drawn in the " +
                    std::string(log_.points.empty() ? "chosen quadrant" : "log's hemispheres") +
                    ": " + track::hemisphereNames(drawn);

  // The GEO fencing area is drawn in its own hemispheres: where those are not the ones the
  // table is drawn in, the picture of the log or quadrant does not hold it, and the summary
  // says where it is.
  area_.clear();
  areaAway_.clear();
  if (const auto area = track::geoFencingArea(configuration_)) {
    area_ = area->corners;
    areaLabel_ = area->label;
    if (area->hemispheres != drawn) areaAway_ = track::hemisphereNames(area->hemispheres);
  }
  showContent();
}

void TrackWindow::setQuadrant(Quadrant quadrant) {
  quadrant_ = quadrant;
  if (quadrantBox_->currentIndex() != static_cast<int>(quadrant))
    quadrantBox_->setCurrentIndex(static_cast<int>(quadrant));
  refresh();
  if (log_.points.empty()) canvas_->fitAll();
}

void TrackWindow::showContent() {
  track::Content content;
  content.track = &log_;
  content.locations = &shownTable_;
  content.area = area_;
  content.areaLabel = areaLabel_;
  content.note = note_;
  for (const track::Warning& w : sums_.warnings) content.warnings.push_back(w.position);
  content.marked = positions_->currentIndex().isValid() ? positions_->currentIndex().row() : -1;
  canvas_->setContent(content);
  showSummary();
}

void TrackWindow::showSummary() {
  // Why the last file could not be shown stays above the sums until another file opens.
  summary_->setPlainText(failure_.isEmpty() ? summaryText()
                                            : failure_ + QStringLiteral("\n\n") + summaryText());
}

QString TrackWindow::summaryText() const {
  if (log_.points.empty() && file_.isEmpty()) {
    return QStringLiteral("No GPS log open. %1 table locations, %2.")
        .arg(shownTable_.points.size())
        .arg(area_.empty() || !areaAway_.empty() ? QString::fromStdString(areaWords())
                                                 : QStringLiteral("the GEO fencing area"));
  }
  QStringList lines;
  lines << QStringLiteral("File: %1").arg(QFileInfo(file_).fileName());
  lines << QStringLiteral("Positions: %1").arg(sums_.count);
  if (log_.skipped > 0) lines << QStringLiteral("Lines without a position: %1").arg(log_.skipped);
  if (log_.untimed() > 0)
    lines << QStringLiteral("Positions without a time: %1").arg(log_.untimed());
  lines << QStringLiteral("First: %1").arg(QString::fromStdString(sums_.first));
  lines << QStringLiteral("Last: %1").arg(QString::fromStdString(sums_.last));
  lines << QStringLiteral("Length: %1 km").arg(sums_.lengthKm, 0, 'f', 3);
  if (sums_.largestGapAt >= 0) {
    lines << QStringLiteral("Largest gap: %1, before position %2")
                 .arg(QString::fromStdString(track::duration(sums_.largestGapSeconds)))
                 .arg(sums_.largestGapAt + 1);
  }
  lines << QStringLiteral(
               "Warnings: %1 (a jump faster than %2 km/h, a position at 0,0, a time "
               "earlier than the one before)")
               .arg(sums_.warnings.size())
               .arg(track::kFastestKmh, 0, 'f', 0);
  lines << QStringLiteral("Table locations: %1; %2")
               .arg(shownTable_.points.size())
               .arg(QString::fromStdString(areaWords()));
  return lines.join('\n');
}

std::string TrackWindow::areaWords() const {
  if (area_.empty()) return "no GEO fencing area set";
  if (areaAway_.empty()) return "GEO fencing area shown";
  return "GEO fencing area in " + areaAway_ + ", away from the " +
         (log_.points.empty() ? "chosen quadrant" : "log's hemispheres");
}

void TrackWindow::select(int position) {
  positions_->setCurrentIndex(model_->index(position, 0));
  positions_->scrollTo(model_->index(position, 0));
  canvas_->mark(position);
}

bool TrackWindow::exportTo(Export format, const QString& path, QString* why) {
  std::string png;
  records::Pieces pieces;
  if (format == Export::Png) {
    png = painting::pngPicture(canvas_->scene());
    if (png.empty()) {
      if (why) *why = "the picture could not be made";
      return false;
    }
    pieces = records::whole(png);
  } else {
    if (log_.points.empty()) {
      if (why) *why = "no GPS log is open";
      return false;
    }
    const track::ExportFormat kinds[] = {track::ExportFormat::Gpx, track::ExportFormat::Kml,
                                         track::ExportFormat::GeoJson};
    // Written as it is made: a long log's export is never held whole.
    pieces = [this, kind = kinds[static_cast<int>(format)]](const track::Sink& put) {
      return track::writePlaces(log_, kind, put, "gpstracking");
    };
  }
  std::string reason;
  if (!records::replaceFileWith(QFile::encodeName(path).toStdString(), pieces, &reason)) {
    if (why) *why = QString::fromStdString(reason);
    return false;
  }
  return true;
}

void TrackWindow::askExport(Export format) {
  static const char* const kFilters[] = {"GPX (*.gpx)", "KML (*.kml)", "GeoJSON (*.geojson)",
                                         "PNG picture (*.png)"};
  static const char* const kSuffixes[] = {".gpx", ".kml", ".geojson", ".png"};
  const int kind = static_cast<int>(format);
  QString suggested =
      file_.isEmpty() ? QStringLiteral("track") : QFileInfo(file_).completeBaseName();
  suggested += QString::fromLatin1(kSuffixes[kind]);
  const QString path =
      QFileDialog::getSaveFileName(this, "Export", suggested, QString::fromLatin1(kFilters[kind]));
  if (path.isEmpty()) return;
  QString why;
  if (!exportTo(format, path, &why)) {
    QMessageBox::warning(
        this, "Export",
        QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), why));
  }
}

void TrackWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TrackWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) refresh();
  QWidget::changeEvent(event);
}

void TrackWindow::showEvent(QShowEvent* event) {
  refresh();
  QWidget::showEvent(event);
}

}  // namespace trackview

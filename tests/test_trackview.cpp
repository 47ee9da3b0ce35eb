// The track window and the sums it shows: on the demo unit's log and on a log of 100,000
// positions, each figure against a computation of the test's own; the table's locations and the
// GEO fencing area where they belong; zoom, pan, keys and the lists that mark a position.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <cmath>
#include <numbers>
#include <sstream>

#include "painting/painting.h"
#include "tests/track_rig.h"
#include "track/hemispheres.h"
#include "track/picture.h"
#include "track/sums.h"
#include "trackview/track_canvas.h"
#include "trackview/track_window.h"

namespace {

using track::Warning;
using track_rig::demoLog;
using track_rig::logFile;
using track_rig::setArea;
using track_rig::Stores;

// The test's own reading of a log: the fields split at commas, quotes taken off.
std::vector<std::vector<std::string>> fieldsOf(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string>& fields = lines.emplace_back(1);
    for (const char c : line) {
      if (c == ',') {
        fields.emplace_back();
      } else if (c != '"') {
        fields.back() += c;
      }
    }
  }
  return lines;
}

struct Figures {
  int count = 0;
  std::string first, last;
  double km = 0;
  qint64 largestGap = 0;
};

// The same figures by other means: Qt's calendar for the times, and the straight line through
// the earth between two points on the unit sphere for each step, turned into an arc.
Figures independently(const std::string& text) {
  Figures f;
  const auto lines = fieldsOf(text);
  f.count = int(lines.size());
  f.first = lines.front()[0] + " " + lines.front()[1];
  f.last = lines.back()[0] + " " + lines.back()[1];
  auto degrees = [](const std::string& value, const std::string& letter) {
    const double v = std::stod(value);
    const double d = std::trunc(v / 100) + std::fmod(v, 100) / 60;
    return (letter == "S" || letter == "W" ? -d : d) * std::numbers::pi / 180;
  };
  auto moment = [](const std::vector<std::string>& l) {
    const QDate date = QDate::fromString(QString::fromStdString(l[0]), "dd/MM/yy").addYears(100);
    return QDateTime(date, QTime::fromString(QString::fromStdString(l[1]), "HH:mm:ss"), Qt::UTC);
  };
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto &a = lines[i - 1], &b = lines[i];
    const double la = degrees(a[2], a[3]), lo = degrees(a[4], a[5]);
    const double lb = degrees(b[2], b[3]), mo = degrees(b[4], b[5]);
    const double dx = std::cos(lb) * std::cos(mo) - std::cos(la) * std::cos(lo);
    const double dy = std::cos(lb) * std::sin(mo) - std::cos(la) * std::sin(lo);
    const double dz = std::sin(lb) - std::sin(la);
    f.km += 2 * track::kEarthRadiusKm * std::asin(std::sqrt(dx * dx + dy * dy + dz * dz) / 2);
    f.largestGap = std::max(f.largestGap, moment(a).secsTo(moment(b)));
  }
  return f;
}

void send(QWidget& widget, QEvent&& event) {
  QCoreApplication::sendEvent(&widget, &event);
}

TEST(TrackWindow, SummaryFiguresMatchAnIndependentComputation) {
  for (const int count : {300, 100000}) {
    SCOPED_TRACE(count);
    QTemporaryDir folder;
    const std::string text = demoLog(count);
    Stores stores;
    trackview::TrackWindow window(stores.table, stores.configuration);
    window.show();
    ASSERT_TRUE(window.openLog(QString::fromStdString(logFile(folder, text))));
    const Figures expected = independently(text);
    const track::Sums& sums = window.sums();
    EXPECT_EQ(sums.count, expected.count);
    EXPECT_EQ(sums.first, expected.first);
    EXPECT_EQ(sums.last, expected.last);
    EXPECT_NEAR(sums.lengthKm, expected.km, expected.km * 1e-9);
    EXPECT_EQ(sums.largestGapSeconds, expected.largestGap);
    EXPECT_TRUE(sums.warnings.empty());  // the demo drives at 90 km/h at most
    // What a screen reader reads is what was summed.
    const QString summary = window.findChild<QPlainTextEdit*>()->toPlainText();
    char length[64];
    std::snprintf(length, sizeof length, "Length: %.3f km", expected.km);
    for (const std::string& line :
         {"Positions: " + std::to_string(expected.count), "First: " + expected.first,
          "Last: " + expected.last, std::string(length)}) {
      EXPECT_TRUE(summary.contains(QString::fromStdString(line))) << line << "\n"
                                                                  << summary.toStdString();
    }
    EXPECT_EQ(window.positions().model()->rowCount(), expected.count);
  }
}

// A file that cannot be shown says why, and goes on saying it when the window takes the table
// and the area afresh (as it does each time it is activated), until another file opens.
TEST(TrackWindow, KeepsWhyAFileCouldNotBeShown) {
  QTemporaryDir folder;
  const std::string good = logFile(folder, demoLog(30));
  const QString missing = folder.path() + "/missing.csv";
  for (const bool logOpen : {false, true}) {
    SCOPED_TRACE(logOpen ? "over an open log" : "without a log");
    Stores stores;
    trackview::TrackWindow window(stores.table, stores.configuration);
    window.show();
    if (logOpen) {
      ASSERT_TRUE(window.openLog(QString::fromStdString(good)));
    }
    auto summary = [&] { return window.findChild<QPlainTextEdit*>()->toPlainText(); };
    EXPECT_FALSE(window.openLog(missing));
    const QString why = "Cannot show " + missing + ": No such file or directory";
    EXPECT_TRUE(summary().startsWith(why)) << summary().toStdString();
    window.refresh();
    EXPECT_TRUE(summary().startsWith(why)) << summary().toStdString();
    EXPECT_EQ(summary().contains("Positions: 30"), logOpen);
    ASSERT_TRUE(window.openLog(QString::fromStdString(good)));
    EXPECT_FALSE(summary().contains("Cannot show")) << summary().toStdString();
  }
}

// The table's coordinates carry no hemisphere: they are drawn where the log is, or in the
// quadrant chosen without a log. The GEO fencing area has its hemisphere lists.
TEST(TrackWindow, TableAndAreaAreDrawnInTheirHemispheres) {
  Stores stores;
  stores.table.setCell(3, 1, "51.51");
  stores.table.setCell(3, 2, "0.1");
  setArea(stores.configuration, "51.4000", "51.6000", "0.0500", "0.2000", false, true);
  trackview::TrackWindow window(stores.table, stores.configuration);
  window.resize(1100, 700);
  window.show();

  struct Expected {
    trackview::Quadrant quadrant;
    double latitude, longitude;
  };
  for (const auto& [quadrant, latitude, longitude] :
       {Expected{trackview::Quadrant::SouthWest, -51.51, -0.1},
        Expected{trackview::Quadrant::NorthEast, 51.51, 0.1}}) {
    window.setQuadrant(quadrant);
    ASSERT_EQ(window.shownTable().points.size(), 1u);
    EXPECT_EQ(window.shownTable().points[0].latitude, latitude);
    EXPECT_EQ(window.shownTable().points[0].longitude, longitude);
  }
  EXPECT_NE(window.canvas().scene().note.find("chosen quadrant: N, E"), std::string::npos);

  QTemporaryDir folder;
  ASSERT_TRUE(window.openLog(QString::fromStdString(logFile(folder, demoLog(300)))));
  const track::Scene scene = window.canvas().scene();
  EXPECT_NE(scene.note.find("log's hemispheres: N, W"), std::string::npos);
  EXPECT_EQ(window.shownTable().points[0].longitude, -0.1);
  EXPECT_EQ(scene.locations.size(), 1u);  // near the track, so in the picture
  ASSERT_EQ(scene.area.size(), 4u);
  const auto [north, west] = window.canvas().projection().toDegrees(scene.area[0]);
  EXPECT_NEAR(north, 51.4, 1e-9);
  EXPECT_NEAR(west, -0.05, 1e-9);
}

// The summary says where a GEO fencing area in other hemispheres than the drawn ones is, and
// the note of the hemispheres covers no latitude label of the grid.
TEST(TrackWindow, AnAreaAwayFromTheDrawnHemispheresIsSaidSo) {
  Stores stores;
  stores.table.setCell(3, 1, "51.51");
  stores.table.setCell(3, 2, "0.1");
  setArea(stores.configuration, "33.9000", "34.0000", "18.4000", "18.5000", true, false);
  trackview::TrackWindow window(stores.table, stores.configuration);
  window.resize(1100, 700);
  window.show();
  QTemporaryDir folder;
  ASSERT_TRUE(window.openLog(QString::fromStdString(logFile(folder, demoLog(300)))));
  const QString summary = window.findChild<QPlainTextEdit*>()->toPlainText();
  EXPECT_TRUE(summary.contains("GEO fencing area in S, E, away from the log's hemispheres"))
      << summary.toStdString();
  EXPECT_FALSE(summary.contains("GEO fencing area shown"));

  const track::Scene scene = window.canvas().scene();
  ASSERT_FALSE(scene.note.empty());
  const QFontMetricsF metrics(window.canvas().font());
  const double left = painting::noteLeft(metrics, scene);
  int parallels = 0;
  for (const track::GridLine& line : scene.grid) {
    if (line.from.second != line.to.second) continue;
    ++parallels;
    EXPECT_GE(left, 4 + metrics.horizontalAdvance(QString::fromStdString(line.label)))
        << line.label;
  }
  EXPECT_GT(parallels, 0);
}

// The window fits a screen of 1024 by 768: the picture, the tools and the three lists beside
// it all inside.
TEST(TrackWindow, FitsAScreenOf1024By768) {
  Stores stores;
  trackview::TrackWindow window(stores.table, stores.configuration);
  const QSize screen(1024 - 16, 768 - 40);  // less the frame and a panel
  EXPECT_LE(window.minimumSizeHint().width(), screen.width());
  EXPECT_LE(window.minimumSizeHint().height(), screen.height());
  window.resize(screen);
  window.show();
  QCoreApplication::processEvents();
  for (QWidget* part : std::initializer_list<QWidget*>{
           &window.canvas(), window.findChild<QPlainTextEdit*>(), &window.positions()}) {
    const QRect inside(part->mapTo(&window, QPoint(0, 0)), part->size());
    EXPECT_TRUE(window.rect().contains(inside)) << part->accessibleName().toStdString();
    EXPECT_GT(part->width(), 200) << part->accessibleName().toStdString();
  }
}

TEST(TrackWindow, ZoomPanKeysAndListsMarkPositions) {
  Stores stores;
  QTemporaryDir folder;
  std::string text = demoLog(300);
  // Position 151 at 0,0: a warning, with the jumps to it and back.
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l + "\n");
  lines[150] = "\"15/03/24\",\"09:13:00\",\"0000.0000\",\"N\",\"00000.0000\",\"E\",\"0\",\"0\"\r\n";
  text.clear();
  for (const std::string& l : lines) text += l;
  trackview::TrackWindow window(stores.table, stores.configuration);
  window.resize(1100, 700);
  window.show();
  ASSERT_TRUE(window.openLog(QString::fromStdString(logFile(folder, text))));
  trackview::TrackCanvas& canvas = window.canvas();
  const track::Projection fitted = canvas.projection();

  // The wheel zooms about the pointer: the place under it stays there.
  const QPointF pointer(200, 150);
  const auto under = fitted.toDegrees({pointer.x(), pointer.y()});
  send(canvas, QWheelEvent(pointer, canvas.mapToGlobal(pointer), {}, {0, 240}, Qt::NoButton,
                           Qt::NoModifier, Qt::NoScrollPhase, false));
  EXPECT_NEAR(canvas.projection().pixelsPerMetre, fitted.pixelsPerMetre * 1.5625, 1e-12);
  const auto after = canvas.projection().toDegrees({pointer.x(), pointer.y()});
  EXPECT_NEAR(after.first, under.first, 1e-9);
  EXPECT_NEAR(after.second, under.second, 1e-9);

  // A drag moves the picture with the pointer.
  const track::Projection before = canvas.projection();
  send(canvas, QMouseEvent(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(100, 100),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  send(canvas, QMouseEvent(QEvent::MouseMove, QPointF(150, 120), QPointF(150, 120), Qt::NoButton,
                           Qt::LeftButton, Qt::NoModifier));
  send(canvas, QMouseEvent(QEvent::MouseButtonRelease, QPointF(150, 120), QPointF(150, 120),
                           Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  EXPECT_DOUBLE_EQ(canvas.projection().x, before.x + 50);
  EXPECT_DOUBLE_EQ(canvas.projection().y, before.y + 20);

  // The keys: - zooms out, the right arrow looks further east, 0 fits again.
  auto key = [&](int code) { send(canvas, QKeyEvent(QEvent::KeyPress, code, Qt::NoModifier)); };
  const double zoomed = canvas.projection().pixelsPerMetre;
  key(Qt::Key_Minus);
  EXPECT_NEAR(canvas.projection().pixelsPerMetre, zoomed / 1.25, 1e-12);
  const double east = canvas.projection().toDegrees({0, 0}).second;
  key(Qt::Key_Right);
  EXPECT_GT(canvas.projection().toDegrees({0, 0}).second, east);
  key(Qt::Key_0);
  EXPECT_EQ(canvas.projection().pixelsPerMetre, fitted.pixelsPerMetre);
  EXPECT_EQ(canvas.projection().x, fitted.x);

  // A warning selected marks its position and selects its row.
  ASSERT_EQ(window.warnings().model()->rowCount(), 3);
  ASSERT_EQ(window.sums().warnings[0].kind, Warning::Kind::AtZero);
  window.warnings().setCurrentIndex(window.warnings().model()->index(0, 0));
  EXPECT_EQ(window.positions().currentIndex().row(), 150);
  const track::Scene marked = canvas.scene();
  ASSERT_TRUE(marked.marked);
  EXPECT_EQ(canvas.positionAt({marked.marked->first, marked.marked->second}), 150);
  // A row selected marks its position; hovering it tells its time and values.
  window.positions().setCurrentIndex(window.positions().model()->index(7, 0));
  const track::Scene row = canvas.scene();
  ASSERT_TRUE(row.marked);
  EXPECT_EQ(canvas.positionAt({row.marked->first, row.marked->second}), 7);
  const std::string hover = canvas.describe(7).toStdString();
  EXPECT_NE(hover.find("15/03/24 08:01:30"), std::string::npos) << hover;
  EXPECT_NE(hover.find("Values: 30.0, 66.0"), std::string::npos) << hover;

  // The picture exported is the one shown.
  const QString png = folder.path() + "/shown.png";
  ASSERT_TRUE(window.exportTo(trackview::Export::Png, png));
  EXPECT_EQ(QImage(png).size(), canvas.size());
}

// Tab alone goes through every control once, each named, and comes back to the first; keys in
// the picture do not leave it.
TEST(TrackWindow, TabReachesEveryNamedControlInTurn) {
  Stores stores;
  trackview::TrackWindow window(stores.table, stores.configuration);
  window.show();
  window.activateWindow();
  QApplication::processEvents();
  const std::vector<std::string> expected = {
      "Open a GPS log",     "Fit the picture", "Table quadrant without a log",
      "Export GPX",         "Export KML",      "Export GeoJSON",
      "Export PNG picture", "Track picture",   "Summary",
      "Warnings",           "Positions",       "Open a GPS log"};
  window.findChild<QPushButton*>()->setFocus(Qt::TabFocusReason);
  std::vector<std::string> visited;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus);
    visited.push_back(focus->accessibleName().toStdString());
    if (focus == &window.canvas()) {
      send(*focus, QKeyEvent(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier));
      EXPECT_EQ(QApplication::focusWidget(), focus);
    }
    send(*focus, QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
  }
  EXPECT_EQ(visited, expected);
}

}  // namespace

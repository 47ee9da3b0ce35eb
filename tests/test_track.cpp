// The track's rules, without a window: the sums and warnings of handmade logs in the
// technician's words, the picture's thinned warnings, and where the table's locations and the
// GEO fencing area are drawn.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>
#include <vector>

#include "tests/track_rig.h"
#include "track/hemispheres.h"
#include "track/picture.h"
#include "track/sums.h"

namespace {

using track::Warning;
using track_rig::logFile;
using track_rig::setArea;
using track_rig::Stores;

// Each kind of wrong position, and the gap, in a log written line by line.
TEST(TrackSums, WarningsAndGapsOfHandmadeLogs) {
  auto line = [](const char* time, const char* latitude, const char* longitude) {
    return "\"15/03/24\",\"" + std::string(time) + "\",\"" + latitude + "\",\"N\",\"" + longitude +
           "\",\"W\",\"001.0\",\"002.0\"\r\n";
  };
  struct Case {
    std::string name, log;
    std::vector<std::pair<Warning::Kind, int>> warnings;
    std::int64_t gap;
    int gapAt;
    double km;  // along a meridian a minute is 1.853249 km on the sphere of kEarthRadiusKm
  };
  const Case cases[] = {
      {"a drive of 100 m in 30 s",
       line("08:00:00", "5130.0000", "00007.5000") + line("08:00:30", "5130.0540", "00007.5000"),
       {},
       30,
       1,
       0.1000756},
      // 10 km in 30 s is 1200 km/h.
      {"a jump",
       line("08:00:00", "5130.0000", "00007.5000") + line("08:00:30", "5135.4000", "00007.5000"),
       {{Warning::Kind::Jump, 1}},
       30,
       1,
       10.007557},
      // 15 km in 4 min is 225 km/h: fast, but no jump.
      {"a fast drive",
       line("08:00:00", "5130.0000", "00007.5000") + line("08:04:00", "5138.0900", "00007.5000"),
       {},
       240,
       1,
       14.992803},
      // Two fixes in one second are a second apart at most: 50 m is 180 km/h, no jump.
      {"two positions in the same second",
       line("08:00:00", "5130.0000", "00007.5000") + line("08:00:00", "5130.0270", "00007.5000"),
       {},
       0,
       -1,
       0.0500378},
      {"a position at 0,0 between two others, the jumps to it and back",
       line("08:00:00", "5130.0000", "00007.5000") + line("08:00:30", "0000.0000", "00000.0000") +
           line("08:01:00", "5130.0000", "00007.5000"),
       {{Warning::Kind::AtZero, 1}, {Warning::Kind::Jump, 1}, {Warning::Kind::Jump, 2}},
       30,
       1,
       2 * 5726.5587},
      {"a time going back, and a gap of 10 minutes after an untimed position",
       line("08:10:00", "5130.0000", "00007.5000") + line("08:09:00", "5130.0000", "00007.5000") +
           line("08:61:00", "5130.0000", "00007.5000") +
           line("08:19:00", "5130.0000", "00007.5000"),
       {{Warning::Kind::TimeBack, 1}},
       600,
       3,
       0},
  };
  QTemporaryDir folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    bool unreadable = false;
    const auto places = track::readPlaces(logFile(folder, c.log), error, unreadable);
    ASSERT_TRUE(places) << error;
    const track::Sums sums = track::sumsOf(*places);
    std::vector<std::pair<Warning::Kind, int>> found;
    for (const Warning& w : sums.warnings) found.emplace_back(w.kind, w.position);
    EXPECT_EQ(found, c.warnings);
    EXPECT_EQ(sums.largestGapSeconds, c.gap);
    EXPECT_EQ(sums.largestGapAt, c.gapAt);
    EXPECT_NEAR(sums.lengthKm, c.km, 1e-6 * std::max(1.0, c.km));
  }
}

// Each warning's words name the position by its date and time as the log line holds them, an
// impossible one included.
TEST(TrackSums, WarningsInTheTechniciansWords) {
  auto line = [](const char* time, const char* latitude, const char* longitude) {
    return "\"15/03/24\",\"" + std::string(time) + "\",\"" + latitude + "\",\"N\",\"" + longitude +
           "\",\"E\",\"0\",\"0\"\r\n";
  };
  QTemporaryDir folder;
  std::string error;
  bool unreadable = false;
  // 0.54 minutes of latitude (1.0008 km) in one second, counted as a whole second.
  const auto places =
      track::readPlaces(logFile(folder, line("08:00:00", "5130.0000", "00007.5000") +
                                            line("08:00:00", "5130.5400", "00007.5000") +
                                            line("07:59:00", "0000.0000", "00000.0000") +
                                            line("08:61:00", "0000.0000", "00000.0000")),
                        error, unreadable);
  ASSERT_TRUE(places) << error;
  std::vector<std::string> texts;
  for (const Warning& w : track::sumsOf(*places).warnings)
    texts.push_back(track::warningText(*places, w));
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "position 2 (15/03/24 08:00:00): a jump of 1.00 km in 0 s (3603 km/h)",
                       "position 3 (15/03/24 07:59:00): at 0,0, no fix of the receiver",
                       "position 3 (15/03/24 07:59:00): earlier than the position before it (1 "
                       "min 00 s back)",
                       "position 4 (15/03/24 08:61:00): at 0,0, no fix of the receiver"}));
}

// The window's picture paints one cross where many warnings fall on one place, and none far
// outside it; the command line's picture keeps every one.
TEST(TrackPicture, ThinnedWarningsAreACrossAPlace) {
  track::Places log;
  log.track = true;
  for (const double latitude : {0.0, 0.0, 0.0, 0.001, 10.0}) log.points.push_back({latitude, 0});
  track::Content content;
  content.track = &log;
  content.warnings = {0, 1, 2, 3, 4};
  const track::Projection projection = track::fit(track::extentOf(log.points), 0, 0, 400, 400);
  // Fitted, 0.001 degrees are a twenty-fifth of a pixel; zoomed in, 40 pixels, and 10 degrees
  // are far outside.
  track::Projection zoomed = projection;
  zoomed.zoom(1000, projection.toPixel(0, 0));
  for (const auto& [thin, view, crosses] :
       {std::tuple{false, zoomed, 5u}, std::tuple{true, projection, 2u},
        std::tuple{true, zoomed, 2u}}) {
    SCOPED_TRACE(testing::Message() << "thin " << thin << " zoom " << view.pixelsPerMetre);
    EXPECT_EQ(track::sceneOf(content, view, 400, 440, 40, {.thin = thin}).warnings.size(), crosses);
  }
}

// The rules both the window and the command line's pictures draw by: the log's hemispheres, the
// table put into them, and the GEO fencing area with its hemisphere lists.
TEST(TrackHemispheres, TheTableGoesWhereTheLogIsAndTheAreaWhereItsListsSay) {
  const auto log = [](std::vector<std::pair<double, double>> at) {
    track::Places places;
    for (const auto& [latitude, longitude] : at) places.points.push_back({latitude, longitude});
    return places;
  };
  const std::pair<track::Places, std::string> logs[] = {
      {log({}), "N, E"},
      {log({{51.5, -0.1}, {51.6, 0.05}}), "N, W"},  // mostly west of Greenwich
      {log({{-33.9, 18.4}}), "S, E"},
      {log({{-34.6, -58.4}, {0.1, -58.3}}), "S, W"},
  };
  for (const auto& [places, names] : logs) {
    const track::Hemispheres h = track::hemispheresOf(places);
    EXPECT_EQ(track::hemisphereNames(h), names);
    track::Places table = log({{51.51, 0.1}, {-12.5, -3}});
    track::placeIn(table, h);
    for (const track::Place& p : table.points) {
      EXPECT_EQ(p.latitude < 0, h.latitude < 0) << names;
      EXPECT_EQ(p.longitude < 0, h.longitude < 0) << names;
    }
    EXPECT_EQ(std::abs(table.points[1].latitude), 12.5);
  }

  config::FieldStore configuration;
  config::applyStartupValues(configuration);
  EXPECT_EQ(track::geoFencingArea(configuration), std::nullopt);  // no corners at startup
  setArea(configuration, "33.9000", "34.0000", "18.4000", "18.5000", true, false);
  const auto area = track::geoFencingArea(configuration);
  ASSERT_TRUE(area);
  EXPECT_EQ(track::hemisphereNames(area->hemispheres), "S, E");
  ASSERT_EQ(area->corners.size(), 4u);
  EXPECT_EQ(area->corners[0], (std::pair{-33.9, 18.4}));
  EXPECT_EQ(area->corners[2], (std::pair{-34.0, 18.5}));
  EXPECT_EQ(area->label.rfind("GEO fencing area", 0), 0u);
  configuration.setText(config::Field::setup1_Text23, "180.5");  // beyond its limit
  EXPECT_EQ(track::geoFencingArea(configuration), std::nullopt);
}

}  // namespace

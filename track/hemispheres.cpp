#include "track/hemispheres.h"

#include "config/field_table.h"
#include "records/numeric.h"

namespace track {

namespace {

using config::Field;

// A corner's degrees: a number within its limit, or nothing.
std::optional<double> cornerDegrees(const std::string& text, double limit) {
  if (text.empty() || !records::readsWhole(text)) return std::nullopt;
  const auto value = records::readNumber(text);
  if (!value || *value < 0 || *value > limit) return std::nullopt;
  return value;
}

// A corner's coordinate with the sign of its hemisphere list (the second item: S or W).
std::optional<double> corner(const config::Fields& configuration, Field degrees, Field hemisphere,
                             double limit) {
  const auto value = cornerDegrees(configuration.text(degrees), limit);
  if (!value) return std::nullopt;
  return configuration.index(hemisphere) == 1 ? -*value : *value;
}

int signOf(double sum) {
  return sum < 0 ? -1 : 1;
}

}  // namespace

Hemispheres hemispheresOf(const Places& log) {
  double latitudes = 0, longitudes = 0;
  for (const Place& p : log.points) {
    latitudes += p.latitude;
    longitudes += p.longitude;
  }
  return {signOf(latitudes), signOf(longitudes)};
}

std::string hemisphereNames(Hemispheres hemispheres) {
  return std::string(hemispheres.latitude < 0 ? "S" : "N") + ", " +
         (hemispheres.longitude < 0 ? "W" : "E");
}

void placeIn(Places& table, Hemispheres hemispheres) {
  for (Place& p : table.points) {
    p.latitude = std::abs(p.latitude) * hemispheres.latitude;
    p.longitude = std::abs(p.longitude) * hemispheres.longitude;
  }
}

std::optional<Area> geoFencingArea(const config::Fields& configuration) {
  const auto a = corner(configuration, Field::setup1_Text25, Field::setup1_Combo8, 90);
  const auto b = corner(configuration, Field::setup1_Text24, Field::setup1_Combo9, 90);
  const auto c = corner(configuration, Field::setup1_Text26, Field::setup1_Combo10, 180);
  const auto d = corner(configuration, Field::setup1_Text23, Field::setup1_Combo11, 180);
  if (!a || !b || !c || !d) return std::nullopt;
  Area area;
  area.corners = {{*a, *c}, {*a, *d}, {*b, *d}, {*b, *c}};
  area.label = "GEO fencing area";
  const auto& items = config::fieldRow(Field::setup1_Combo12).items;
  const int activation = configuration.index(Field::setup1_Combo12);
  if (activation >= 0 && activation < static_cast<int>(items.size()))
    area.label += " (activation: " + items[static_cast<size_t>(activation)] + ")";
  area.hemispheres = {signOf(*a + *b), signOf(*c + *d)};
  return area;
}

}  // namespace track

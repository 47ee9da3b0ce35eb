#pragma once
// What a technician checks of a GPS log on site: how many positions, from when to when, how
// far, the largest silence, and the positions that look wrong.
#include <cstdint>
#include <string>
#include <vector>

#include "track/places.h"

namespace track {

// Faster than this between two positions is no vehicle's drive but a wrong position.
inline constexpr double kFastestKmh = 250.0;
// The earth's mean radius, for the great-circle distances.
inline constexpr double kEarthRadiusKm = 6371.0088;

// A wrong-looking position; its words are made when they are shown (warningText), so that a
// log of a million bad positions holds a million small records, not a million sentences.
struct Warning {
  enum class Kind { Jump, AtZero, TimeBack };
  Kind kind;
  int position;              // index into the track's points
  double km = 0;             // a jump's distance
  std::int64_t seconds = 0;  // a jump's time, or how far a time goes back
};

struct Sums {
  int count = 0;
  std::string first, last;  // the first and last position's date and time; empty when none
  double lengthKm = 0;
  std::int64_t largestGapSeconds = 0;
  int largestGapAt = -1;  // the position after the largest gap; -1 when there is none
  std::vector<Warning> warnings;
};

// The great-circle distance of two positions.
double distanceKm(const Place& a, const Place& b);

// The speed of `km` in `seconds`; two positions in one second are a second apart at most.
double speedKmh(double km, std::int64_t seconds);

Sums sumsOf(const Places& track);

// A warning in the technician's words.
std::string warningText(const Places& track, const Warning& warning);

// "15/03/24 07:58:30": a position's date and time as the log holds them.
std::string dateAndTime(const Places& track, std::size_t position);
// "1 h 05 min 20 s", "42 s".
std::string duration(std::int64_t seconds);

}  // namespace track

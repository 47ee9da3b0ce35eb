#include "track/sums.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace track {

namespace {

double radians(double degrees) {
  return degrees * std::numbers::pi / 180;
}

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

std::string positionName(const Places& track, int index) {
  return "position " + std::to_string(index + 1) + " (" + dateAndTime(track, index) + ")";
}

}  // namespace

double distanceKm(const Place& a, const Place& b) {
  // Haversine: exact for short steps, where the cosine rule loses its digits.
  const double dLat = radians(b.latitude - a.latitude);
  const double dLon = radians(b.longitude - a.longitude);
  const double h = std::pow(std::sin(dLat / 2), 2) + std::cos(radians(a.latitude)) *
                                                         std::cos(radians(b.latitude)) *
                                                         std::pow(std::sin(dLon / 2), 2);
  return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

std::string dateAndTime(const Places& track, std::size_t position) {
  const Stamp stamp = track.stamp(position);
  return stamp.date + " " + stamp.time;
}

double speedKmh(double km, std::int64_t seconds) {
  return km / (static_cast<double>(std::max<std::int64_t>(seconds, 1)) / 3600);
}

std::string duration(std::int64_t seconds) {
  const std::int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  char text[64];
  if (h > 0) {
    std::snprintf(text, sizeof text, "%lld h %02lld min %02lld s", static_cast<long long>(h),
                  static_cast<long long>(m), static_cast<long long>(s));
  } else if (m > 0) {
    std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(m),
                  static_cast<long long>(s));
  } else {
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(s));
  }
  return text;
}

Sums sumsOf(const Places& track) {
  Sums sums;
  const Points& points = track.points;
  sums.count = static_cast<int>(points.size());
  if (points.empty()) return sums;
  sums.first = dateAndTime(track, 0);
  sums.last = dateAndTime(track, points.size() - 1);
  const Place* previous = nullptr;
  const Place* previousTimed = nullptr;
  for (int i = 0; i < sums.count; ++i) {
    const Place& p = points[i];
    if (p.latitude == 0 && p.longitude == 0) sums.warnings.push_back({Warning::Kind::AtZero, i});
    if (previous) sums.lengthKm += distanceKm(*previous, p);
    previous = &p;
    if (p.seconds == kNoTime) continue;
    if (previousTimed) {
      const std::int64_t gap = p.seconds - previousTimed->seconds;
      if (gap < 0) {
        sums.warnings.push_back({Warning::Kind::TimeBack, i, 0, -gap});
      } else {
        if (gap > sums.largestGapSeconds) {
          sums.largestGapSeconds = gap;
          sums.largestGapAt = i;
        }
        const double km = distanceKm(*previousTimed, p);
        if (speedKmh(km, gap) > kFastestKmh)
          sums.warnings.push_back({Warning::Kind::Jump, i, km, gap});
      }
    }
    previousTimed = &p;
  }
  return sums;
}

std::string warningText(const Places& track, const Warning& warning) {
  const std::string where = positionName(track, warning.position) + ": ";
  switch (warning.kind) {
    case Warning::Kind::AtZero:
      return where + "at 0,0, no fix of the receiver";
    case Warning::Kind::TimeBack:
      return where + "earlier than the position before it (" + duration(warning.seconds) + " back)";
    case Warning::Kind::Jump:
      break;
  }
  return where + format("a jump of %.2f km in %.0f s (%.0f km/h)", warning.km,
                        static_cast<double>(warning.seconds),
                        speedKmh(warning.km, warning.seconds));
}

}  // namespace track

#include "track/sums.h"

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
  return "position " + std::to_string(index + 1) + " (" + dateAndTime(track.points[index]) + ")";
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

std::string dateAndTime(const Place& place) {
  return place.logDate + " " + place.logTime;
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
  const std::vector<Place>& points = track.points;
  sums.count = static_cast<int>(points.size());
  if (points.empty()) return sums;
  sums.first = dateAndTime(points.front());
  sums.last = dateAndTime(points.back());
  int previousTimed = -1;
  for (int i = 0; i < sums.count; ++i) {
    const Place& p = points[i];
    if (p.latitude == 0 && p.longitude == 0) {
      sums.warnings.push_back(
          {Warning::Kind::AtZero, i, positionName(track, i) + ": at 0,0, no fix of the receiver"});
    }
    if (i > 0) sums.lengthKm += distanceKm(points[i - 1], p);
    if (p.seconds == kNoTime) continue;
    if (previousTimed >= 0) {
      const Place& before = points[previousTimed];
      const std::int64_t gap = p.seconds - before.seconds;
      if (gap < 0) {
        sums.warnings.push_back({Warning::Kind::TimeBack, i,
                                 positionName(track, i) +
                                     ": earlier than the position before it (" + duration(-gap) +
                                     " back)"});
      } else {
        if (gap > sums.largestGapSeconds) {
          sums.largestGapSeconds = gap;
          sums.largestGapAt = i;
        }
        // Two positions in one second are a second apart at most.
        const double km = distanceKm(before, p);
        const double kmh = km / (static_cast<double>(std::max<std::int64_t>(gap, 1)) / 3600);
        if (kmh > kFastestKmh) {
          sums.warnings.push_back({Warning::Kind::Jump, i,
                                   positionName(track, i) + ": " +
                                       format("a jump of %.2f km in %.0f s (%.0f km/h)", km,
                                              static_cast<double>(gap), kmh)});
        }
      }
    }
    previousTimed = i;
  }
  return sums;
}

}  // namespace track

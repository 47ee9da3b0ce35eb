#include "sim/log_operation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "device/log_upload.h"

namespace sim {

void LogOperation::begin(Unit& unit) {
  state_ = State::Sending;
  record_ = 0;
  sent_ = 0;
  pending_ = false;
  acknowledged_ = 0;
  due(unit, startTicks);
}

void LogOperation::receive(Unit& unit, char c) {
  if (c == 'N' && state_ == State::Sending) {
    due(unit, faults.everyTicks);
  } else if (c == '1' && state_ == State::AwaitingOne) {
    ++acknowledged_;
    ++record_;
    sent_ = 0;
    state_ = State::Sending;
    due(unit, faults.everyTicks);
  } else if (c == '1' && state_ == State::Ended) {
    ++acknowledged_;
    unit.finish();
  }
}

void LogOperation::tick(Unit& unit) {
  if (pending_ && ++waited_ >= wait_) {
    pending_ = false;
    sendNext(unit);
  }
}

// The next piece is due: now, or after the given number of ticks.
void LogOperation::due(Unit& unit, int ticks) {
  if (ticks > 0) {
    pending_ = true;
    waited_ = 0;
    wait_ = ticks;
  } else {
    sendNext(unit);
  }
}

void LogOperation::sendNext(Unit& unit) {
  if (state_ != State::Sending) return;
  const bool cut =
      static_cast<int>(record_) == faults.cutRecord && static_cast<int>(sent_) == faults.cutAfter;
  if (record_ >= records.size() || cut) {
    state_ = State::Ended;
    unit.send("E");
    return;
  }
  const std::string& record = records[record_];
  const size_t count =
      std::min(static_cast<size_t>(std::max(1, faults.perRead)), record.size() - sent_);
  std::string piece;
  for (size_t i = 0; i < count; ++i) piece += record[record.size() - 1 - sent_ - i];
  sent_ += count;
  if (sent_ >= record.size()) state_ = State::AwaitingOne;
  unit.send(std::move(piece));
}

namespace {

// The value in decimal, with leading zeros to the given width.
std::string digits(long value, size_t width) {
  std::string text = std::to_string(value);
  return std::string(width > text.size() ? width - text.size() : 0, '0') + text;
}

}  // namespace

std::vector<std::string> plausibleLog(int count) {
  std::vector<std::string> log;
  std::uint32_t seed = 20240315;
  auto random = [&seed](int below) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(below));
  };
  // Position in ten-thousandths of a minute, north and east positive.
  double latitude = 51.0 * 60 * 10000 + 30.1234 * 10000;
  double longitude = -(0 * 60 * 10000 + 7.5000 * 10000);
  double heading = 75.0;  // degrees
  double speed = 0;       // km/h
  int day = 15, month = 3, year = 24;
  int seconds = 7 * 3600 + 58 * 60;
  for (int i = 0; i < count; ++i) {
    // Town driving: speed drifts between standing still and 90 km/h, the heading wanders.
    speed = std::clamp(speed + random(31) - 14, 0.0, 90.0);
    heading = std::fmod(heading + random(41) - 20 + 360.0, 360.0);
    const double metres = speed / 3.6 * 30;
    const double radians = heading * std::numbers::pi / 180;
    latitude += metres * std::cos(radians) / 1852.0 * 10000;
    longitude += metres * std::sin(radians) / 1852.0 * 10000 /
                 std::cos(latitude / 600000.0 * std::numbers::pi / 180);

    const auto lat = static_cast<long>(std::abs(latitude));
    const auto lon = static_cast<long>(std::abs(longitude));
    const char code = static_cast<char>('0' + (latitude < 0 ? 1 : 0) + (longitude < 0 ? 2 : 0));
    log.push_back(digits(seconds / 3600, 2) + digits(seconds / 60 % 60, 2) +
                  digits(seconds % 60, 2) + digits(lat / 600000, 2) + digits(lat / 10000 % 60, 2) +
                  digits(lat % 10000, 4) + digits(lon / 600000, 3) + digits(lon / 10000 % 60, 2) +
                  digits(lon % 10000, 4) + code + digits(static_cast<long>(speed * 10), 4) +
                  digits(static_cast<long>(heading * 10), 4) + digits(day, 2) + digits(month, 2) +
                  digits(year, 2));

    seconds += 30;
    if (seconds >= 24 * 3600) {
      seconds -= 24 * 3600;
      if (++day > 31) {
        day = 1;
        ++month;
      }
    }
  }
  return log;
}

std::string plausibleLogFile(int count) {
  device::Hemisphere letters;
  std::string text;
  for (const std::string& record : plausibleLog(count)) text += device::recordLine(record, letters);
  return text;
}

}  // namespace sim

#include "sim/config_operations.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "link/hex.h"

namespace sim {

namespace {

constexpr int kImageDigits = 736;
constexpr int kDownloadDigits = 738;

}  // namespace

void ConfigSend::begin(Unit& unit) {
  if (!ownDigits_) digits_ = device::hexDigits(memory_->image);
  next_ = 0;
  awaitingAnswer_ = false;
  pauseLeft_ = -1;
  if (lateP) unit.send("p");
  sendNext(unit);
}

void ConfigSend::sendNext(Unit& unit) {
  if (next_ >= digits_.size()) {
    sendVersion(unit);
    return;
  }
  if (pauseAt >= 0 && next_ == static_cast<size_t>(pauseAt) && pauseTicks > 0 && pauseLeft_ < 0) {
    pauseLeft_ = pauseTicks;
    return;
  }
  const size_t count = static_cast<int>(next_) == joinAt ? static_cast<size_t>(joinCount) : 1;
  const std::string piece = digits_.substr(next_, count);
  next_ += piece.size();
  awaitingAnswer_ = true;
  unit.send(piece);
}

void ConfigSend::sendVersion(Unit& unit) {
  const std::string& version = memory_->version;
  if (versionInOnePiece) {
    unit.send(version);
  } else {
    for (const char c : version) unit.send(std::string(1, c));
  }
  unit.finish();
}

void ConfigSend::receive(Unit& unit, char c) {
  if (c != '1' || !awaitingAnswer_) return;
  awaitingAnswer_ = false;
  sendNext(unit);
}

// The pause ends in the tick after `pauseTicks` ticks have passed: the PC's link tick has then
// reached pauseTicks but not yet pauseTicks + 1.
void ConfigSend::tick(Unit& unit) {
  if (pauseLeft_ < 0) return;
  if (pauseLeft_ > 0) {
    --pauseLeft_;
    return;
  }
  // This pause is over; the digit goes out now.
  pauseLeft_ = -1;
  pauseAt = -1;
  sendNext(unit);
}

void ConfigReceive::begin(Unit&) {
  digits_.clear();
}

void ConfigReceive::receive(Unit& unit, char c) {
  digits_ += c;
  const int count = static_cast<int>(digits_.size());
  if (count == replyAfter) {
    const int pieces =
        std::clamp<int>(replyPieces, 1, std::max<int>(1, static_cast<int>(reply.size())));
    for (int i = 0, at = 0; i < pieces; ++i) {
      const int length = (static_cast<int>(reply.size()) - at) / (pieces - i);
      unit.send(reply.substr(static_cast<size_t>(at), static_cast<size_t>(length)));
      at += length;
    }
  }
  if (count == kDownloadDigits) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i + 1 < count; i += 2) {
      bytes.push_back(
          static_cast<std::uint8_t>(16 * device::hexDigitValue(digits_[static_cast<size_t>(i)]) +
                                    device::hexDigitValue(digits_[static_cast<size_t>(i) + 1])));
    }
    std::copy_n(bytes.begin(), memory_->image.size(), memory_->image.begin());
    memory_->lastDownload = std::move(bytes);
    unit.finish();
  }
}

std::shared_ptr<ConfigMemory> installConfigOperations(Unit& unit) {
  auto memory = std::make_shared<ConfigMemory>();
  unit.install<ConfigSend>('U', memory);
  unit.install<ConfigReceive>('D', memory);
  return memory;
}

ConfigMemory plausibleConfiguration() {
  ConfigMemory memory;
  auto& image = memory.image;
  image.fill(255);
  auto put = [&image](int index, std::initializer_list<int> bytes) {
    for (const int byte : bytes)
      image[static_cast<size_t>(index++)] = static_cast<std::uint8_t>(byte);
  };
  auto text = [&image](int index, std::string_view characters) {
    for (const char c : characters)
      image[static_cast<size_t>(index++)] = static_cast<std::uint8_t>(c);
  };
  put(0, {76, 1, 0, 240, 33, 92, 45, 1, 0, 1, 2, 33, 87, 12, 1, 1});  // status, offline, LAT1/2
  text(16, "+27821234567#");
  put(32, {0, 30, 10, 0, 5, 0, 10, 5, 1, 0, 16, 0, 20, 10, 0, 0, 0, 255, 0, 255, 0, 20});
  put(54, {211, 224, 10, 30, 120, 1, 0, 0, 0, 0});  // voltage levels 11.00 and 15.00, ADC
  text(64, "9000");
  text(69, "9001");
  put(74, {0, 1, 0, 1, 0, 1});
  put(85, {18, 25, 41, 0, 18, 51, 23, 0, 0, 65, 1});  // LONG1/2, AUX2 delay, 120 km/h
  text(96, "tracker.example.net");
  text(144, "4815062937");
  put(155, {0});
  text(160, "9100");
  put(165, {0, 0, 1});
  text(168, "guest");
  text(192, "guest");
  put(208, {0, 0, 0});
  text(211, "7391");
  put(216, {3, 0, 0, 60, 0, 1, 10});
  text(224, "internet");
  text(256, "+27827654321#");
  text(272, "+27831000002#");
  text(288, "#");
  text(304, "#");
  put(320, {0, 0, 0, 0, 0, 0, 0});
  text(336, "196.25.1.200");
  text(352, "196.25.1.201");
  memory.version = "2.14";
  return memory;
}

}  // namespace sim

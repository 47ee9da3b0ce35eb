#include "sim/config_operations.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "config/encoding.h"
#include "config/field_store.h"
#include "config/verify.h"
#include "device/hex.h"

namespace sim {

namespace {

constexpr int kImageDigits = 2 * config::kUploadedBytes;
constexpr int kDownloadDigits = 2 * config::kDownloadedBytes;

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
    const int wrong = unit.knobs.storeWrong;
    if (wrong >= 0 && wrong < static_cast<int>(memory_->image.size()))
      ++memory_->image[static_cast<size_t>(wrong)];
    if (unit.knobs.takesDownloadedPassword) {
      config::Image stored;
      for (size_t i = 0; i < bytes.size(); ++i) stored.set(static_cast<int>(i), bytes[i]);
      unit.knobs.password = config::devicePassword(stored);
    }
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
  using F = config::Field;
  // Set up as a technician would, everything else as the program starts with it.
  config::FieldStore fields;
  const std::pair<F, const char*> texts[] = {
      {F::setup1_Text2, "+27821234567"},
      {F::setup1_Text34, "+27827654321"},
      {F::setup1_Text35, "+27831000002"},
      {F::setup1_Text3, "30"},
      {F::setup1_Text4, "10"},
      {F::setup1_Text32, "20"},
      {F::setup1_Text6, "5"},
      {F::setup1_Text7, "10"},
      {F::setup1_Text8, "5"},
      {F::setup1_Text33, "10"},
      {F::setup1_Text29, "120"},
      {F::setup1_Text30, "10"},
      {F::setup1_Text25, "33.9245"},
      {F::setup1_Text24, "33.8712"},
      {F::setup1_Text26, "18.2541"},
      {F::setup1_Text23, "18.5123"},
      {F::setup1_Text22, "60"},
      {F::setup1_Text31, "240"},
      {F::setup1_Text11, "tracker.example.net"},
      {F::setup1_Text12, "9000"},
      {F::setup1_Text10, "9100"},
      {F::setup1_Text21, "internet"},
      {F::setup1_Text18, "guest"},
      {F::setup1_Text19, "guest"},
      {F::setup1_Text20, "9001"},
      {F::setup1_Text13, "196.25.1.200"},
      {F::setup1_Text15, "196.25.1.201"},
      {F::setup3_Text2, "120"},
      {F::setup3_Text3, "30"},
  };
  for (const auto& [field, text] : texts) fields.setText(field, text);
  const std::pair<F, int> choices[] = {
      {F::setup1_Combo2, 2},   {F::setup1_Combo6, 1},   {F::setup1_Combo13, 1},
      {F::setup1_Combo15, 18}, {F::setup1_Combo16, 30}, {F::setup1_Combo12, 1},
      {F::setup1_Combo8, 1},   {F::setup1_Combo9, 1},   {F::setup1_Combo7, 1},
      {F::setup1_Combo1, 1},   {F::setup1_Combo5, 1},   {F::setup3_Combo2, 3},
      {F::setup3_Combo20, 1},  {F::setup3_Combo4, 1},   {F::setup3_Combo8, 1},
      {F::setup3_Combo15, 1},  {F::setup3_Combo13, 1},
  };
  for (const auto& [field, index] : choices) fields.setIndex(field, index);

  config::Image image;
  config::VoltageCodeTable codes;
  if (!config::encodeConfiguration(fields, image, codes).encoded)
    throw std::logic_error("the plausible configuration does not encode");
  ConfigMemory memory;
  std::copy_n(image.bytes().begin(), memory.image.size(), memory.image.begin());
  memory.version = "2.14";
  return memory;
}

}  // namespace sim

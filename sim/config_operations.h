#pragma once
// The unit's side of the configuration transfers.
//   "U": the unit sends its 368 configuration bytes as 736 upper-case hex digits, the first
//        unprompted after "p", each further one after the PC's "1"; then four characters of
//        version text, each its own arrival, unanswered.
//   "D": the unit takes 738 hex digits (369 bytes) and answers "OK".
// Both work on one memory, so what a download stores an upload sends back.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/layout.h"
#include "sim/unit.h"

namespace sim {

struct ConfigMemory {
  std::array<std::uint8_t, config::kUploadedBytes> image{};
  std::string version = "2.14";
  // Every byte of the last complete download, the 369th included.
  std::vector<std::uint8_t> lastDownload;
};

class ConfigSend : public Operation {
 public:
  explicit ConfigSend(std::shared_ptr<ConfigMemory> memory) : memory_(std::move(memory)) {}
  // Any characters at all, sent one per "1" in place of the memory's digits.
  ConfigSend(std::shared_ptr<ConfigMemory> memory, std::string digits)
      : memory_(std::move(memory)), digits_(std::move(digits)), ownDigits_(true) {}

  // Sends a "p" of its own before the first digit, as a late acceptance.
  bool lateP = false;
  // The digit at this position comes in one piece with the `joinCount - 1` after it (-1: never).
  int joinAt = -1;
  int joinCount = 2;
  // Before the digit at this position the unit keeps silent until `pauseTicks` link ticks have
  // passed (-1: never).
  int pauseAt = -1;
  int pauseTicks = 0;
  // The version text in one piece instead of four.
  bool versionInOnePiece = false;

  void begin(Unit& unit) override;
  void receive(Unit& unit, char c) override;
  void tick(Unit& unit) override;
  bool pausing() const override { return pauseLeft_ >= 0; }

  // Digits sent so far.
  int sent() const { return static_cast<int>(next_); }

 private:
  void sendNext(Unit& unit);
  void sendVersion(Unit& unit);

  std::shared_ptr<ConfigMemory> memory_;
  std::string digits_;
  bool ownDigits_ = false;
  size_t next_ = 0;
  bool awaitingAnswer_ = false;
  int pauseLeft_ = -1;
};

class ConfigReceive : public Operation {
 public:
  explicit ConfigReceive(std::shared_ptr<ConfigMemory> memory) : memory_(std::move(memory)) {}

  // The confirmation, sent in this many arrivals once `replyAfter` digits have come.
  std::string reply = "OK";
  int replyPieces = 1;
  int replyAfter = 2 * config::kDownloadedBytes;

  void begin(Unit& unit) override;
  void receive(Unit& unit, char c) override;

  // The digits received in this download.
  const std::string& digits() const { return digits_; }

 private:
  std::shared_ptr<ConfigMemory> memory_;
  std::string digits_;
};

// Installs "U" and "D" on one memory and returns it.
std::shared_ptr<ConfigMemory> installConfigOperations(Unit& unit);

// A configuration such as a unit in service holds.
ConfigMemory plausibleConfiguration();

}  // namespace sim

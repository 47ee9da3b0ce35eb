#pragma once
// The unit's GPS log ("L"): each 38-character record goes out last character first, the first
// character unprompted and each further one after the PC's "N"; after a whole record the unit
// waits for "1"; when no record is left it sends "E" and waits for the PC's "N" and "1".
#include <string>
#include <vector>

#include "sim/unit.h"

namespace sim {

class LogOperation : public Operation {
 public:
  // Records in reading order (positions 1 to 38).
  explicit LogOperation(std::vector<std::string> records = {}) : records(std::move(records)) {}

  std::vector<std::string> records;

  // Faults of a unit or a line, beside the unit's generic knobs (silentAfter among them).
  struct {
    int cutRecord = -1;  // this record (0-based) is cut short by "E" ...
    int cutAfter = 0;    // ... after this many of its characters
    int perRead = 1;     // characters sent at once, without waiting for "N"
    int everyTicks = 0;  // a piece goes out this many ticks after it is due (0: at once)
  } faults;

  // The unit changes to 38400 baud after its "p" and starts once the PC has had time to do
  // the same: its first character goes out this many ticks later, so at least a second later
  // (a tick comes at any moment). A character sent at once could reach the PC before it has
  // switched and discarded what came in at the old speed.
  int startTicks = 2;

  // "1"s received, that is records the PC has acknowledged (the end mark's included).
  int acknowledged() const { return acknowledged_; }

  void begin(Unit& unit) override;
  void receive(Unit& unit, char c) override;
  void tick(Unit& unit) override;
  bool pausing() const override { return pending_; }

 private:
  enum class State { Sending, AwaitingOne, Ended };
  void due(Unit& unit, int ticks);
  void sendNext(Unit& unit);

  State state_ = State::Ended;
  size_t record_ = 0;
  size_t sent_ = 0;  // characters of the current record sent so far
  bool pending_ = false;
  int waited_ = 0;
  int wait_ = 0;
  int acknowledged_ = 0;
};

// A plausible log of `count` records: a drive around a city, one fix every half minute.
std::vector<std::string> plausibleLog(int count);
// The same log as a GPS log upload writes it to its .csv file.
std::string plausibleLogFile(int count);

}  // namespace sim

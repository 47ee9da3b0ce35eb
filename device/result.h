#pragma once
// How an exchange ended, as a fact: the window turns it into its indicators and boxes, the
// command line into its words. Neither reads the other's presentation back.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "config/problems.h"
#include "device/port_failure.h"
#include "device/progress.h"
#include "device/unsendable_cell.h"

namespace device {

enum class Ending {
  Finished,         // the transfer ran to its end and the unit took part to the last
  Invalid,          // refused before the port was opened: what would be sent cannot be
  PortUnavailable,  // the port could not be opened
  WrongPassword,    // the unit answered the poll but did not accept the password
  Unconfirmed,      // everything was sent; the unit did not confirm it
  TimedOut,         // the unit fell silent during `phase`
  Cancelled,        // stopped by the user (or the command line's limits) during `phase`
  FileFailed,       // the GPS log file could not be created or written
  Damaged,          // what arrived was garbled; nothing of it was applied
};

// Why a download was refused before the port was opened, found once by the session.
struct Refusal {
  // A configuration: the problems in the order the download met them (config/encoding.h); none
  // when only the encoding of a text failed.
  std::vector<config::Problem> problems;
  // How many problems the configuration window's check finds in the same fields.
  std::size_t checkFinds = 0;
  // A table: its first coordinate the unit cannot store.
  std::optional<UnsendableCell> cell;
};

struct Result {
  Ending ending = Ending::Finished;
  // Where the exchange was when it ended.
  Stage phase = Stage::Polling;
  // PortUnavailable: why, when the port could say, and its one line naming the device.
  std::optional<PortFault> fault;
  std::string portDetail;
  // Invalid: why.
  Refusal refusal;
  // Data moved: what the transfer counts (digits, bytes or characters), against the whole.
  long long moved = 0;
  long long total = 0;
  Counting counting = Counting::Characters;
  // GPS log: the positions saved. GPS log, configuration and table uploads: the records or
  // digits that arrived garbled.
  long long positions = 0;
  long long damaged = 0;
  // GPS log: the end mark came inside a record (a damaged character can read as "E"), so the
  // unit may hold more of its log than arrived. That record is among the damaged.
  bool endedInsideRecord = false;
  // The file written (the GPS log's name; the saved configuration or table on the command line).
  std::string file;
  // FileFailed for a saved configuration or table: why the file could not be written.
  std::string fileFailure;
  // Configuration upload: the unit's version text.
  std::string version;

  // The unit took part to the end: anything else is a failure or a cancel.
  bool finished() const { return ending == Ending::Finished; }
};

}  // namespace device

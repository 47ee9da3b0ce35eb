#pragma once
// The words of the main menu's status line: what the exchange is doing, from its start to its
// outcome. Plain C++ over the exchange's progress reports and a clock the caller gives (seconds
// from any fixed point), so the tests drive it in virtual time; the window decides how often
// the line is painted. The texts are UTF-8.
#include <ctime>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "device/progress.h"

namespace words {

// How an exchange ended, as the status line says it. Incomplete: a GPS log that was saved with
// records lost on the way (damaged, or cut by the end mark).
enum class Ending { Done, Failed, Cancelled, Incomplete };

// What the status line says after a configuration load from `name` (the file's name):
// whether it loaded, which texts were cut to fit their fields, and after a failed load which
// records were applied, since the fields before the failure keep the file's values.
std::string configurationLoadText(const std::string& name, bool loaded,
                                  const config::LoadReport& report);
// The same for a GPS location table load: `rows` were set before a failure.
std::string tableLoadText(const std::string& name, bool loaded, int rows);
// After a save of `what` ("Configuration", "GPS location table") to `path`.
std::string saveText(const std::string& what, const std::string& path, bool saved);
// Unsaved edits kept at `when` that the windows do not show; the Restore link follows the words.
std::string keptEditsText(std::time_t when);
// A download refused before the port opened, by its causes ("Input voltage low trigger level:
// nothing selected"), all of them, with their count when there are several. The download applies
// fewer rules than the configuration window's check: when the check finds another number of
// problems (`checkFinds`), the line says so, so that the two counts never seem to disagree.
std::string refusalText(const std::vector<std::string>& causes, std::size_t checkFinds);

// What the status line adds after a configuration download read back: whether the read-back
// finished, the captions of the fields that came back otherwise, the unit's version text.
std::string readBackText(bool finished, const std::vector<std::string>& differing,
                         const std::string& version);

class StatusText {
 public:
  // Unanswered polls after which the line adds where to look.
  static constexpr int kHintPolls = 3;
  // Seconds without data after which the line says the data has stopped.
  static constexpr int kStallSeconds = 2;

  // An exchange for `operation` starts on `port` ("COM1"), whose device is `device`
  // ("/dev/ttyUSB0"), described by the system as `description` (empty: no description).
  void start(int operation, std::string port, std::string device, std::string description,
             double now);
  void progress(const device::Progress& progress, double now);
  // The exchange ended at `clock` ("14:02:11"): how, the outcome's own words (the box the user
  // is shown; may be empty) and the full path of the file it wrote (empty: none). A cancelled
  // GPS log upload gives the positions its file kept (-1: not a GPS log).
  void end(Ending ending, const std::string& clock, const std::string& outcome,
           const std::string& path, long long keptPositions = -1);

  // Something the technician did outside an exchange (a load), said in full; it replaces the
  // last exchange's ending. Ignored while an exchange runs.
  void note(std::string text);

  // The line as it reads at `now`; empty before the first exchange.
  std::string text(double now) const;

 private:
  enum class Phase { Idle, Running, Ended };
  std::string pollingText(double now) const;
  std::string dataText(double now) const;

  Phase phase_ = Phase::Idle;
  int operation_ = 0;
  std::string port_, device_, description_;
  double startedAt_ = 0;
  device::Stage stage_ = device::Stage::Polling;
  int polls_ = 0;
  bool portLost_ = false;
  long long done_ = 0, total_ = 0, positions_ = -1;
  device::Counting counting_ = device::Counting::Characters;
  std::string file_;
  double dataStartedAt_ = 0, lastDataAt_ = 0;
  std::string ended_;
};

}  // namespace words

#include "words/status_text.h"

#include <array>
#include <cmath>
#include <ctime>

#include "config/field_table.h"
#include "device/exchange.h"
#include "loctable/cells.h"

namespace words {

namespace {

// By operation code.
constexpr std::array<const char*, device::kOperationCount> kOperationNames = {
    "Configuration upload", "Configuration download", "GPS log upload", "GPS table upload",
    "GPS table download"};

std::string wholeSeconds(double seconds) {
  return std::to_string(static_cast<long long>(std::floor(std::max(0.0, seconds))));
}

}  // namespace

std::string configurationLoadText(const std::string& name, bool loaded,
                                  const config::LoadReport& report) {
  std::string text;
  if (loaded) {
    text = "Loaded " + name + ".";
  } else if (report.records == 0) {
    text = "Nothing loaded from " + name + ": " + report.failure + ".";
  } else {
    text = "Loaded records 1 to " + std::to_string(report.records) + " of " +
           std::to_string(config::kFileRecordCount) + " from " + name +
           "; the other fields keep their earlier values. Download would send this mix. (" +
           report.failure + ".)";
  }
  if (!report.cut.empty()) {
    text += " Cut to fit:";
    for (size_t i = 0; i < report.cut.size(); ++i) {
      const config::LoadReport::Cut& cut = report.cut[i];
      text += (i == 0 ? " " : ", ") + config::fieldCaption(cut.field) + " (" +
              std::to_string(cut.length) + " characters, " + std::to_string(cut.kept) + " kept)";
    }
    text += ".";
  }
  return text;
}

std::string tableLoadText(const std::string& name, bool loaded, int rows) {
  if (loaded) return "Loaded " + name + ".";
  if (rows == 0) return "Nothing loaded from " + name + ".";
  return "Loaded rows 1 to " + std::to_string(rows) + " of " + std::to_string(loctable::kRows) +
         " from " + name +
         "; the other rows keep their earlier values. Download would send this mix.";
}

std::string saveText(const std::string& what, const std::string& path, bool saved) {
  return saved ? what + " saved to " + path + "." : what + " not saved to " + path + ".";
}

std::string keptEditsText(std::time_t when) {
  char date[32] = "";
  std::tm local{};
  if (::localtime_r(&when, &local)) std::strftime(date, sizeof date, "%d-%m-%Y %H:%M", &local);
  return std::string("Unsaved edits from ") + date + " were kept:";
}

std::string refusalText(const std::vector<std::string>& causes, std::size_t checkFinds) {
  std::string text = "Refused";
  if (checkFinds != causes.size()) {
    text += " (" + std::to_string(causes.size()) + (causes.size() == 1 ? " problem" : " problems") +
            " by the download's rules; the check finds " + std::to_string(checkFinds) + ")";
  } else if (causes.size() > 1) {
    text += " (" + std::to_string(causes.size()) + " problems)";
  }
  for (size_t i = 0; i < causes.size(); ++i) text += (i == 0 ? ": " : "; ") + causes[i];
  return text + ".";
}

void StatusText::start(int operation, std::string port, std::string device, std::string description,
                       double now) {
  *this = StatusText();
  phase_ = Phase::Running;
  operation_ = operation;
  port_ = std::move(port);
  device_ = std::move(device);
  description_ = std::move(description);
  startedAt_ = now;
}

void StatusText::progress(const device::Progress& progress, double now) {
  if (phase_ != Phase::Running) return;
  if (progress.stage == device::Stage::Data && stage_ != device::Stage::Data) {
    dataStartedAt_ = lastDataAt_ = now;
  }
  stage_ = progress.stage;
  polls_ = progress.polls;
  portLost_ = progress.portLost;
  if (progress.done != done_) lastDataAt_ = now;
  done_ = progress.done;
  total_ = progress.total;
  counting_ = progress.counting;
  positions_ = progress.positions;
  if (progress.file != file_) file_ = progress.file;
}

std::string readBackText(bool finished, const std::vector<std::string>& differing,
                         const std::string& version) {
  if (!finished) return "Read back: failed, not verified.";
  std::string text;
  if (differing.empty()) {
    text = "Read back: verified";
  } else {
    text = "Read back otherwise, not verified:";
    for (const std::string& caption : differing) text += " " + caption + ",";
    text.pop_back();
  }
  return text + " (unit version " + version + ").";
}

void StatusText::end(Ending ending, const std::string& clock, const std::string& outcome,
                     const std::string& path, long long keptPositions) {
  static constexpr const char* kWords[] = {"Done", "Failed", "Cancelled", "Incomplete"};
  ended_ = std::string(kWords[static_cast<int>(ending)]) + " at " + clock;
  if (!outcome.empty()) {
    std::string oneLine = outcome;
    for (char& c : oneLine) {
      if (c == '\n') c = ' ';
    }
    ended_ += ": " + oneLine;
  }
  if (ended_.find_last_of(".!?") != ended_.size() - 1) ended_ += ".";
  if (ending == Ending::Cancelled && keptPositions >= 0 && !path.empty()) {
    // What the cancelled GPS log left behind: whole positions, or nothing at all.
    ended_ += keptPositions == 0
                  ? " The file " + path + " is empty."
                  : " Kept " + std::to_string(keptPositions) +
                        (keptPositions == 1 ? " position in " : " positions in ") + path + ".";
  } else if (!path.empty()) {
    ended_ += " File: " + path;
  }
  phase_ = Phase::Ended;
}

void StatusText::note(std::string text) {
  if (phase_ == Phase::Running) return;
  ended_ = std::move(text);
  phase_ = Phase::Ended;
}

std::string StatusText::text(double now) const {
  switch (phase_) {
    case Phase::Idle:
      return {};
    case Phase::Ended:
      return ended_;
    case Phase::Running:
      break;
  }
  switch (stage_) {
    case device::Stage::Polling:
      return pollingText(now);
    case device::Stage::Password:
    case device::Stage::Acceptance:
      return port_ + ": the unit answered; checking the password.";
    case device::Stage::Data:
      break;
  }
  return dataText(now);
}

std::string StatusText::pollingText(double now) const {
  std::string text = port_;
  if (!device_.empty()) {
    text += " (" + device_;
    if (!description_.empty()) text += ", " + description_;
    text += ")";
  }
  text += portLost_ ? ": device lost, opening it again at each poll; " : ": trying to connect; ";
  text += wholeSeconds(now - startedAt_) + " s, " + std::to_string(polls_) +
          (polls_ == 1 ? " poll" : " polls") + " sent.";
  if (polls_ >= kHintPolls) {
    text += " No answer: check the cable, the unit's power and the chosen port.";
  }
  return text;
}

std::string StatusText::dataText(double now) const {
  std::string text = kOperationNames.at(static_cast<size_t>(operation_));
  text += ": ";
  if (positions_ >= 0) {
    text += std::to_string(positions_) + (positions_ == 1 ? " position" : " positions") + " saved";
    if (!file_.empty()) text += " to " + file_;
  } else {
    text += std::to_string(done_);
    if (total_ > 0) text += " of " + std::to_string(total_);
    text += std::string(" ") + device::countingName(counting_);
  }
  const double elapsed = now - dataStartedAt_;
  if (elapsed >= 1 && done_ > 0) {
    text += ", " + std::to_string(std::lround(static_cast<double>(done_) / elapsed)) + " " +
            device::countingName(counting_) + "/s";
  }
  text += ".";
  if (now - lastDataAt_ >= kStallSeconds) {
    text += " No data for " + wholeSeconds(now - lastDataAt_) + " s.";
  }
  return text;
}

}  // namespace words

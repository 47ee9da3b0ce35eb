#include "cli/unit_job.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/config_report.h"
#include "config/config_file.h"
#include "config/field_table.h"
#include "device/table_download.h"
#include "loctable/table_file.h"
#include "logfile/disk_log_folder.h"
#include "records/safe_file.h"
#include "serial/serial_port.h"

namespace cli {

// The port the exchange talks through, counting the characters that cross the line.
class UnitJob::CountingPort : public device::Port {
 public:
  explicit CountingPort(std::unique_ptr<device::Port> inner) : inner_(std::move(inner)) {
    inner_->onArrival([this] { arrived(); });
  }
  ~CountingPort() override { inner_->onArrival(nullptr); }

  bool isOpen() const override { return inner_->isOpen(); }
  bool open(const std::string& device, const device::LineSettings& settings) override {
    return inner_->open(device, settings);
  }
  std::string openFailure() const override { return inner_->openFailure(); }
  std::optional<device::PortFault> openFault() const override { return inner_->openFault(); }
  bool setSettings(const device::LineSettings& settings) override {
    return inner_->setSettings(settings);
  }
  void close() override { inner_->close(); }
  void discardInput() override { inner_->discardInput(); }
  int waiting() override { return inner_->waiting(); }
  std::string read() override {
    std::string text = inner_->read();
    count += static_cast<long long>(text.size());
    return text;
  }
  void write(std::string_view text) override {
    if (inner_->isOpen()) count += static_cast<long long>(text.size());
    inner_->write(text);
  }

  long long count = 0;

 private:
  std::unique_ptr<device::Port> inner_;
};

namespace {

constexpr std::pair<Action, device::Operation> kOperations[] = {
    {Action::ReadConfig, device::kConfigUpload},  {Action::WriteConfig, device::kConfigDownload},
    {Action::ReadLog, device::kLogUpload},        {Action::ReadTable, device::kTableUpload},
    {Action::WriteTable, device::kTableDownload},
};

int operationOf(Action action) {
  for (const auto& [which, code] : kOperations) {
    if (which == action) return code;
  }
  return device::kConfigUpload;
}

std::string plural(long long count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

const char* phaseName(device::Stage stage) {
  switch (stage) {
    case device::Stage::Polling:
      return "the poll";
    case device::Stage::Password:
    case device::Stage::Acceptance:
      return "the password check";
    case device::Stage::Data:
      break;
  }
  return "the data transfer";
}

// What a finished exchange did, by action.
std::string finishedWords(const JobSetup& setup, const device::Result& result) {
  switch (setup.action) {
    case Action::ReadConfig:
      return "configuration read (unit version \"" + result.version + "\")";
    case Action::WriteConfig:
      return "configuration written; the unit confirmed it";
    case Action::ReadLog:
      return result.positions == 0 && result.damaged == 0
                 ? "the unit's GPS log is empty"
                 : plural(result.positions, "position", "positions") + " saved";
    case Action::ReadTable:
      return "GPS location table read";
    case Action::WriteTable:
      return "GPS location table written; the unit took every byte";
  }
  return {};
}

// Why nothing was sent: the configuration's problems, or the table's first unsendable cell.
std::string refusalWords(const device::Refusal& refusal) {
  if (refusal.cell) {
    return "nothing sent: " + device::unsendableCellWords(*refusal.cell) +
           " (a latitude 0 to 90, a longitude 0 to 180, four decimals at most; 255 for none)";
  }
  const std::vector<Problem> problems = config::counted(refusal.problems);
  if (problems.empty()) return "nothing sent: the configuration cannot be encoded";
  std::string words = "nothing sent: " + problemLine(problems.front());
  if (problems.size() > 1)
    words +=
        " (and " + plural(problems.size() - 1, "more problem", "more problems") + "; see check)";
  return words;
}

// What the read-back of a written configuration showed: "verified", each field that came back
// otherwise with both values, or why the read-back did not finish.
std::string readBackWords(const session::Session& session, const config::Fields& meant,
                          bool& verified) {
  const session::Session::ReadBack& proof = session.readBack();
  verified = proof.result.finished() && proof.unconfirmed.empty();
  if (proof.result.ending == device::Ending::Cancelled)
    return std::string("not verified: the read-back was cancelled during ") +
           phaseName(proof.result.phase);
  if (!proof.result.finished()) {
    JobSetup reading;
    reading.action = Action::ReadConfig;
    return "not verified: the read-back failed: " + describe(reading, proof.result).cause;
  }
  if (verified) return "verified";
  std::string words = "NOT verified, read back otherwise:";
  for (const config::Field field : proof.unconfirmed) {
    const std::string written = config::shownValue(meant, field);
    const std::string read = config::shownValue(session.readBackFields(), field);
    words += " " + fieldName(field) + " " + written + " written, " +
             (read == written ? std::string("a value that names no item") : read) + " read back;";
  }
  words.pop_back();
  return words;
}

}  // namespace

Outcome describe(const JobSetup& setup, const device::Result& result) {
  Outcome outcome;
  outcome.port = setup.port;
  outcome.ok = result.finished();
  using device::Ending;
  switch (result.ending) {
    case Ending::Finished:
      outcome.cause = finishedWords(setup, result);
      if (result.damaged > 0) {
        outcome.warning = true;
        outcome.cause += "; " + plural(result.damaged, "damaged record", "damaged records") +
                         " left out: check the cable and upload again";
        if (result.endedInsideRecord)
          outcome.cause += "; the log ended inside a record and may be incomplete";
      }
      break;
    case Ending::Invalid:
      outcome.cause = refusalWords(result.refusal);
      break;
    case Ending::PortUnavailable:
      outcome.cause = result.portDetail.empty() ? "port not available"
                                                : "port not available: " + result.portDetail;
      break;
    case Ending::WrongPassword:
      // The unit says nothing to a password it does not take: all that is known is the phase.
      outcome.cause =
          "Invalid Password: the unit answered the poll, no answer to the password in " +
          std::to_string(device::kAcceptanceTicks) + " s: give the unit's password with " +
          (setup.action == Action::WriteConfig ? "--password, or as the file's Existing Password"
                                               : "--password");
      break;
    case Ending::Unconfirmed:
      outcome.cause = "the unit did not confirm the configuration (no \"OK\" after the last digit)";
      break;
    case Ending::TimedOut:
      outcome.cause = std::string("the unit fell silent during ") + phaseName(result.phase) +
                      " after " + std::to_string(result.moved) + " of " +
                      (result.total > 0 ? std::to_string(result.total) : std::string("?")) + " " +
                      device::countingName(result.counting);
      if (setup.action == Action::ReadLog)
        outcome.cause = "the unit fell silent during the GPS log after " +
                        plural(result.positions, "position", "positions");
      break;
    case Ending::Cancelled:
      outcome.cancelled = true;
      outcome.cause = std::string("cancelled during ") + phaseName(result.phase);
      if (setup.action == Action::ReadLog && result.phase == device::Stage::Data) {
        outcome.cause = result.positions == 0
                            ? "cancelled during the GPS log before its first position; no file kept"
                            : "cancelled during the GPS log; " +
                                  plural(result.positions, "whole line", "whole lines") +
                                  " kept in " + result.file;
      } else if (setup.action == Action::WriteConfig && result.phase == device::Stage::Data &&
                 result.total > 0 && result.moved == result.total) {
        // The stream runs to its last digit once started: a cancel finds it sent, the unit
        // perhaps already holding it.
        outcome.cause =
            "all digits sent; the unit's confirmation was not awaited: it may hold the new "
            "configuration";
      } else if (result.phase == device::Stage::Data) {
        const bool reads = setup.action == Action::ReadConfig || setup.action == Action::ReadTable;
        outcome.cause += " after " + std::to_string(result.moved) + " of " +
                         std::to_string(result.total) + " " +
                         device::countingName(result.counting) + (reads ? "; nothing saved" : "");
      }
      break;
    case Ending::FileFailed:
      if (setup.action == Action::ReadLog) {
        const std::string folder = setup.target.empty() ? "the current folder" : setup.target;
        outcome.cause = "the GPS log file could not be created or written in " + folder;
      } else {
        outcome.cause = "read, but " + setup.target + " could not be saved" +
                        (result.fileFailure.empty() ? "" : ": " + result.fileFailure);
      }
      break;
    case Ending::Damaged:
      outcome.cause = plural(result.damaged, "damaged character", "damaged characters") +
                      " arrived; nothing was saved: check the cable and upload again";
      break;
  }
  if (outcome.ok || result.ending == Ending::FileFailed) outcome.file = result.file;
  return outcome;
}

UnitJob::UnitJob(JobSetup setup, std::unique_ptr<device::Port> port) : setup_(std::move(setup)) {
  if (const auto device = serial::portDevice(setup_.port, portError_)) device_ = *device;
  if (!port) port = std::make_unique<serial::SerialPort>();
  port_ = std::make_unique<CountingPort>(std::move(port));
  config::applyStartupValues(fields_);
  outcome_.port = setup_.port;
  outcome_.device = device_;
}

UnitJob::~UnitJob() {
  session_.reset();
}

long long UnitJob::bytes() const {
  return port_->count;
}

void UnitJob::say(const std::string& text) {
  if (line_) line_(setup_.port + ": " + text);
}

void UnitJob::progress(const device::Progress& report) {
  // The password check's two reports are one stage for the one reading the line.
  const bool checking =
      report.stage == device::Stage::Password || report.stage == device::Stage::Acceptance;
  const bool wasChecking = lastProgress_.stage == device::Stage::Password ||
                           lastProgress_.stage == device::Stage::Acceptance;
  if (report.stage != lastProgress_.stage && !(checking && wasChecking))
    stageStarted_ = std::chrono::steady_clock::now();
  lastProgress_ = report;
  connecting_ = report.stage == device::Stage::Polling;
}

namespace {

// What a running unit holds open, measured on the program: the serial device and the lock file
// that keeps other programs off it while it is open, the precise timer of the pacing, the trace
// when asked for, and the GPS log file, written as its lines come.
constexpr int kPortDescriptors = 2;
constexpr int kTimerDescriptors = 1;
constexpr int kTraceDescriptors = 1;
constexpr int kLogFileDescriptors = 1;

}  // namespace

int UnitJob::descriptorsNeeded() const {
  return kPortDescriptors + kTimerDescriptors + (setup_.trace.empty() ? 0 : kTraceDescriptors) +
         (setup_.action == Action::ReadLog ? kLogFileDescriptors : 0);
}

void UnitJob::start(std::function<void()> done) {
  done_ = std::move(done);
  started_ = stageStarted_ = std::chrono::steady_clock::now();
  if (device_.empty()) return endUnstarted(device::Ending::PortUnavailable, portError_);
  // The session, its timer and its files exist from here to the end of the exchange only: a
  // fleet's waiting units hold nothing.
  pacing_ = std::make_unique<QObject>();
  session_ = std::make_unique<session::Session>(
      *port_,
      session::Workspace{&fields_, &cells_,
                         std::make_shared<logfile::DiskLogFolder>(setup_.target, setup_.logPrefix)},
      pacing_.get());
  session_->onProgress([this](const device::Progress& report) { progress(report); });
  session_->onFinished(
      [this](const device::Result& result, std::exception_ptr error) { ended(result, error); });
  // The unit's password is what the technician types as the existing password.
  fields_.setText(config::Field::setup1_Text9, setup_.password);
  std::string why;
  if (!session_->traceTo(setup_.trace, &why))
    return endUnstarted(device::Ending::FileFailed, serial::traceFailureWords(setup_.trace, why));
  const bool reads = setup_.action == Action::ReadConfig || setup_.action == Action::ReadTable;
  session_->start({operationOf(setup_.action), device_, reads ? setup_.target : std::string(),
                   setup_.verify && setup_.action == Action::WriteConfig});
}

void UnitJob::cannotStart(std::string cause) {
  if (!finished_) endUnstarted(device::Ending::PortUnavailable, std::move(cause));
}

void UnitJob::endUnstarted(device::Ending ending, std::string cause) {
  // No time of its own: a unit that never started took none.
  started_ = stageStarted_ = std::chrono::steady_clock::now();
  device::Result result;
  result.ending = ending;
  if (ending == device::Ending::Cancelled) {
    ended(result, nullptr);
    outcome_.cause = std::move(cause);
    return;
  }
  givenUp_ = std::move(cause);
  say(givenUp_);
  ended(result, nullptr);
}

void UnitJob::tick() {
  if (finished_ || !session_) return;
  ++seconds_;
  // The exchange sees the second end first: an answer that came during it moves it on to the
  // password, and only a poll phase that goes on counts against the wake limit.
  session_->link().timerTick();
  if (finished_) return;
  waking_ = connecting_ ? waking_ + 1 : 0;
  if (waking_ >= setup_.wakeLimit.count()) {
    giveUp("the unit does not answer (no reply to the poll in " +
           std::to_string(setup_.wakeLimit.count()) +
           " s): check the cable, the unit's power and the port");
    return;
  }
  if (seconds_ >= setup_.totalLimit.count()) {
    giveUp("time limit of " + std::to_string(setup_.totalLimit.count()) + " s reached");
  }
}

void UnitJob::cancel() {
  if (finished_) return;
  if (session_) return session_->link().cancel();
  endUnstarted(device::Ending::Cancelled, "cancelled before its turn; its port was never opened");
}

void UnitJob::giveUp(std::string cause) {
  if (!givenUp_.empty()) return;
  givenUp_ = std::move(cause);
  say(givenUp_);
  session_->link().cancel();
  // A transfer that does not look at the cancel flag in its wait is ended here.
  session_->link().abort();
}

void UnitJob::ended(const device::Result& result, std::exception_ptr error) {
  if (finished_) return;
  finished_ = true;
  const std::string device = outcome_.device;
  outcome_ = describe(setup_, result);
  outcome_.device = device;
  // A GPS log file is named even when the upload failed or was stopped: it holds what came.
  if (setup_.action == Action::ReadLog) outcome_.file = result.file;
  // A stopped or failed upload's file without a single position would look like a log that is
  // empty; only a finished upload's says so truly.
  if (setup_.action == Action::ReadLog && (!result.finished() || error) && result.positions == 0 &&
      !result.file.empty()) {
    std::error_code ignored;
    if (std::filesystem::file_size(result.file, ignored) == 0) {
      std::filesystem::remove(result.file, ignored);
      outcome_.file.clear();
    }
  }
  // What was read and could not be saved where asked is kept elsewhere, and the cause says where.
  if (result.ending == device::Ending::FileFailed && !error) {
    if (const std::string kept = keepUnsaved(); !kept.empty())
      outcome_.cause += "; what was read is kept in " + kept;
  }
  if (error) {
    outcome_.ok = false;
    outcome_.cause = "unexpected error" + device::errorDetail(error);
  } else if (!givenUp_.empty()) {
    outcome_.ok = false;
    outcome_.cancelled = false;
    outcome_.cause = givenUp_;
  }
  outcome_.version = result.version;
  // A unit that never started (no port, no descriptors, cancelled while waiting) has no session.
  if (outcome_.ok && session_ && session_->readBack().ran) {
    bool verified = false;
    outcome_.cause += "; " + readBackWords(*session_, fields_, verified);
    if (!result.version.empty()) outcome_.cause += " (unit version \"" + result.version + "\")";
    outcome_.verified = verified;
    outcome_.ok = verified;
    // The write went through; what was stopped is its proof, by the technician.
    outcome_.cancelled = session_->readBack().result.ending == device::Ending::Cancelled;
  }
  // A trace that lost lines is no trace to send to support: the run says so and fails.
  if (const std::string lost = session_ ? session_->traceFailure() : std::string();
      !lost.empty() && !setup_.trace.empty()) {
    const std::string words = serial::traceFailureWords(setup_.trace, lost);
    // A unit given up or cancelled has had its line said already; the failed trace gets one.
    if (!givenUp_.empty() || outcome_.cancelled) say(words);
    outcome_.ok = false;
    outcome_.cause += "; " + words;
  }
  if (!outcome_.ok && !outcome_.cancelled && givenUp_.empty()) say(outcome_.cause);
  outcome_.bytes = bytes();
  outcome_.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  // The session is let go of from the event loop: this runs inside its own report.
  QMetaObject::invokeMethod(
      &context_, [this] { release(); }, Qt::QueuedConnection);
}

std::string UnitJob::keepUnsaved() const {
  const bool config = setup_.action == Action::ReadConfig;
  if ((!config && setup_.action != Action::ReadTable) || setup_.keepUnsavedIn.empty()) return {};
  const std::string text =
      config ? config::configurationText(fields_) : loctable::tableText(cells_);
  // A name of its own beside nothing it could replace; readable by the technician alone, since a
  // configuration holds the unit's passwords.
  std::string name =
      setup_.keepUnsavedIn + "/gpstracking-unsaved-XXXXXX" + (config ? ".cfg" : ".txt");
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) return {};
  ::close(fd);
  if (records::replaceFile(name, text)) return name;
  std::remove(name.c_str());
  return {};
}

void UnitJob::release() {
  session_.reset();
  pacing_.reset();
  if (done_) done_();
}

}  // namespace cli

#pragma once
// One unit's exchange on the command line: its own port and session over its own configuration
// fields, table and log folder, run on the Qt event loop beside the other units of a fleet. The
// session's result becomes the unit's outcome, in the command line's own words.
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/field_store.h"
#include "loctable/cell_store.h"
#include "session/session.h"

namespace cli {

enum class Action { ReadConfig, WriteConfig, ReadLog, ReadTable, WriteTable };

struct JobSetup {
  Action action = Action::ReadConfig;
  std::string port;      // as given: "COM3" or a device path
  std::string password;  // the unit's password
  // ReadConfig, ReadTable: the file written (empty: none, the fields stay in the job).
  // ReadLog: the folder (empty: the current one). Write*: unused, the job gets its data.
  std::string target;
  // A fleet's log files carry the port in front of their names.
  std::string logPrefix;
  std::chrono::seconds wakeLimit{10};    // no answer to the poll in this time: given up
  std::chrono::seconds totalLimit{900};  // the whole exchange, whatever it waits for
  // WriteConfig: read the configuration back and compare it with what was written.
  bool verify = false;
  // Every character of the exchange goes to a trace in this file (empty: none).
  std::string trace{};
  // ReadConfig, ReadTable: where what was read is kept when `target` cannot be written, in a
  // new file of its own (empty: nowhere).
  std::string keepUnsavedIn{};
};

struct Outcome {
  std::string port;
  std::string device;
  bool ok = false;
  // Stopped by the user (Ctrl-C, SIGTERM) before it ended: not ok, and not a failure of the unit.
  bool cancelled = false;
  // Done, but with something left out (damaged GPS log records): ok stays true.
  bool warning = false;
  std::string cause;  // what happened, in a line
  long long bytes = 0;
  double seconds = 0;
  std::string file;     // the file written, if any
  std::string version;  // the unit's version text, when an upload or a read-back gave it
  // A write asked to verify: whether what was read back confirmed it (nothing: not asked, or
  // the write did not finish).
  std::optional<bool> verified;
};

// The outcome's words for a session's result: `action` on the unit, `setup` as given.
Outcome describe(const JobSetup& setup, const device::Result& result);

class UnitJob {
 public:
  // `port` is the serial port to use; null: the program's serial port.
  UnitJob(JobSetup setup, std::unique_ptr<device::Port> port = nullptr);
  ~UnitJob();

  // What a write sends; set before start().
  config::FieldStore& fields() { return fields_; }
  loctable::CellStore& cells() { return cells_; }

  // Starts the exchange; `done` runs from the event loop once it has ended and let go of its
  // port, timer and files. A job holds no descriptor before it starts.
  void start(std::function<void()> done);
  // The descriptors a running unit holds at most: its port, the port's lock file, its precise
  // timer, its trace and the GPS log file it writes.
  int descriptorsNeeded() const;
  // Ends a job that was never started, with `cause`, as a failure.
  void cannotStart(std::string cause);
  // Timer1: a second has passed. A job that has not started does not count it.
  void tick();
  // Ctrl-C, SIGTERM or SIGHUP: the exchange is cancelled as the window's cancel buttons do it;
  // a job still waiting for its turn ends cancelled without opening its port.
  void cancel();
  bool finished() const { return finished_; }
  // Not started yet, and not ended either: waiting for its turn.
  bool waiting() const { return !session_ && !finished_; }

  // Progress: characters on the line so far.
  long long bytes() const;
  bool connecting() const { return connecting_; }
  // The last progress report, and the seconds since its stage began.
  const device::Progress& lastProgress() const { return lastProgress_; }
  double stageSeconds(std::chrono::steady_clock::time_point now) const {
    return std::chrono::duration<double>(now - stageStarted_).count();
  }

  const Outcome& outcome() const { return outcome_; }
  // Called with each line for the user ("COM3: Invalid Password ...").
  void onLine(std::function<void(const std::string&)> handler) { line_ = std::move(handler); }

 private:
  void progress(const device::Progress& report);
  void giveUp(std::string cause);
  void ended(const device::Result& result, std::exception_ptr error);
  void endUnstarted(device::Ending ending, std::string cause);
  void release();
  // Keeps what a read could not save where asked in a new file; its name, or empty.
  std::string keepUnsaved() const;
  void say(const std::string& text);

  class CountingPort;
  JobSetup setup_;
  std::string device_;     // the device the port names; empty: refused
  std::string portError_;  // why the port's name was refused
  QObject context_;        // what is left to do once the exchange has ended goes with the job
  std::unique_ptr<CountingPort> port_;
  config::FieldStore fields_;
  loctable::CellStore cells_;
  // From the start to the end of the exchange: the pacing timers' owner and the session.
  std::unique_ptr<QObject> pacing_;
  std::unique_ptr<session::Session> session_;
  std::string givenUp_;
  std::function<void()> done_;
  std::function<void(const std::string&)> line_;
  std::chrono::steady_clock::time_point started_;
  int seconds_ = 0;
  int waking_ = 0;
  bool connecting_ = false;
  device::Progress lastProgress_;
  std::chrono::steady_clock::time_point stageStarted_;
  bool finished_ = false;
  Outcome outcome_;
};

}  // namespace cli

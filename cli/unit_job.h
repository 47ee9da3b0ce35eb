#pragma once
// One unit's exchange on the command line: its own port, link, configuration fields or table
// and message boxes, run on the Qt event loop beside the other units of a fleet. Every box a
// transfer shows becomes one line naming the port and the cause; the boxes together decide the
// unit's outcome.
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/field_store.h"
#include "config/image.h"
#include "link/exchange.h"
#include "link/link.h"
#include "loctable/cell_store.h"
#include "ui/messages.h"

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
};

struct Outcome {
  std::string port;
  std::string device;
  bool ok = false;
  std::string cause;  // the last box's text, or why the job gave up
  long long bytes = 0;
  double seconds = 0;
  std::string file;  // the file written, if any
};

// "COM3" -> 3; 0 for anything else (a device path).
int comNumber(const std::string& port);
// The device a --port value stands for.
std::string portDevice(const std::string& port);

class UnitJob : private device::Host, private ui::Messages {
 public:
  // `port` is the serial port to use; null: the program's serial port for setup.port.
  UnitJob(JobSetup setup, std::unique_ptr<device::Port> port = nullptr);
  ~UnitJob() override;

  // What a write sends; set before start().
  config::FieldStore& fields() { return fields_; }
  loctable::CellStore& cells() { return cells_; }

  // Starts the exchange; `done` runs once it has ended.
  void start(std::function<void()> done);
  // Timer1: a second has passed.
  void tick();
  bool finished() const { return finished_; }
  device::Link& link() { return *link_; }

  // Progress: characters on the line so far, and log records.
  long long bytes() const;
  long long records() const { return records_; }
  bool connecting() const { return connecting_; }

  const Outcome& outcome() const { return outcome_; }
  const std::vector<ui::Message>& boxes() const { return boxes_; }
  // Called with each line for the user ("COM3: Invalid Password").
  void onLine(std::function<void(const std::string&)> handler) { line_ = std::move(handler); }

 private:
  // device::Host
  std::string password() override { return setup_.password; }
  void setIndicator(device::Indicator indicator, bool visible) override;
  void setCount(long long count) override { records_ = count; }
  ui::Messages& messages() override { return *this; }
  // ui::Messages
  void show(const ui::Message& message) override;

  std::string cause(const ui::Message& message) const;
  device::Transfer transfer();
  void giveUp(std::string cause);
  void ended(std::exception_ptr error);
  void say(const std::string& text);

  class CountingPort;
  JobSetup setup_;
  QObject context_;  // the pacing timers end with the job
  std::unique_ptr<CountingPort> port_;
  std::unique_ptr<device::Link> link_;
  config::FieldStore fields_;
  config::Image image_;
  config::VoltageCodeTable voltageCodes_;
  loctable::CellStore cells_;
  std::vector<ui::Message> boxes_;
  std::string givenUp_;
  std::string logFile_;
  std::function<void()> done_;
  std::function<void(const std::string&)> line_;
  std::chrono::steady_clock::time_point started_;
  int seconds_ = 0;
  int waking_ = 0;
  bool connecting_ = false;
  long long records_ = 0;
  bool finished_ = false;
  Outcome outcome_;
};

}  // namespace cli

#pragma once
// The real main window on the real serial port, with the simulated unit on a pseudo-terminal
// served from a thread of its own: the program's whole path (QSerialPort, Timer1, the event
// loop) as a technician runs it, with message boxes recorded instead of shown.
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "serial/serial_port.h"
#include "sim/pty_server.h"
#include "sim/unit.h"
#include "ui/help.h"
#include "words/messages.h"

namespace bench {

class MainWindowRig {
 public:
  struct Result {
    double seconds = 0;                     // from the click to the end of the exchange
    double dataPhaseSeconds = 0;            // from the unit's "p" to its last character exchanged
    double cpuSeconds = 0;                  // used by the program's thread meanwhile
    std::vector<double> turnaroundsMicros;  // unit's character -> the program's answer
    std::vector<double> arrivalsMicros;     // each character of the program's, at the unit
    std::vector<double> writesMicros;       // each write of the program's, when it began
    std::vector<words::Message> messages;
  };

  // `setup` prepares the unit before it starts serving COM1.
  explicit MainWindowRig(const std::function<void(sim::Unit&)>& setup = {});
  ~MainWindowRig();

  app::GPStracking& window() { return *window_; }
  // Only while the unit is not serving: before run() or after it.
  const sim::Unit& unit() const { return unit_; }

  // Clicks the transfer button of `operation` and runs the event loop until the exchange ends;
  // after `cancelAfter` it clicks the cancel button. Once per rig: the unit stops serving. The
  // rig itself wakes the event loop only for that click: no timer of its own runs meanwhile,
  // so the CPU figure is the program's alone.
  Result run(int operation, std::chrono::milliseconds cancelAfter = std::chrono::minutes(5));

 private:
  struct NoHelp : ui::HelpLauncher {
    void open() override {}
  };

  // The program's serial port, noting when each write begins.
  class TimedPort : public serial::SerialPort {
   public:
    void write(std::string_view text) override;
    std::vector<double> writes;  // microseconds on the steady clock
  };

  sim::Unit unit_;
  std::unique_ptr<sim::PtyServer> server_;
  std::thread serving_;
  TimedPort port_;
  words::RecordedMessages messages_;
  NoHelp help_;
  std::unique_ptr<app::GPStracking> window_;
};

// CPU time of the calling thread, in seconds.
double threadCpuSeconds();

}  // namespace bench

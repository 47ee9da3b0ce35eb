#pragma once
// A device exchange wired to a simulated unit in memory, driven by virtual link ticks: what the
// tests and the benchmark use to run a transfer in milliseconds without sleeping.
#include <functional>
#include <string>
#include <vector>

#include "device/exchange.h"
#include "sim/sim_port.h"
#include "sim/unit.h"

namespace sim {

// Whoever runs the exchange, as the exchange sees it: the password, and every progress report
// recorded.
class RecordingHost : public device::Host {
 public:
  std::string password() override { return passwordText; }
  void progress(const device::Progress& report) override {
    reports.push_back(report);
    if (onProgress) onProgress(report);
  }

  std::string passwordText = "7391";
  std::vector<device::Progress> reports;
  std::function<void(const device::Progress&)> onProgress;
};

// Advances the unit and the link one virtual tick at a time while an exchange runs on the link,
// at most `maxTicks`; `beforeTick` runs before each tick with its number. Returns the ticks.
int tickWhileBusy(Unit& unit, device::Link& link, int maxTicks,
                  const std::function<void(int)>& beforeTick);

struct Rig {
  Unit unit;
  SimPort port{unit};
  device::Link link{port};
  RecordingHost host;
  // How the last exchange ended.
  device::Result result;
  // Called when an exchange for an operation starts, and when it has ended.
  std::function<void(int operation)> onStart;
  std::function<void(const device::Result&)> onEnded;

  device::Context context() { return device::Context{&link, &host, &result}; }

  // The exchange for `operation` on COM`portNumber` with the given transfer (none: handshake
  // only), ready to run.
  device::Task exchangeTask(int operation, device::Transfer transfer = {}, int portNumber = 1);
  // Runs an exchange for `operation` with the given transfer. Returns the virtual ticks it took.
  int exchange(int operation, device::Transfer transfer = {}, int portNumber = 1,
               int maxTicks = 600);
  // Runs an already made exchange until it ends or `maxTicks` ticks have passed; `beforeTick`
  // runs before each tick with the tick's number (to click a cancel button, for example).
  int run(device::Task exchange, int maxTicks = 600, std::function<void(int)> beforeTick = nullptr);
};

}  // namespace sim

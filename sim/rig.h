#pragma once
// A device exchange wired to a simulated unit in memory, driven by virtual link ticks: what the
// tests and the benchmark use to run a transfer in milliseconds without sleeping.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "link/exchange.h"
#include "sim/sim_port.h"
#include "sim/unit.h"

namespace sim {

// The main window as the exchange sees it, recording what it was shown.
class RecordingHost : public device::Host {
 public:
  std::string password() override { return passwordText; }
  void setIndicator(device::Indicator indicator, bool visible) override;
  void setCount(long long count) override { counts.push_back(count); }
  ui::Messages& messages() override { return boxes; }
  void progress(const device::Progress& report) override { reports.push_back(report); }

  bool visible(device::Indicator indicator) const;

  std::string passwordText = "7391";
  ui::RecordedMessages boxes;
  std::map<device::Indicator, bool> shown;
  // Every change of visibility, in order.
  std::vector<std::pair<device::Indicator, bool>> visibilityChanges;
  std::vector<long long> counts;
  std::vector<device::Progress> reports;
};

struct Rig {
  Unit unit;
  SimPort port{unit};
  device::Link link{port};
  RecordingHost host;

  device::Session session() { return device::Session{&link, &host}; }

  // Runs an exchange for `operation` with the given transfer (none: handshake only).
  // Returns the virtual ticks it took.
  int exchange(int operation, device::Transfer transfer = {}, int portNumber = 1,
               int maxTicks = 600);
  // Runs an already made exchange until it ends or `maxTicks` ticks have passed; `beforeTick`
  // runs before each tick with the tick's number (to click a cancel button, for example).
  int run(device::Task exchange, int maxTicks = 600, std::function<void(int)> beforeTick = nullptr);
};

}  // namespace sim

#include "sim/sim_port.h"

#include "device/port_failure.h"

namespace sim {

SimPort::SimPort(Unit& unit) : unit_(unit) {
  unit_.onOutput([this] {
    if (open_) arrived();
  });
}

SimPort::~SimPort() {
  unit_.onOutput(nullptr);
}

bool SimPort::open(const std::string& device, const device::LineSettings& settings) {
  lastDevice = device;
  settingsHistory.push_back(settings);
  open_ = !device.empty() && (existing.empty() || existing.contains(device));
  if (!open_) return false;
  ++opens;
  // What the unit sent while nobody listened is gone.
  while (unit_.hasOutput()) unit_.takeArrival();
  return true;
}

bool SimPort::setSettings(const device::LineSettings& settings) {
  settingsHistory.push_back(settings);
  return true;
}

void SimPort::close() {
  open_ = false;
  input_.clear();
}

void SimPort::discardInput() {
  input_.clear();
}

// One piece of the unit's output reaches the port's input when the input has been read empty.
void SimPort::pull() {
  if (open_ && input_.empty()) input_ = unit_.takeArrival();
}

int SimPort::waiting() {
  pull();
  return static_cast<int>(input_.size());
}

std::string SimPort::read() {
  pull();
  std::string piece = std::move(input_);
  input_.clear();
  // The next piece is another arrival: tell the exchange, as readyRead would.
  if (open_ && unit_.hasOutput()) arrived();
  return piece;
}

void SimPort::write(std::string_view text) {
  if (!open_) {
    writtenWhileClosed += text;
    return;
  }
  unit_.receive(text);
}

}  // namespace sim

namespace sim {

std::string SimPort::openFailure() const {
  if (open_) return {};
  return device::portFailureLine(lastDevice + " of the simulated unit",
                                 device::PortFault::NotPresent);
}

}  // namespace sim

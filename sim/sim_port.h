#pragma once
// A serial port wired straight to a simulated unit in memory, for tests and the benchmark: what
// the exchange writes reaches the unit at once, and each piece the unit sends arrives as one
// read. Together with virtual link ticks a whole transfer runs in milliseconds.
#include <set>
#include <string>
#include <vector>

#include "device/port.h"
#include "sim/unit.h"

namespace sim {

class SimPort : public device::Port {
 public:
  explicit SimPort(Unit& unit);
  ~SimPort() override;

  bool isOpen() const override { return open_; }
  bool open(const std::string& device, const device::LineSettings& settings) override;
  bool setSettings(const device::LineSettings& settings) override;
  void close() override;
  void discardInput() override;
  int waiting() override;
  std::string read() override;
  void write(std::string_view text) override;
  std::string openFailure() const override;
  std::optional<device::PortFault> openFault() const override {
    return device::PortFault::NotPresent;
  }
  // The device hangs up, as a pulled USB adapter does: the port closes itself.
  void hangUp() { close(); }

  // Devices that exist; empty means every one.
  std::set<std::string> existing;
  // What happened to the port, for the tests to look at.
  std::string lastDevice;
  int opens = 0;
  std::vector<device::LineSettings> settingsHistory;  // every setting given, opening included
  // Everything written while the port was closed (it never reaches the unit).
  std::string writtenWhileClosed;

 private:
  void pull();

  Unit& unit_;
  bool open_ = false;
  std::string input_;
};

}  // namespace sim

#pragma once
// The serial operations the device exchange uses. The program's port is serial/serial_port
// (QSerialPort); the tests use the simulated unit in memory (sim/sim_port). Characters are
// single Latin-1 bytes, in std::string.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device/line_settings.h"
#include "device/port_failure.h"

namespace device {

class Port {
 public:
  virtual ~Port() = default;

  virtual bool isOpen() const = 0;
  // Opens the device ("/dev/ttyUSB0") with the line settings. False when either fails; the
  // port is then closed.
  virtual bool open(const std::string& device, const LineSettings& settings) = 0;
  // Takes effect at once, also on an open port.
  virtual bool setSettings(const LineSettings& settings) = 0;
  virtual void close() = 0;
  // Why the last open() failed, in one line that names the device; empty when unknown.
  virtual std::string openFailure() const { return {}; }
  // The same as a fact, when the port knows it.
  virtual std::optional<PortFault> openFault() const { return std::nullopt; }
  // Throws away every character received so far.
  virtual void discardInput() = 0;
  // Number of received characters not yet read.
  virtual int waiting() = 0;
  // All characters waiting now, in arrival order; they leave the input.
  virtual std::string read() = 0;
  // The characters go out in order, nothing added; an acknowledgement leaves at once.
  virtual void write(std::string_view text) = 0;

  // Called whenever new characters arrive (the program's readyRead).
  void onArrival(std::function<void()> handler) { arrival_ = std::move(handler); }

 protected:
  void arrived() {
    if (arrival_) arrival_();
  }

 private:
  std::function<void()> arrival_;
};

}  // namespace device

#pragma once
// The program's serial port: the only code that touches QSerialPort.
#include <memory>
#include <string>

#include "device/port.h"
#include "serial/com_ports.h"

class QSerialPort;

namespace serial {

class SerialPort : public device::Port {
 public:
  SerialPort();
  ~SerialPort() override;

  bool isOpen() const override;
  bool open(const std::string& device, const device::LineSettings& settings) override;
  bool setSettings(const device::LineSettings& settings) override;
  void close() override;
  void discardInput() override;
  int waiting() override;
  std::string read() override;
  void write(std::string_view text) override;
  std::string openFailure() const override { return failure_; }
  std::optional<device::PortFault> openFault() const override { return fault_; }

 private:
  void lost(unsigned opening);

  std::unique_ptr<QSerialPort> port_;
  // Counts the openings, so that news of a device lost in one does not close the next.
  unsigned opening_ = 0;
  std::string failure_;  // why the last opening failed
  std::optional<device::PortFault> fault_;
};

}  // namespace serial

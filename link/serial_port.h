#pragma once
// The program's serial port: the only code that touches QSerialPort.
#include <memory>
#include <string>

#include "link/com_ports.h"
#include "link/port.h"

class QSerialPort;

namespace device {

class SerialPort : public Port {
 public:
  SerialPort();
  ~SerialPort() override;

  bool isOpen() const override;
  bool open(const std::string& device, const LineSettings& settings) override;
  bool setSettings(const LineSettings& settings) override;
  void close() override;
  void discardInput() override;
  int waiting() override;
  std::string read() override;
  void write(std::string_view text) override;
  std::string openFailure() const override { return failure_; }
  std::optional<PortFault> openFault() const override { return fault_; }

 private:
  void lost(unsigned opening);

  std::unique_ptr<QSerialPort> port_;
  // Counts the openings, so that news of a device lost in one does not close the next.
  unsigned opening_ = 0;
  std::string failure_;  // why the last opening failed
  std::optional<PortFault> fault_;
};

}  // namespace device

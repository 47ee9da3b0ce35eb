#pragma once
// The program's serial port: the only code that touches QSerialPort.
#include <memory>
#include <string>

#include "link/port.h"

class QSerialPort;

namespace device {

// The device behind COM1 to COM20. GPSTRACKING_COM<n> names it when set (the simulated unit
// and the tests use this); otherwise COM1 to COM8 are the USB serial adapters /dev/ttyUSB0 to
// /dev/ttyUSB7, COM9 to COM12 the USB modem-class adapters /dev/ttyACM0 to /dev/ttyACM3, and
// COM13 to COM20 the built-in ports /dev/ttyS0 to /dev/ttyS7. So a technician with one USB
// serial adapter works on COM1 without any setup.
std::string comDevicePath(int portNumber);
// COM1 to COM20.
inline constexpr int kComPortCount = 20;

class SerialPort : public Port {
 public:
  SerialPort();
  // A port that opens the named device whatever port number the exchange gives, for a
  // command line that names its devices directly ("/dev/ttyUSB3").
  explicit SerialPort(std::string device);
  ~SerialPort() override;

  bool isOpen() const override;
  bool open(int portNumber, const LineSettings& settings) override;
  bool setSettings(const LineSettings& settings) override;
  void close() override;
  void discardInput() override;
  int waiting() override;
  std::string read() override;
  void write(std::string_view text) override;
  std::string openFailure() const override { return failure_; }

 private:
  void lost(unsigned opening);

  std::unique_ptr<QSerialPort> port_;
  std::string device_;  // empty: the device behind the port number
  // Counts the openings, so that news of a device lost in one does not close the next.
  unsigned opening_ = 0;
  std::string failure_;  // why the last opening failed
};

}  // namespace device

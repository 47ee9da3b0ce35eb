#pragma once
// What stands behind a COM port: whether a device is there, and what the system knows of it.
#include <string>
#include <vector>

namespace serial {

struct ComDevice {
  std::string path;  // comDevicePath()
  bool present = false;
  // Something is there but it is no terminal (GPSTRACKING_COM3=/dev/zero): not present.
  bool notSerial = false;
  std::string description;  // "FT232R USB UART", or the /dev/serial/by-id name
  std::string manufacturer;
  std::string serialNumber;
};

// One stat() of the device path (through any link): a terminal device is there. Cheap enough
// to ask for every port once a second.
bool comDevicePresent(const std::string& path);
// Whether the file at `path`, which is there, is no terminal device: a regular file, a folder,
// /dev/zero. False when nothing is there.
bool notSerialDevice(const std::string& path);

// The full answer for COM<portNumber>. Asks the system's list of serial ports and
// /dev/serial/by-id, so call it when presence changes, not on a timer.
ComDevice describeComDevice(int portNumber);
// The same for several ports, with one look at the system's list for all of them.
std::vector<ComDevice> describeComDevices(const std::vector<int>& portNumbers);

// "FT232R USB UART, FTDI, serial A50285BI", "device present" when the system says nothing
// more, "not a serial device", or "no device".
std::string comDeviceDetails(const ComDevice& device);
// The same behind the device's path: "/dev/ttyUSB0: FT232R USB UART, FTDI, serial A50285BI".
std::string comDeviceSummary(const ComDevice& device);

}  // namespace serial

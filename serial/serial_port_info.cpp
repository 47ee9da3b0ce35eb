#include "serial/serial_port_info.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QSerialPortInfo>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "serial/serial_port.h"

namespace serial {

namespace {

std::filesystem::path resolved(const std::filesystem::path& path) {
  std::error_code error;
  auto target = std::filesystem::canonical(path, error);
  return error ? path : target;
}

// The name udev gives the device under /dev/serial/by-id (maker, model and serial number in
// one word), or empty.
std::string byIdName(const std::filesystem::path& device) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/serial/by-id", error)) {
    if (resolved(entry.path()) == device) return entry.path().filename().string();
  }
  return {};
}

// A character device is a terminal when one of the system's terminal drivers serves its major
// and minor number (/proc/tty/drivers: name, node, major, minors "a-b" or "a", type). Where the
// system gives no such list every character device counts.
bool terminalDevice(const struct stat& status) {
  if (!S_ISCHR(status.st_mode)) return false;
  std::ifstream drivers("/proc/tty/drivers");
  if (!drivers) return true;
  const unsigned long major = ::major(status.st_rdev), minor = ::minor(status.st_rdev);
  std::string line;
  while (std::getline(drivers, line)) {
    std::istringstream words(line);
    std::vector<std::string> word{std::istream_iterator<std::string>(words), {}};
    if (word.size() < 4) continue;
    const std::string& minors = word[word.size() - 2];
    try {
      const unsigned long first = std::stoul(minors);
      const size_t dash = minors.find('-');
      const unsigned long last =
          dash == std::string::npos ? first : std::stoul(minors.substr(dash + 1));
      if (std::stoul(word[word.size() - 3]) == major && minor >= first && minor <= last)
        return true;
    } catch (const std::exception&) {
      continue;
    }
  }
  return false;
}

}  // namespace

bool comDevicePresent(const std::string& path) {
  struct stat status {};
  return !path.empty() && ::stat(path.c_str(), &status) == 0 && terminalDevice(status);
}

bool notSerialDevice(const std::string& path) {
  struct stat status {};
  return !path.empty() && ::stat(path.c_str(), &status) == 0 && !terminalDevice(status);
}

std::vector<ComDevice> describeComDevices(const std::vector<int>& portNumbers) {
  std::vector<ComDevice> devices;
  bool anyPresent = false;
  for (const int number : portNumbers) {
    ComDevice device;
    device.path = comDevicePath(number);
    device.present = comDevicePresent(device.path);
    device.notSerial = !device.present && notSerialDevice(device.path);
    anyPresent = anyPresent || device.present;
    devices.push_back(std::move(device));
  }
  if (!anyPresent) return devices;
  // One look at the system's list of serial ports serves every device: it is the slow part.
  const QList<QSerialPortInfo> known = QSerialPortInfo::availablePorts();
  for (ComDevice& device : devices) {
    if (!device.present) continue;
    const std::filesystem::path target = resolved(device.path);
    for (const QSerialPortInfo& info : known) {
      if (resolved(info.systemLocation().toStdString()) != target) continue;
      device.description = info.description().toStdString();
      device.manufacturer = info.manufacturer().toStdString();
      device.serialNumber = info.serialNumber().toStdString();
      break;
    }
    if (device.description.empty()) device.description = byIdName(target);
  }
  return devices;
}

ComDevice describeComDevice(int portNumber) {
  return describeComDevices({portNumber}).front();
}

std::string comDeviceDetails(const ComDevice& device) {
  if (device.notSerial) return "not a serial device";
  if (!device.present) return "no device";
  std::string known;
  for (const std::string* part : {&device.description, &device.manufacturer}) {
    if (part->empty()) continue;
    known += (known.empty() ? "" : ", ") + *part;
  }
  if (!device.serialNumber.empty())
    known += (known.empty() ? "serial " : ", serial ") + device.serialNumber;
  return known.empty() ? "device present" : known;
}

std::string comDeviceSummary(const ComDevice& device) {
  return device.path + ": " + comDeviceDetails(device);
}

}  // namespace serial

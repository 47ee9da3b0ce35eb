#pragma once
// What stands behind each of the COM entries COM1 to COM20: the device, whether it is there,
// and what the system says it is.
#include <string>
#include <vector>

namespace device {

struct ComEntry {
  int number;               // 1 to 20
  std::string device;       // "/dev/ttyUSB0"; empty when the number has no device
  bool present;             // the device exists
  std::string description;  // the adapter's own description, when the system knows one
};

std::vector<ComEntry> comEntries();

}  // namespace device

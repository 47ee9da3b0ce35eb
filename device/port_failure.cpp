#include "device/port_failure.h"

namespace device {

std::string portFailureLine(const std::string& device, PortFault fault, const std::string& group) {
  switch (fault) {
    case PortFault::NotPresent:
      return "Device " + device + " is not present: plug the adapter in or choose another port.";
    case PortFault::PermissionDenied: {
      const std::string owner = group.empty() ? "dialout" : group;
      return "Device " + device + ": permission denied. Join the group " + owner +
             " that owns it (sudo usermod -aG " + owner + " $USER) and log in again.";
    }
    case PortFault::InUse:
      return "Device " + device + " is in use by another program: close that program first.";
    case PortFault::NotSerial:
      return "Device " + device +
             " is not a serial device: point the port at the unit's adapter (GPSTRACKING_COM<n>).";
    case PortFault::NoDescriptors:
      return "Device " + device +
             " cannot be opened: the program has as many files open as it may (ulimit -n).";
  }
  return "Device " + device + " cannot be opened.";
}

}  // namespace device

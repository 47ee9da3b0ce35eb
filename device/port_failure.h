#pragma once
// Why a port could not be opened, in one line for the technician: the second line of the
// missing-port box, under its fixed first line.
#include <string>

namespace device {

enum class PortFault {
  NotPresent,        // no such device: the adapter is not plugged in, or another port is meant
  PermissionDenied,  // the user may not open it
  InUse,             // another program holds it
  NotSerial,         // something is there, but no terminal (a file, /dev/zero)
  NoDescriptors,     // the program has as many files open as it may (ulimit -n)
};

// "Device /dev/ttyUSB0 is not present.", ... For a refused permission the fix is named: the
// group that owns the device (`group`; empty: unknown, `dialout` is named as on Debian).
std::string portFailureLine(const std::string& device, PortFault fault,
                            const std::string& group = {});

}  // namespace device

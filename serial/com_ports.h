#pragma once
// The COM ports, "COM1" to "COM20", and the devices behind them: the one place both programs
// turn a port's name into a device.
#include <optional>
#include <string>
#include <string_view>

namespace serial {

// COM1 to COM20.
inline constexpr int kComPortCount = 20;

// "COM1" -> 1 ... "COM20" -> 20: exactly the names of the port list, case-sensitive, without
// leading zeros. Nothing for any other text.
std::optional<int> comPortNumber(std::string_view name);
// 1 -> "COM1" ... 20 -> "COM20".
std::string comPortName(int number);

// The device behind COM1 to COM20. GPSTRACKING_COM<n> names it when set (the simulated unit
// and the tests use this); otherwise COM1 to COM8 are the USB serial adapters /dev/ttyUSB0 to
// /dev/ttyUSB7, COM9 to COM12 the USB modem-class adapters /dev/ttyACM0 to /dev/ttyACM3, and
// COM13 to COM20 the built-in ports /dev/ttyS0 to /dev/ttyS7. So a technician with one USB
// serial adapter works on COM1 without any setup.
std::string comDevicePath(int number);

// A port as a technician gives it on the command line: a COM name, or the path of a device
// ("/dev/ttyUSB3", "./unit1", made whole). A text that looks like a COM name but is none of the
// twenty ("COM21", "COM01", "com3") is refused with `error` saying why and what to do instead.
std::optional<std::string> portDevice(const std::string& given, std::string& error);

}  // namespace serial

#pragma once
// The line settings of a serial port: baud rate, parity, data bits, stop bits.
namespace device {

struct LineSettings {
  int baud = 9600;
  char parity = 'N';  // N, E, O, M or S
  int dataBits = 8;   // 5 to 8
  int stopBits = 1;   // 1 or 2
  bool operator==(const LineSettings&) const = default;
};

// "9600,N,8,1", with which every exchange opens the port, and "38400,N,8,1", to which the table
// upload and the GPS log upload switch.
inline constexpr LineSettings kSettings9600{9600, 'N', 8, 1};
inline constexpr LineSettings kSettings38400{38400, 'N', 8, 1};

}  // namespace device

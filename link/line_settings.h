#pragma once
// The settings text of a serial port: baud rate, parity letter, data bits, stop bits, comma-
// separated, as in "9600,N,8,1".
#include <optional>
#include <string_view>

namespace device {

struct LineSettings {
  int baud = 9600;
  char parity = 'N';  // N, E, O, M or S
  int dataBits = 8;   // 5 to 8
  int stopBits = 1;   // 1 or 2
  bool operator==(const LineSettings&) const = default;
};

// nullopt for a text that is not of that form.
std::optional<LineSettings> parseLineSettings(std::string_view text);

}  // namespace device

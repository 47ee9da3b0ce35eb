#pragma once
// Hex digits on the wire: the configuration image and the GPS location table travel as
// upper-case hex digits, two a byte, high digit first.
#include <cstdint>
#include <span>
#include <string>

namespace device {

// The digit of a value's low four bits: "0" to "9", "A" to "F".
inline char hexDigit(int value) {
  return "0123456789ABCDEF"[value & 15];
}

// A byte 0 to 255 as two digits.
inline std::string hexPair(int byte) {
  return {hexDigit(byte >> 4), hexDigit(byte)};
}

// Every byte as two digits, in order.
inline std::string hexDigits(std::span<const std::uint8_t> bytes) {
  std::string digits;
  digits.reserve(2 * bytes.size());
  for (const std::uint8_t byte : bytes) digits += hexPair(byte);
  return digits;
}

// The value of a received digit, as the unit's own reading takes it, without any check: code -
// 55 above 64 ("A" is 10), code - 48 otherwise. Any other character goes through the same rule
// and gives what the arithmetic gives ("a" is 42, "/" is -1).
inline int hexDigitValue(char c) {
  const int code = static_cast<unsigned char>(c);
  return code > 64 ? code - 55 : code - 48;
}

// True for the digits a unit sends: "0" to "9" and "A" to "F". Anything else on the line is
// noise, and an upload counts it as damage.
inline bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

}  // namespace device

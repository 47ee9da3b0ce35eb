#include "serial/com_ports.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace serial {

namespace {

struct DeviceRange {
  int firstPort;
  int lastPort;
  const char* prefix;
};
constexpr DeviceRange kDefaultDevices[] = {
    {1, 8, "/dev/ttyUSB"},
    {9, 12, "/dev/ttyACM"},
    {13, 20, "/dev/ttyS"},
};

// "COM" in any case followed by digits only, blanks and line breaks anywhere (" COM3", "COM 3",
// "COM3\n"): meant as a COM port, never as a file's name.
// The name without its blanks and line breaks, in capitals: "COM3" for " com 3\n".
std::string squeezed(std::string_view given) {
  std::string text;
  for (const char c : given) {
    if (!std::isspace(static_cast<unsigned char>(c)))
      text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text;
}

bool looksLikeComName(std::string_view given) {
  const std::string text = squeezed(given);
  if (text.size() <= 3) return false;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i]) return false;
  }
  return text.find_first_not_of("0123456789", 3) == std::string_view::npos;
}

// The name as given; one with blanks or line breaks quoted, and its line breaks visible:
// "\" COM3\"", "\"COM3\\n\"".
std::string shown(std::string_view given) {
  if (std::none_of(given.begin(), given.end(),
                   [](char c) { return std::isspace(static_cast<unsigned char>(c)); }))
    return std::string(given);
  std::string text = "\"";
  for (const char c : given) {
    if (c == '\n') {
      text += "\\n";
    } else if (c == '\r') {
      text += "\\r";
    } else if (c == '\t') {
      text += "\\t";
    } else {
      text += c;
    }
  }
  return text + "\"";
}

}  // namespace

std::optional<int> comPortNumber(std::string_view name) {
  for (int number = 1; number <= kComPortCount; ++number) {
    if (name == comPortName(number)) return number;
  }
  return std::nullopt;
}

std::string comPortName(int number) {
  return "COM" + std::to_string(number);
}

std::string comDevicePath(int number) {
  const std::string variable = "GPSTRACKING_COM" + std::to_string(number);
  if (const char* path = std::getenv(variable.c_str()); path && *path) return path;
  for (const auto& range : kDefaultDevices) {
    if (number >= range.firstPort && number <= range.lastPort)
      return range.prefix + std::to_string(number - range.firstPort);
  }
  return {};
}

std::optional<std::string> portDevice(const std::string& given, std::string& error) {
  if (const auto number = comPortNumber(given)) return comDevicePath(*number);
  if (looksLikeComName(given)) {
    // A near miss names the port it was meant to be.
    const std::string meant = squeezed(given);
    const std::string guess = comPortNumber(meant) ? "did you mean " + meant + "? " : "";
    error = shown(given) + " is not a COM port: " + guess +
            "the ports are COM1 to COM20, written without blanks. Give another device by " +
            "its path (--port /dev/ttyUSB9), or point one of the twenty at it " +
            "(GPSTRACKING_COM<n>=/dev/ttyUSB9 with n from 1 to 20).";
    return std::nullopt;
  }
  if (given.empty()) {
    error = "no port given";
    return std::nullopt;
  }
  // A path is made whole, so that "./unit1" means the file of the current folder.
  if (given.starts_with('/')) return given;
  std::error_code failed;
  const std::filesystem::path whole = std::filesystem::absolute(given, failed);
  if (failed) {
    error = given + ": " + failed.message();
    return std::nullopt;
  }
  return whole.string();
}

}  // namespace serial

#include "cli/port_labels.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>

#include "serial/com_ports.h"

namespace cli {

namespace {

// The device a port names, or the name itself where it names none.
std::string wholeDevice(const std::string& port) {
  std::string error;
  return serial::portDevice(port, error).value_or("/" + port);
}

// What tells a device from another: the file itself where it exists, else its path; nothing for
// a name that names no device.
std::optional<std::string> deviceIdentity(const std::string& port) {
  std::string refused;
  const std::optional<std::string> device = serial::portDevice(port, refused);
  struct stat info {};
  if (!device || ::stat(device->c_str(), &info) != 0) return device;
  return "#" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

}  // namespace

std::string portLabel(const std::string& port, bool wholePath) {
  if (serial::comPortNumber(port)) return port;
  // A device under /dev keeps its folders ("pts-4"); any other path is named by its file, or
  // by all of it where the files' names alone would coincide.
  std::string label = port.starts_with("/dev/") ? port.substr(5)
                      : wholePath               ? wholeDevice(port).substr(1)
                                                : std::filesystem::path(port).filename().string();
  for (char& c : label) {
    if (c == '/' || c == '\\' || c == ':') c = '-';
  }
  return label;
}

std::vector<std::string> portLabels(const std::vector<std::string>& ports) {
  std::vector<std::string> labels;
  for (const bool wholePath : {false, true}) {
    labels.clear();
    for (const std::string& port : ports) labels.push_back(portLabel(port, wholePath));
    if (std::set<std::string>(labels.begin(), labels.end()).size() == labels.size()) return labels;
  }
  // The mapping made two paths one name: the first keeps it, the others are numbered, each
  // with the lowest number that no other port's name has.
  std::set<std::string> taken(labels.begin(), labels.end());
  std::map<std::string, int> seen;
  for (std::string& label : labels) {
    if (seen[label]++ == 0) continue;
    std::string numbered;
    for (int n = 2; taken.contains(numbered = label + "-" + std::to_string(n)); ++n) {
    }
    taken.insert(numbered);
    label = numbered;
  }
  return labels;
}

std::vector<std::optional<std::size_t>> earlierSameDevice(const std::vector<std::string>& ports) {
  std::map<std::string, std::size_t> first;
  std::vector<std::optional<std::size_t>> earlier;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    const std::optional<std::string> identity = deviceIdentity(ports[i]);
    if (!identity) {
      earlier.emplace_back();
      continue;
    }
    const auto [place, isNew] = first.emplace(*identity, i);
    earlier.push_back(isNew ? std::nullopt : std::optional(place->second));
  }
  return earlier;
}

}  // namespace cli

#pragma once
// The short names of a fleet's ports that its units' files carry ("unit-COM3.cfg",
// "pts-4_GPS...csv"): every unit's name differs from every other's, so that no unit's file
// replaces another's. And which of a fleet's ports are one device.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// A short name of the port for file names: "COM3", "/dev/pts/4" -> "pts-4", "/tmp/u1" -> "u1"
// ("tmp-u1" with wholePath). Separators ("/", "\", ":") become "-".
std::string portLabel(const std::string& port, bool wholePath = false);

// The names of a fleet's ports, in the ports' order: the files' names alone where they differ,
// else the whole paths; where two still coincide ("/x/a-b/u" and "/x/a/b/u" both give
// "x-a-b-u"), the later ones get "-2", "-3"... so that all differ.
std::vector<std::string> portLabels(const std::vector<std::string>& ports);

// For each port, the first one before it that names the same device: the same path, or one
// device under two names (a link and its target, "/x//u"), since two exchanges on one line would
// each read the other's answers. Nothing where none does, or where the name names no device.
std::vector<std::optional<std::size_t>> earlierSameDevice(const std::vector<std::string>& ports);

}  // namespace cli

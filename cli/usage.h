#pragma once
// One command's usage, for `gpstracking-cli help COMMAND` and `COMMAND --help`: its line of the
// program's usage, what it does at more length, and the unit options where it talks to units.
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// From the program's usage text `general` (its "  COMMAND ARGUMENTS   summary" lines and its
// block of unit options); nothing when `command` has no line there.
std::optional<std::string> commandUsage(std::string_view general, std::string_view command,
                                        bool unitOptions);

}  // namespace cli

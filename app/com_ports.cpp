#include "app/com_ports.h"

namespace app {

std::optional<int> comPortIndex(std::string_view name) {
  if (const auto number = device::comPortNumber(name)) return *number - 1;
  return std::nullopt;
}

std::string comPortName(int index) {
  return device::comPortName(index + 1);
}

}  // namespace app

#include "app/com_ports.h"

namespace app {

std::optional<int> comPortIndex(std::string_view name) {
  for (int index = 0; index < kComPortCount; ++index) {
    if (name == comPortName(index)) return index;
  }
  return std::nullopt;
}

std::string comPortName(int index) {
  return "COM" + std::to_string(index + 1);
}

}  // namespace app

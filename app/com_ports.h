#pragma once
// The choice of COM port in List2: the twenty names "COM1" to "COM20" by their list indices.
#include <optional>
#include <string>
#include <string_view>

#include "link/com_ports.h"

namespace app {

inline constexpr int kComPortCount = device::kComPortCount;

// "COM1" -> 0 ... "COM20" -> 19; nullopt for any other name.
std::optional<int> comPortIndex(std::string_view name);
// 0 -> "COM1" ... 19 -> "COM20".
std::string comPortName(int index);

}  // namespace app

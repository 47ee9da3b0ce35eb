#include <gtest/gtest.h>

#include <cstdlib>

#include "app/com_ports.h"
#include "link/serial_port.h"

namespace {

TEST(ComPorts, NamesMapToIndicesExactly) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"COM1", 0},
      {"COM12", 11},
      {"COM20", 19},
      {"COM21", std::nullopt},
      {"com1", std::nullopt},
      {"COM0", std::nullopt},
      {"COM01", std::nullopt},
      {"", std::nullopt},
      {" COM1", std::nullopt},
  };
  for (const auto& [name, index] : cases) EXPECT_EQ(app::comPortIndex(name), index) << name;
  EXPECT_EQ(app::comPortName(6), "COM7");
}

TEST(ComPorts, DevicesComeFromTheEnvironmentOrTheDefaultMapping) {
  ::unsetenv("GPSTRACKING_COM3");
  EXPECT_EQ(device::comDevicePath(1), "/dev/ttyUSB0");
  EXPECT_EQ(device::comDevicePath(3), "/dev/ttyUSB2");
  EXPECT_EQ(device::comDevicePath(9), "/dev/ttyACM0");
  EXPECT_EQ(device::comDevicePath(13), "/dev/ttyS0");
  EXPECT_EQ(device::comDevicePath(20), "/dev/ttyS7");
  ::setenv("GPSTRACKING_COM3", "/tmp/unit", 1);
  EXPECT_EQ(device::comDevicePath(3), "/tmp/unit");
  ::unsetenv("GPSTRACKING_COM3");
}

}  // namespace

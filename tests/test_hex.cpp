// Hex digits on the wire: what the PC sends, the unit reads back; what the unit sends beyond the
// digits is read as the unit's own firmware reads it.
#include <gtest/gtest.h>

#include <vector>

#include "device/hex.h"

namespace {

TEST(Hex, EveryByteReadsBackFromItsPair) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string pair = device::hexPair(byte);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(16 * device::hexDigitValue(pair[0]) + device::hexDigitValue(pair[1]), byte) << pair;
  }
  const std::vector<std::uint8_t> bytes = {0x00, 0x0A, 0xA0, 0x7F, 0xFF};
  EXPECT_EQ(device::hexDigits(bytes), "000AA07FFF");
}

TEST(Hex, DigitValues) {
  const std::pair<char, int> cases[] = {
      {'0', 0},
      {'9', 9},
      {'A', 10},
      {'F', 15},
      // No check: lower case, other letters and signs go through the same arithmetic.
      {'a', 42},
      {'G', 16},
      {'/', -1},
      {':', 10},
      {'\xff', 200},
  };
  for (const auto& [digit, value] : cases) EXPECT_EQ(device::hexDigitValue(digit), value) << digit;
}

}  // namespace

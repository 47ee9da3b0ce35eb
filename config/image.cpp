#include "config/image.h"

#include <algorithm>
#include <string>

namespace config {

std::size_t Image::checked(int index) {
  if (index < 0 || index >= kImageSize) {
    throw ImageError("configuration image index " + std::to_string(index) + " out of range");
  }
  return static_cast<std::size_t>(index);
}

int Image::at(int index) const {
  return bytes_[checked(index)];
}

void Image::set(int index, long long value) {
  const std::size_t at = checked(index);
  if (value < 0 || value > 255) {
    throw ImageError("byte value " + std::to_string(value) + " out of range at index " +
                     std::to_string(index));
  }
  bytes_[at] = static_cast<std::uint8_t>(value);
}

void Image::fill(int first, int last, int value) {
  for (int index = first; index <= last; ++index) set(index, value);
}

namespace {

// The encoding's table: position p stands for the voltage 5 + p/3.
constexpr std::uint8_t kVoltageCodes[VoltageCodeTable::kPositions] = {
    166, 170, 175, 178, 181, 184, 187, 190, 192, 194, 196, 198, 200, 202, 203, 205, 206, 208, 211,
    212, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225, 226, 227, 228, 228, 229, 230,
    230, 231, 232, 232, 233, 234, 234, 235, 236, 237, 237, 238, 238, 239, 239, 240, 240, 241, 241,
    242, 242, 243, 243, 244, 244, 245, 245, 246, 246, 246, 247, 247, 248, 248, 249, 249, 250, 250,
    250, 250, 251, 251, 251, 252, 252, 252, 253, 253, 254, 254, 254, 254, 255};

// The upload's own table. It differs from the encoding's between positions 52 and 85, so a
// level read back there may come out one position off; the unit's codes are what they are.
constexpr std::uint8_t kLookupCodes[VoltageCodeTable::kPositions] = {
    166, 170, 175, 178, 181, 184, 187, 190, 192, 194, 196, 198, 200, 202, 203, 205, 206, 208, 211,
    212, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225, 226, 227, 228, 228, 229, 230,
    230, 231, 232, 232, 233, 234, 234, 235, 236, 237, 237, 238, 238, 239, 240, 240, 241, 241, 242,
    242, 243, 243, 244, 244, 245, 245, 246, 246, 246, 247, 247, 248, 248, 249, 249, 250, 250, 250,
    250, 251, 251, 251, 252, 252, 252, 253, 253, 253, 254, 254, 254, 254, 255};

}  // namespace

void VoltageCodeTable::build() {
  std::copy(std::begin(kVoltageCodes), std::end(kVoltageCodes), codes_.begin());
  built_ = true;
}

int VoltageCodeTable::codeAt(int position) const {
  if (!built_ || position < 0 || position >= kPositions) {
    throw ImageError("voltage position " + std::to_string(position) + " out of range");
  }
  return codes_[static_cast<std::size_t>(position)];
}

int voltageCodeLookup(int code) {
  for (int position = 0; position < VoltageCodeTable::kPositions; ++position) {
    if (kLookupCodes[position] == code) return position;
  }
  return 0;
}

}  // namespace config

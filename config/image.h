#pragma once
// The configuration image: the byte form of the unit's configuration, the only thing that
// travels when a configuration is downloaded or uploaded: 401 bytes laid out as config/layout.h
// says, and the two tables that turn the voltage lists into the unit's byte codes and back.
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "config/layout.h"

namespace config {

// A run-time error of the operation in progress: an index outside the image, a byte value
// outside 0 to 255, a voltage position outside its table.
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Image {
 public:
  // The byte at index; ImageError outside 0 to 400.
  int at(int index) const;
  // Sets the byte at index; ImageError when the index is outside 0 to 400 or the value outside
  // 0 to 255 (the byte then keeps what it held).
  void set(int index, long long value);
  // Sets indices first to last (inclusive) to value.
  void fill(int first, int last, int value);
  std::span<const std::uint8_t, kImageSize> bytes() const { return bytes_; }

 private:
  static std::size_t checked(int index);
  std::array<std::uint8_t, kImageSize> bytes_{};
};

// Turns a voltage list's position into the unit's byte code. Empty until built; every
// configuration download builds it afresh before anything else.
class VoltageCodeTable {
 public:
  static constexpr int kPositions = 91;
  void build();
  bool built() const { return built_; }
  // The code at position 0 to 90; ImageError for any other position (-1: nothing selected)
  // and while the table is not built.
  int codeAt(int position) const;

 private:
  std::array<std::uint8_t, kPositions> codes_{};
  bool built_ = false;
};

// The voltage code lookup of an upload: the position of the first entry of the lookup's own
// table that equals code, 0 when none does. Never fails.
int voltageCodeLookup(int code);

}  // namespace config

#pragma once
// The configuration image: the byte form of the unit's configuration, the only thing that
// travels when a configuration is downloaded or uploaded. 401 bytes, every field of setup1 and
// setup3 at a fixed index, width and format (the byte map below), and the two tables that turn
// the voltage lists into the unit's byte codes and back.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

#include "config/fields.h"

namespace config {

inline constexpr int kImageSize = 401;        // indices 0 to 400
inline constexpr int kUploadedBytes = 368;    // indices 0 to 367 come from the unit
inline constexpr int kDownloadedBytes = 369;  // indices 0 to 368 go to the unit

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

// How a slot of the image holds its field.
enum class Format {
  Constant,                 // a fixed value, written by every encoding
  Spare,                    // no field; 255 after an encoding
  ByteValue,                // a whole number 0 to 255 from a text field
  ListPosition,             // the selected position of a list field
  Flag,                     // 1 or 0 derived from a list field
  Word,                     // 16-bit value, high byte first
  SpeedCode,                // km/h text as knots
  VoltageCode,              // voltage code table entry of a voltage list's position
  Coordinate,               // degrees, first two decimals, third and fourth decimals
  TerminatedText,           // characters, then "#"
  FilledText,               // characters, the rest of the slot 255
  FilledTextBlanksSkipped,  // as FilledText; a blank leaves its byte at 255
  FilledTextLong,           // as FilledText, written only when longer than 3 characters
  FixedText,                // exactly the slot's width of characters
  Pin,                      // four digits, or 0 at the first index when there is none
  Password,                 // the new password when it has 4 characters, else the existing one
  LastByte,                 // 255, sent by a download, never uploaded
  Unused,                   // never written by the configuration code
};

struct Slot {
  int index;
  int width;
  Format format;
  std::optional<Field> field;
  int value = 0;  // a constant's value
};

// Every index 0 to 400 lies in exactly one slot, in index order.
std::span<const Slot> byteMap();
// The slot of a field (its first one: setup3 Combo3 also has the flag at 217).
const Slot* slotOf(Field field);

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

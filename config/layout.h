#pragma once
// The layout of the configuration image: where every field of setup1 and setup3 lives in the
// unit's 401 bytes, in what form, and in what order a download writes them. This is the one
// place that knows an index of the image; the encoding, the decoding, the slot limits and the
// simulated unit all take their indices, widths and forms from here.
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "config/fields.h"

namespace config {

inline constexpr int kImageSize = 401;        // indices 0 to 400
inline constexpr int kUploadedBytes = 368;    // indices 0 to 367 come from the unit
inline constexpr int kDownloadedBytes = 369;  // indices 0 to 368 go to the unit

// How a slot of the image holds its field.
enum class Format {
  Constant,                 // a fixed value, written by every encoding
  Spare,                    // no field; 255 after an encoding
  ByteValue,                // a whole number 0 to 255 from a text field, read back " n"
  ByteValuePlain,           // as ByteValue, read back "n" without the blank
  ListPosition,             // the selected position of a list field
  Flag,                     // 1 when the list field has position 1, else 0; never read back
  Word,                     // 16-bit value, high byte first, read back " n"
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
  std::optional<Field> field{};
  int value = 0;  // a constant's value
  // FilledTextLong: written only when this field is written too. Password: the field whose
  // first four characters go out when the slot's own field has not four.
  std::optional<Field> partner{};
  // The bytes an upload reads back from the slot's start, where fewer than its width.
  int readBack = 0;

  int last() const { return index + width - 1; }
  int readWidth() const { return readBack > 0 ? readBack : width; }
};

// Every index 0 to 400 lies in exactly one slot, in index order.
std::span<const Slot> layout();
// The slot of a field (its first one: setup3 Combo3 also has its flag); nullptr for the
// existing password, which has none of its own.
const Slot* findSlot(Field field);
// As findSlot, for a field known to have a slot.
const Slot& slotOf(Field field);

// The slots of the fields the field table marks secret, in index order.
std::vector<const Slot*> secretSlots();

// What the encoding writes, in the order it writes it: the image's header, a constant, a
// field, or a 0 over a field's first byte that the field itself overwrites later. The order
// decides what a partly written image holds when a value cannot be encoded.
struct Write {
  enum Kind { Header, Constant, FieldSlot, Zero };
  Kind kind;
  const Slot* slot = nullptr;  // the slot written (Zero: the first byte of it); none for Header
};
std::span<const Write> writeOrder();

// The characters the encoding writes first, from index 0 on; the fields that follow overwrite
// all but the first.
inline constexpr std::string_view kHeader = "L007";
inline constexpr int kHeaderIndex = 0;

}  // namespace config

#include "config/layout.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "config/field_table.h"

namespace config {

namespace {

using F = Field;
using enum Format;

// Every slot in index order: first index, width, format, field; a constant's value; the partner
// field; the bytes read back where fewer than the width (Base phone number 3 and the SMSC number
// come back with at most 15 characters).
constexpr Slot kLayout[] = {
    {0, 1, Constant, {}, 76},
    {1, 1, ListPosition, F::setup1_Combo13},
    {2, 2, Word, F::setup1_Text31},
    {4, 3, Coordinate, F::setup1_Text25},
    {7, 1, ListPosition, F::setup1_Combo8},
    {8, 1, ListPosition, F::setup3_Combo14},
    {9, 1, ListPosition, F::setup3_Combo15},
    {10, 1, ListPosition, F::setup1_Combo2},
    {11, 3, Coordinate, F::setup1_Text24},
    {14, 1, ListPosition, F::setup1_Combo9},
    {15, 1, ListPosition, F::setup1_Combo1},
    {16, 16, TerminatedText, F::setup1_Text2},
    {32, 1, Constant, {}, 0},
    {33, 1, ByteValue, F::setup1_Text3},
    {34, 1, ByteValue, F::setup1_Text4},
    {35, 1, ListPosition, F::setup1_Combo3},
    {36, 1, ByteValue, F::setup1_Text6},
    {37, 1, Constant, {}, 0},
    {38, 1, ByteValue, F::setup1_Text7},
    {39, 1, ByteValue, F::setup1_Text8},
    {40, 1, ListPosition, F::setup1_Combo6},
    {41, 1, Constant, {}, 0},
    {42, 1, Constant, {}, 16},
    {43, 1, Constant, {}, 0},
    {44, 1, Constant, {}, 20},
    {45, 1, Constant, {}, 10},
    {46, 1, ListPosition, F::setup1_Combo4},
    {47, 1, ListPosition, F::setup3_Combo10},
    {48, 1, ListPosition, F::setup3_Combo3},
    {49, 1, Spare, {}},
    {50, 1, ListPosition, F::setup3_Combo11},
    {51, 1, Spare, {}},
    {52, 1, ListPosition, F::setup1_Combo14},
    {53, 1, ByteValue, F::setup1_Text32},
    {54, 1, VoltageCode, F::setup1_Combo15},
    {55, 1, VoltageCode, F::setup1_Combo16},
    {56, 1, ByteValue, F::setup1_Text33},
    {57, 1, ByteValue, F::setup3_Text3},
    {58, 1, ByteValue, F::setup3_Text2},
    {59, 1, ListPosition, F::setup3_Combo4},
    {60, 1, ListPosition, F::setup1_Combo17},
    {61, 1, ListPosition, F::setup3_Combo5},
    {62, 1, ListPosition, F::setup3_Combo6},
    {63, 1, ListPosition, F::setup3_Combo9},
    {64, 5, FilledTextBlanksSkipped, F::setup1_Text12},
    {69, 5, FilledTextBlanksSkipped, F::setup1_Text20},
    {74, 1, ListPosition, F::setup3_Combo12},
    {75, 1, ListPosition, F::setup3_Combo20},
    {76, 1, Constant, {}, 0},
    {77, 1, ListPosition, F::setup1_Combo7},
    {78, 1, ListPosition, F::setup3_Combo1},
    {79, 1, ListPosition, F::setup1_Combo5},
    {80, 5, Spare, {}},
    {85, 3, Coordinate, F::setup1_Text26},
    {88, 1, ListPosition, F::setup1_Combo10},
    {89, 3, Coordinate, F::setup1_Text23},
    {92, 1, ListPosition, F::setup1_Combo11},
    {93, 1, ByteValuePlain, F::setup3_Text28},
    {94, 1, SpeedCode, F::setup1_Text29},
    {95, 1, ListPosition, F::setup1_Combo12},
    {96, 48, FilledTextBlanksSkipped, F::setup1_Text11},
    {144, 10, FixedText, F::setup3_Text4},
    {154, 1, Spare, {}},
    {155, 4, Pin, F::setup3_Text25},
    {159, 1, Spare, {}},
    {160, 5, FilledTextBlanksSkipped, F::setup1_Text10},
    {165, 1, Constant, {}, 0},
    {166, 1, Constant, {}, 0},
    {167, 1, ListPosition, F::setup3_Combo13},
    {168, 24, FilledText, F::setup1_Text18},
    {192, 16, FilledText, F::setup1_Text19},
    {208, 2, Word, F::setup3_Text15},
    {210, 1, Constant, {}, 0},
    {211, 4, Password, F::setup1_Text14, 0, F::setup1_Text9},
    {215, 1, Spare, {}},
    {216, 1, ListPosition, F::setup3_Combo2},
    {217, 1, Flag, F::setup3_Combo3},
    {218, 2, Word, F::setup1_Text22},
    {220, 1, ListPosition, F::setup3_Combo7},
    {221, 1, ListPosition, F::setup3_Combo8},
    {222, 1, ByteValuePlain, F::setup1_Text30},
    {223, 1, Spare, {}},
    {224, 32, FilledText, F::setup1_Text21},
    {256, 16, TerminatedText, F::setup1_Text34},
    {272, 16, TerminatedText, F::setup1_Text35, 0, {}, 15},
    {288, 16, TerminatedText, F::setup1_Text5, 0, {}, 15},
    {304, 16, TerminatedText, F::setup3_Text1},
    {320, 7, Constant, {}, 0},
    {327, 9, Spare, {}},
    {336, 16, FilledTextLong, F::setup1_Text13},
    {352, 16, FilledTextLong, F::setup1_Text15, 0, F::setup1_Text13},
    {368, 1, LastByte, {}, 255},
    {369, 32, Unused, {}},
};

// The slots the write order names.
const Slot* slotAt(int index) {
  const auto found = std::find_if(std::begin(kLayout), std::end(kLayout),
                                  [index](const Slot& slot) { return slot.index == index; });
  if (found == std::end(kLayout) || found->format != Constant)
    throw std::logic_error("no constant at image index " + std::to_string(index));
  return &*found;
}

const Slot* flagOf(Field f) {
  const auto found = std::find_if(std::begin(kLayout), std::end(kLayout), [f](const Slot& slot) {
    return slot.field == f && slot.format == Flag;
  });
  if (found == std::end(kLayout)) throw std::logic_error("no flag for the field");
  return &*found;
}

Write header() {
  return {Write::Header};
}
Write constant(int index) {
  return {Write::Constant, slotAt(index)};
}
Write field(Field f) {
  return {Write::FieldSlot, &slotOf(f)};
}
Write flag(Field f) {
  return {Write::FieldSlot, flagOf(f)};
}
Write zero(Field f) {
  return {Write::Zero, &slotOf(f)};
}

// The order of the encoding's writes: the header first, then every field slot once and every
// constant once (named by its index here, the one place indices are written), and one early 0
// that a field overwrites later.
std::vector<Write> buildWriteOrder() {
  return {
      header(),
      constant(320),
      field(F::setup1_Text13),
      field(F::setup1_Text15),
      field(F::setup1_Combo5),
      zero(F::setup3_Combo14),
      field(F::setup1_Combo2),
      field(F::setup1_Text2),
      field(F::setup1_Text34),
      field(F::setup3_Text1),
      field(F::setup3_Text25),
      field(F::setup1_Text5),
      field(F::setup1_Text35),
      constant(76),
      field(F::setup3_Combo1),
      constant(32),
      field(F::setup1_Combo1),
      constant(165),
      constant(166),
      field(F::setup1_Combo15),
      field(F::setup1_Combo16),
      field(F::setup1_Text33),
      field(F::setup3_Combo20),
      field(F::setup1_Text3),
      field(F::setup1_Text4),
      field(F::setup1_Combo3),
      field(F::setup1_Text6),
      field(F::setup1_Text7),
      field(F::setup1_Text8),
      field(F::setup1_Combo6),
      constant(41),
      constant(42),
      constant(43),
      field(F::setup1_Combo17),
      field(F::setup3_Combo5),
      field(F::setup3_Combo6),
      field(F::setup1_Combo14),
      constant(44),
      constant(45),
      field(F::setup1_Combo4),
      field(F::setup3_Combo11),
      field(F::setup3_Combo9),
      field(F::setup1_Text32),
      field(F::setup1_Text11),
      field(F::setup1_Text12),
      field(F::setup1_Text10),
      field(F::setup1_Text22),
      field(F::setup3_Text15),
      field(F::setup1_Text31),
      field(F::setup3_Combo7),
      field(F::setup3_Combo8),
      field(F::setup1_Combo13),
      field(F::setup3_Combo13),
      field(F::setup3_Text28),
      field(F::setup1_Text29),
      field(F::setup1_Text30),
      field(F::setup1_Combo12),
      field(F::setup1_Text25),
      field(F::setup1_Combo8),
      field(F::setup1_Text24),
      field(F::setup1_Combo9),
      field(F::setup3_Combo3),
      field(F::setup3_Combo14),
      field(F::setup3_Combo15),
      field(F::setup1_Text26),
      field(F::setup1_Combo10),
      field(F::setup1_Text23),
      field(F::setup1_Combo11),
      field(F::setup1_Combo7),
      field(F::setup1_Text20),
      field(F::setup1_Text21),
      field(F::setup1_Text18),
      field(F::setup1_Text19),
      field(F::setup1_Text14),
      field(F::setup3_Combo2),
      flag(F::setup3_Combo3),
      field(F::setup3_Text2),
      field(F::setup3_Text3),
      field(F::setup3_Combo4),
      field(F::setup3_Combo10),
      field(F::setup3_Text4),
      field(F::setup3_Combo12),
      constant(210),
      constant(37),
  };
}

}  // namespace

std::span<const Slot> layout() {
  return kLayout;
}

const Slot* findSlot(Field field) {
  const auto found = std::find_if(std::begin(kLayout), std::end(kLayout),
                                  [field](const Slot& slot) { return slot.field == field; });
  return found == std::end(kLayout) ? nullptr : &*found;
}

const Slot& slotOf(Field field) {
  const Slot* slot = findSlot(field);
  if (!slot) throw std::logic_error("the field has no slot in the configuration image");
  return *slot;
}

std::vector<const Slot*> secretSlots() {
  std::vector<const Slot*> secret;
  for (const Slot& slot : kLayout) {
    if (slot.field && fieldRow(*slot.field).secret) secret.push_back(&slot);
  }
  return secret;
}

std::span<const Write> writeOrder() {
  static const std::vector<Write> writes = buildWriteOrder();
  return writes;
}

}  // namespace config

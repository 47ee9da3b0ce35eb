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

using F = Field;
using enum Format;

constexpr Slot kByteMap[] = {
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
    {93, 1, ByteValue, F::setup3_Text28},
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
    {211, 4, Password, F::setup1_Text14},
    {215, 1, Spare, {}},
    {216, 1, ListPosition, F::setup3_Combo2},
    {217, 1, Flag, F::setup3_Combo3},
    {218, 2, Word, F::setup1_Text22},
    {220, 1, ListPosition, F::setup3_Combo7},
    {221, 1, ListPosition, F::setup3_Combo8},
    {222, 1, ByteValue, F::setup1_Text30},
    {223, 1, Spare, {}},
    {224, 32, FilledText, F::setup1_Text21},
    {256, 16, TerminatedText, F::setup1_Text34},
    {272, 16, TerminatedText, F::setup1_Text35},
    {288, 16, TerminatedText, F::setup1_Text5},
    {304, 16, TerminatedText, F::setup3_Text1},
    {320, 7, Constant, {}, 0},
    {327, 9, Spare, {}},
    {336, 16, FilledTextLong, F::setup1_Text13},
    {352, 16, FilledTextLong, F::setup1_Text15},
    {368, 1, LastByte, {}, 255},
    {369, 32, Unused, {}},
};

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

std::span<const Slot> byteMap() {
  return kByteMap;
}

const Slot* slotOf(Field field) {
  const auto found = std::find_if(std::begin(kByteMap), std::end(kByteMap),
                                  [field](const Slot& slot) { return slot.field == field; });
  return found == std::end(kByteMap) ? nullptr : &*found;
}

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

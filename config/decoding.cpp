#include "config/decoding.h"

#include <cmath>
#include <string>

namespace config {

namespace {

using F = Field;
using enum Decode;

constexpr DecodeRule kDecodeTable[] = {
    {F::setup1_Combo13, ListPosition, 1, 1},
    {F::setup1_Combo8, ListPosition, 7, 7},
    {F::setup1_Combo2, ListPosition, 10, 10},
    {F::setup1_Combo9, ListPosition, 14, 14},
    {F::setup1_Combo1, ListPosition, 15, 15},
    {F::setup1_Combo3, ListPosition, 35, 35},
    {F::setup1_Combo6, ListPosition, 40, 40},
    {F::setup1_Combo4, ListPosition, 46, 46},
    {F::setup1_Combo14, ListPosition, 52, 52},
    {F::setup1_Combo17, ListPosition, 60, 60},
    {F::setup1_Combo7, ListPosition, 77, 77},
    {F::setup1_Combo5, ListPosition, 79, 79},
    {F::setup1_Combo10, ListPosition, 88, 88},
    {F::setup1_Combo11, ListPosition, 92, 92},
    {F::setup1_Combo12, ListPosition, 95, 95},
    {F::setup3_Combo14, ListPosition, 8, 8},
    {F::setup3_Combo15, ListPosition, 9, 9},
    {F::setup3_Combo10, ListPosition, 47, 47},
    {F::setup3_Combo3, ListPosition, 48, 48},
    {F::setup3_Combo11, ListPosition, 50, 50},
    {F::setup3_Combo4, ListPosition, 59, 59},
    {F::setup3_Combo5, ListPosition, 61, 61},
    {F::setup3_Combo6, ListPosition, 62, 62},
    {F::setup3_Combo9, ListPosition, 63, 63},
    {F::setup3_Combo12, ListPosition, 74, 74},
    {F::setup3_Combo20, ListPosition, 75, 75},
    {F::setup3_Combo1, ListPosition, 78, 78},
    {F::setup3_Combo13, ListPosition, 167, 167},
    {F::setup3_Combo2, ListPosition, 216, 216},
    {F::setup3_Combo7, ListPosition, 220, 220},
    {F::setup3_Combo8, ListPosition, 221, 221},
    {F::setup1_Text3, ByteStr, 33, 33},
    {F::setup1_Text4, ByteStr, 34, 34},
    {F::setup1_Text6, ByteStr, 36, 36},
    {F::setup1_Text7, ByteStr, 38, 38},
    {F::setup1_Text8, ByteStr, 39, 39},
    {F::setup1_Text32, ByteStr, 53, 53},
    {F::setup1_Text33, ByteStr, 56, 56},
    {F::setup3_Text3, ByteStr, 57, 57},
    {F::setup3_Text2, ByteStr, 58, 58},
    {F::setup3_Text28, BytePlain, 93, 93},
    {F::setup1_Text30, BytePlain, 222, 222},
    {F::setup1_Text31, WordStr, 2, 3},
    {F::setup1_Text22, WordStr, 218, 219},
    {F::setup3_Text15, WordStr, 208, 209},
    {F::setup1_Text29, SpeedCode, 94, 94},
    {F::setup1_Combo15, VoltageLookup, 54, 54},
    {F::setup1_Combo16, VoltageLookup, 55, 55},
    {F::setup1_Text25, Coordinate, 4, 6},
    {F::setup1_Text24, Coordinate, 11, 13},
    {F::setup1_Text26, Coordinate, 85, 87},
    {F::setup1_Text23, Coordinate, 89, 91},
    // Base phone number 1 stops at the end of its own slot: a full 16-character number has
    // no "#" after it, and reading on would take the following fields' bytes as its text.
    {F::setup1_Text2, TerminatedText, 16, 31},
    {F::setup1_Text34, TerminatedText, 256, 271},
    {F::setup1_Text35, TerminatedText, 272, 286},
    {F::setup1_Text5, TerminatedText, 288, 302},
    {F::setup3_Text1, TerminatedText, 304, 319},
    {F::setup1_Text12, FilledText, 64, 68},
    {F::setup1_Text20, FilledText, 69, 73},
    {F::setup1_Text11, FilledText, 96, 143},
    {F::setup1_Text10, FilledText, 160, 164},
    {F::setup1_Text18, FilledText, 168, 191},
    {F::setup1_Text19, FilledText, 192, 207},
    {F::setup1_Text21, FilledText, 224, 255},
    {F::setup1_Text13, FilledText, 336, 351},
    {F::setup1_Text15, FilledText, 352, 367},
    {F::setup3_Text4, FixedText, 144, 153},
    {F::setup3_Text25, Pin, 155, 158},
};

std::string strForm(long long value) {
  return " " + std::to_string(value);
}

std::string twoDigits(int value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

// The characters of first to last, up to (not including) the first byte equal to stop.
std::string textUpTo(const Image& image, int first, int last, int stop) {
  std::string text;
  for (int index = first; index <= last; ++index) {
    const int byte = image.at(index);
    if (byte == stop) break;
    text += static_cast<char>(byte);
  }
  return text;
}

}  // namespace

std::span<const DecodeRule> decodeTable() {
  return kDecodeTable;
}

std::string decodedText(const Image& image, const DecodeRule& rule) {
  const int byte = image.at(rule.first);
  switch (rule.format) {
    case ListPosition:
    case VoltageLookup:
      return {};
    case ByteStr:
      return strForm(byte);
    case BytePlain:
      return std::to_string(byte);
    case WordStr:
      return strForm(256LL * byte + image.at(rule.last));
    case SpeedCode:
      // nearbyint rounds halves to the even neighbour in the default rounding mode.
      return std::to_string(static_cast<long long>(std::nearbyint(byte * 1.852)));
    case Coordinate:
      if (byte == 255) return "0.0000";
      return std::to_string(byte) + "." + twoDigits(image.at(rule.first + 1)) +
             twoDigits(image.at(rule.first + 2));
    case TerminatedText:
      return textUpTo(image, rule.first, rule.last, 35);
    case FilledText:
      return textUpTo(image, rule.first, rule.last, 255);
    case FixedText:
      return textUpTo(image, rule.first, rule.last, -1);
    case Pin:
      if (byte == 0 || byte == 255) return {};
      return textUpTo(image, rule.first, rule.last, -1);
  }
  return {};
}

void decodeImage(const Image& image, Fields& fields) {
  for (const DecodeRule& rule : kDecodeTable) {
    try {
      switch (rule.format) {
        case ListPosition:
          fields.setIndex(rule.field, image.at(rule.first));
          break;
        case VoltageLookup:
          fields.setIndex(rule.field, voltageCodeLookup(image.at(rule.first)));
          break;
        default:
          fields.setText(rule.field, decodedText(image, rule));
          break;
      }
    } catch (const ImageError&) {
      // A field that cannot be read is skipped; the others are still set.
    }
  }
}

}  // namespace config

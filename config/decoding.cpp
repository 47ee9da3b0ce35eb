#include "config/decoding.h"

#include <cmath>
#include <string>

namespace config {

namespace {

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

bool readBack(const Slot& slot) {
  switch (slot.format) {
    case Format::Constant:
    case Format::Spare:
    case Format::Flag:
    case Format::Password:
    case Format::LastByte:
    case Format::Unused:
      return false;
    default:
      return slot.field.has_value();
  }
}

std::string decodedText(const Image& image, const Slot& slot) {
  const int byte = image.at(slot.index);
  const int last = slot.index + slot.readWidth() - 1;
  switch (slot.format) {
    case Format::ByteValue:
      return strForm(byte);
    case Format::ByteValuePlain:
      return std::to_string(byte);
    case Format::Word:
      return strForm(256LL * byte + image.at(slot.index + 1));
    case Format::SpeedCode:
      // nearbyint rounds halves to the even neighbour in the default rounding mode.
      return std::to_string(static_cast<long long>(std::nearbyint(byte * 1.852)));
    case Format::Coordinate:
      if (byte == 255) return "0.0000";
      return std::to_string(byte) + "." + twoDigits(image.at(slot.index + 1)) +
             twoDigits(image.at(slot.index + 2));
    case Format::TerminatedText:
      return textUpTo(image, slot.index, last, 35);
    case Format::FilledText:
    case Format::FilledTextBlanksSkipped:
    case Format::FilledTextLong:
      return textUpTo(image, slot.index, last, 255);
    case Format::FixedText:
      return textUpTo(image, slot.index, last, -1);
    case Format::Pin:
      if (byte == 0 || byte == 255) return {};
      return textUpTo(image, slot.index, last, -1);
    default:
      return {};
  }
}

void decodeImage(const Image& image, Fields& fields) {
  for (const Slot& slot : layout()) {
    if (!readBack(slot)) continue;
    try {
      switch (slot.format) {
        case Format::ListPosition:
          fields.setIndex(*slot.field, image.at(slot.index));
          break;
        case Format::VoltageCode:
          fields.setIndex(*slot.field, voltageCodeLookup(image.at(slot.index)));
          break;
        default:
          fields.setText(*slot.field, decodedText(image, slot));
          break;
      }
    } catch (const ImageError&) {
      // A field that cannot be read is skipped; the others are still set.
    }
  }
}

}  // namespace config

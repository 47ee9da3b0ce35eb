#include "config/verify.h"

#include "config/decoding.h"

namespace config {

namespace {

// What an upload makes of a slot: a text field's text as the decoding reads it; a list's byte
// itself (a voltage's code, which gives the lowest position of that code whichever was sent).
std::string readBackValue(const Image& image, const Slot& slot) {
  switch (slot.format) {
    case Format::ListPosition:
    case Format::VoltageCode:
      return std::to_string(image.at(slot.index));
    default:
      return decodedText(image, slot);
  }
}

}  // namespace

std::vector<Field> unconfirmedFields(const Image& sent, const Image& readBack) {
  std::vector<Field> differing;
  for (const Slot& slot : layout()) {
    if (!config::readBack(slot)) continue;
    if (readBackValue(sent, slot) != readBackValue(readBack, slot))
      differing.push_back(*slot.field);
  }
  return differing;
}

std::string devicePassword(const Image& sent) {
  const Slot& slot = slotOf(Field::setup1_Text14);
  std::string password;
  for (int index = slot.index; index <= slot.last(); ++index)
    password += static_cast<char>(sent.at(index));
  return password;
}

}  // namespace config

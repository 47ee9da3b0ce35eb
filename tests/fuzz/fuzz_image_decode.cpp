// Decoding an uploaded configuration image of any content into the fields. Rules checked:
// - every read-back slot reads inside the image (indices 0 to 400) and nowhere but its own bytes:
// changing
//   every other byte leaves its text as it was;
// - a decoded text fits its field's maximum length, so the field shows it whole;
// - a list whose byte names no item keeps what it showed; no error escapes the decoding;
// - when the decoded configuration encodes again, decoding that image gives the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "config/decoding.h"
#include "config/encoding.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "config/image.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The decoded fields the same in both, leaving out those whose encoding drops part of what
// they show: voltages (the two code tables differ), texts whose blanks are skipped and the
// long texts written only when longer than 3 characters, and coordinates whose decimal bytes
// lie outside 0 to 99 (their text has more than four decimals).
bool sameDecodedFields(const config::Image& image, const config::FieldStore& a,
                       const config::FieldStore& b) {
  using config::Format;
  for (const config::Slot& slot : config::layout()) {
    if (!config::readBack(slot)) continue;
    const config::Field field = *slot.field;
    if (slot.format == Format::VoltageCode || slot.format == Format::FilledTextBlanksSkipped ||
        slot.format == Format::FilledTextLong)
      continue;
    if (slot.format == Format::Coordinate &&
        (image.at(slot.index + 1) > 99 || image.at(slot.index + 2) > 99))
      continue;
    if (a.text(field) != b.text(field) || a.index(field) != b.index(field)) {
      const config::FieldRow& entry = config::fieldRow(field);
      std::fprintf(stderr, "%s %s: \"%s\" (%d) came back as \"%s\" (%d)\n",
                   config::windowName(entry.window), entry.control.c_str(), a.text(field).c_str(),
                   a.index(field), b.text(field).c_str(), b.index(field));
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  config::Image image;
  for (int index = 0; index < config::kImageSize; ++index) {
    image.set(index, static_cast<std::size_t>(index) < size ? data[index] : 255);
  }

  for (const config::Slot& slot : config::layout()) {
    if (!config::readBack(slot)) continue;
    FUZZ_CHECK(0 <= slot.index && slot.last() < config::kImageSize);
    const config::FieldRow& entry = config::fieldRow(*slot.field);
    if (slot.format == config::Format::ListPosition || slot.format == config::Format::VoltageCode) {
      FUZZ_CHECK(entry.kind == config::Kind::List);
      continue;
    }
    const std::string text = config::decodedText(image, slot);
    if (entry.maxLength > 0) FUZZ_CHECK(text.size() <= static_cast<std::size_t>(entry.maxLength));

    config::Image elsewhere = image;
    for (int index = 0; index < config::kImageSize; ++index) {
      if (index < slot.index || index > slot.last()) elsewhere.set(index, image.at(index) ^ 0x5A);
    }
    FUZZ_CHECK(config::decodedText(elsewhere, slot) == text);
  }

  const config::FieldStore before;
  config::FieldStore fields;
  config::decodeImage(image, fields);
  for (const config::Slot& slot : config::layout()) {
    if (slot.format != config::Format::ListPosition) continue;
    const int byte = image.at(slot.index);
    const int items = static_cast<int>(config::fieldRow(*slot.field).items.size());
    FUZZ_CHECK(fields.index(*slot.field) == (byte < items ? byte : before.index(*slot.field)));
  }

  config::Image encoded;
  config::VoltageCodeTable codes;
  if (config::encodeConfiguration(fields, encoded, codes).encoded) {
    config::FieldStore again;
    config::decodeImage(encoded, again);
    FUZZ_CHECK(sameDecodedFields(image, fields, again));
  }
  return 0;
}

// Decoding an uploaded configuration image of any content into the fields. Rules checked:
// - every rule reads inside the image (indices 0 to 400) and nowhere but its own bytes: changing
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
  for (const config::DecodeRule& rule : config::decodeTable()) {
    const Format format = config::slotOf(rule.field)->format;
    if (format == Format::VoltageCode || format == Format::FilledTextBlanksSkipped ||
        format == Format::FilledTextLong)
      continue;
    if (format == Format::Coordinate &&
        (image.at(rule.first + 1) > 99 || image.at(rule.first + 2) > 99))
      continue;
    if (a.text(rule.field) != b.text(rule.field) || a.index(rule.field) != b.index(rule.field)) {
      const config::FieldSpec& entry = config::fieldSpec(rule.field);
      std::fprintf(stderr, "%s %s: \"%s\" (%d) came back as \"%s\" (%d)\n",
                   config::windowName(entry.window), entry.control.c_str(),
                   a.text(rule.field).c_str(), a.index(rule.field), b.text(rule.field).c_str(),
                   b.index(rule.field));
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

  for (const config::DecodeRule& rule : config::decodeTable()) {
    FUZZ_CHECK(0 <= rule.first && rule.first <= rule.last && rule.last < config::kImageSize);
    const config::FieldSpec& entry = config::fieldSpec(rule.field);
    if (rule.format == config::Decode::ListPosition ||
        rule.format == config::Decode::VoltageLookup) {
      FUZZ_CHECK(entry.kind == config::Kind::List);
      continue;
    }
    const std::string text = config::decodedText(image, rule);
    if (entry.maxLength > 0) FUZZ_CHECK(text.size() <= static_cast<std::size_t>(entry.maxLength));

    config::Image elsewhere = image;
    for (int index = 0; index < config::kImageSize; ++index) {
      if (index < rule.first || index > rule.last) elsewhere.set(index, image.at(index) ^ 0x5A);
    }
    FUZZ_CHECK(config::decodedText(elsewhere, rule) == text);
  }

  const config::FieldStore before;
  config::FieldStore fields;
  config::decodeImage(image, fields);
  for (const config::DecodeRule& rule : config::decodeTable()) {
    if (rule.format != config::Decode::ListPosition) continue;
    const int byte = image.at(rule.first);
    const int items = static_cast<int>(config::fieldSpec(rule.field).items.size());
    FUZZ_CHECK(fields.index(rule.field) == (byte < items ? byte : before.index(rule.field)));
  }

  config::Image encoded;
  config::VoltageCodeTable codes;
  ui::RecordedMessages messages;
  if (config::encodeConfiguration(fields, encoded, codes, messages)) {
    config::FieldStore again;
    config::decodeImage(encoded, again);
    FUZZ_CHECK(sameDecodedFields(image, fields, again));
  }
  return 0;
}

// The configuration upload on any characters from the unit, cut into reads in any way: digits
// into the image, the version text, the decoding into the fields. Rules checked:
// - the upload ends by itself within 8 ticks of the last character, no error escapes it, and
//   it hides its progress button;
// - "p" while no byte is complete is neither stored nor answered; every other read of the image
//   stage is answered with one "1", and nothing else is sent;
// - each byte is 16 times its first digit plus its second, from the first character of each
//   read; a byte the arithmetic takes outside 0 to 255 keeps what it held;
// - with all 736 digits and then four more reads, or fewer reads holding four characters:
//   "Upload complete", the version text is what those reads held, the fields are what the image
//   decodes to; otherwise "Error download !" and the fields and version text are untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/decoding.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "config/image.h"
#include "device/config_upload.h"
#include "device/hex.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_link.h"

namespace {

bool sameFields(const config::FieldStore& a, const config::FieldStore& b) {
  for (const config::FieldRow& entry : config::fieldTable()) {
    if (a.text(entry.field) != b.text(entry.field) || a.index(entry.field) != b.index(entry.field))
      return false;
  }
  return a.versionText() == b.versionText();
}

// An image left by an earlier upload: every byte different from its neighbours.
config::Image earlierImage() {
  config::Image image;
  for (int index = 0; index < config::kImageSize; ++index) image.set(index, (index * 7) % 256);
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> input = fuzzing::pieces(data, size);
  fuzzing::MemoryPort port;
  device::Link link(port);
  fuzzing::MemoryHost host;
  config::Image image = earlierImage();
  config::FieldStore fields;

  const fuzzing::Ending ending = fuzzing::drive(
      link, port, device::configUpload(host.context(link), {&image, &fields}), input, 20);
  FUZZ_CHECK(ending.ended && !ending.escaped && ending.ticksAfterInput <= 8);

  // The image stage, read by read.
  config::Image expected = earlierImage();
  int byteIndex = 0;
  bool low = false;
  int answered = 0;
  long long damaged = 0;
  std::size_t read = 0;
  for (; read < static_cast<std::size_t>(port.reads) && byteIndex < config::kUploadedBytes;
       ++read) {
    if (input[read] == "p" && byteIndex == 0) continue;
    if (!device::isHexDigit(input[read].front())) ++damaged;
    const int digit = device::hexDigitValue(input[read].front());
    const long long value = low ? expected.at(byteIndex) + digit : 16LL * digit;
    if (value >= 0 && value <= 255) expected.set(byteIndex, value);
    if (low) ++byteIndex;
    low = !low;
    ++answered;
  }
  FUZZ_CHECK(port.written == std::string(answered, '1'));
  for (int index = 0; index < config::kImageSize; ++index) {
    FUZZ_CHECK(image.at(index) == expected.at(index));
  }

  // The version stage: the reads that follow, up to four of them or four characters.
  std::string version;
  int versionReads = 0;
  for (; read < static_cast<std::size_t>(port.reads); ++read, ++versionReads) {
    version += input[read];
  }
  FUZZ_CHECK(versionReads <= 4);

  for (const char c : version) {
    if (c < 0x20 || c > 0x7E) ++damaged;
  }

  // Only a whole, clean upload reaches the fields.
  config::FieldStore decoded;
  const device::Ending ended = host.result.ending;
  if (byteIndex == config::kUploadedBytes && (versionReads == 4 || version.size() >= 4)) {
    FUZZ_CHECK(ended == (damaged == 0 ? device::Ending::Finished : device::Ending::Damaged));
    FUZZ_CHECK(host.result.damaged == damaged);
    if (damaged == 0) {
      decoded.setVersionText(version);
      config::decodeImage(expected, decoded);
    }
  } else {
    FUZZ_CHECK(ended == device::Ending::TimedOut);
  }
  FUZZ_CHECK(sameFields(fields, decoded));
  return 0;
}

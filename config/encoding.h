#pragma once
// Encoding the configuration of setup1 and setup3 into the configuration image, as the
// configuration download does before it talks to the unit: the SIM PIN checks with their own
// messages, the silent checks, the texts that would not fit their bytes (each named in a box),
// then every field into its bytes; a value that cannot be encoded is named in a box too. A
// configuration that fails is answered with "Invalid Configuration" and is never sent.
#include <optional>
#include <string>
#include <vector>

#include "config/fields.h"
#include "config/image.h"
#include "config/validation.h"
#include "messages/messages.h"

namespace config {

// True when the image holds the encoded configuration and may be sent. False after the user
// has been told why not: the image is then untouched (a check failed) or partly written (a
// value could not be encoded).
bool encodeConfiguration(const Fields& fields, Image& image, VoltageCodeTable& voltageCodes,
                         ui::Messages& messages);

// What a download would refuse, as facts for a report: each value the encoding cannot encode
// (a list with nothing selected, a number outside its bytes) by its field and the words of its
// box, and "Invalid Configuration" alone (with no field) for a refusal that names no field.
// Empty when the download would go ahead.
struct EncodingProblem {
  std::optional<Field> field;
  std::string message;
};
std::vector<EncodingProblem> encodingProblems(const Fields& fields);

// The configuration window's look at what only the encoding finds: a list without a selection
// or a value that does not fit its byte, each named in a box (as the download names it before
// "Invalid Configuration"). True when it found any. Meant for after the window's rules passed.
bool showEncodingProblems(const Fields& fields, ui::Messages& messages);

}  // namespace config

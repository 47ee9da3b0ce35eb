#pragma once
// Encoding the configuration of setup1 and setup3 into the configuration image, as the
// configuration download does before it talks to the unit: the SIM PIN checks, the silent
// checks, the texts that would not fit their bytes, then every field into its bytes. A
// configuration that fails is never sent; what failed is returned as problems, and the window
// shows the boxes ("Invalid Configuration" last). A value that cannot be encoded is named in a
// box only by the configuration window's check.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/fields.h"
#include "config/image.h"
#include "config/problems.h"
#include "config/validation.h"

namespace config {

struct EncodingOutcome {
  // The image holds the encoded configuration and may be sent.
  bool encoded = false;
  // Not encoded: the download's rules that broke, in order (config/problems.h says which a
  // download names in a box); when they all passed, the values the encoding cannot take, which
  // may be none (a text the rules let through that does not fit its bytes).
  std::vector<Problem> problems;
};

// Encodes, or says why not: the image is then untouched (a rule broke) or partly written (a
// value could not be encoded).
EncodingOutcome encodeConfiguration(const Fields& fields, Image& image,
                                    VoltageCodeTable& voltageCodes);

// Every value the encoding cannot take, each by its field, in the layout's write order. Meant
// for a configuration that passed the download's rules; empty when it would be sent.
std::vector<EncodingProblem> encodingProblems(const Fields& fields);

// The bytes a field takes in the image, as a download would write them: what the unit would
// hold of it, whatever way the number is spelt (" 60" and "60" are the same bytes). Nullopt
// for a field without bytes of its own (the existing password) or a value the encoding cannot
// take.
std::optional<std::vector<std::uint8_t>> heldBytes(const Fields& fields, Field field);

// The words that name the problem in the configuration window's check ("Invalid LAT2
// hemisphere (nothing selected)"), and what the field allows instead ("an item selected").
std::string encodingProblemText(const EncodingProblem& problem);
std::string allowedInstead(Unencodable why);

}  // namespace config

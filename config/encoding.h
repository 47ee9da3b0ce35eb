#pragma once
// Encoding the configuration of setup1 and setup3 into the configuration image, as the
// configuration download does before it talks to the unit: the SIM PIN checks with their own
// messages, the silent checks, the texts that would not fit their bytes (each named in a box),
// then every field into its bytes. A configuration that fails is answered with "Invalid
// Configuration" and is never sent; a value that cannot be encoded gets no box of its own there
// (the window's status line names it), only in the configuration window's check.
#include <cstdint>
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

// Why the encoding cannot take a field's value.
enum class Unencodable {
  NothingSelected,      // a list without a selection
  OutOfRange,           // a number outside its bytes once rounded
  DigitsAfterThePoint,  // a coordinate's decimals that do not read as digits
};

struct EncodingProblem {
  Field field;
  Unencodable why;
};

// Every value the encoding cannot take, each by its field, in the layout's write order. Meant
// for a configuration that passed the download's rules; empty when it would be sent.
std::vector<EncodingProblem> encodingProblems(const Fields& fields);

// The bytes a field takes in the image, as a download would write them: what the unit would
// hold of it, whatever way the number is spelt (" 60" and "60" are the same bytes). Nullopt
// for a field without bytes of its own (the existing password) or a value the encoding cannot
// take.
std::optional<std::vector<std::uint8_t>> heldBytes(const Fields& fields, Field field);

// The box of the configuration window's check that names the problem ("Invalid LAT2 hemisphere
// (nothing selected)"), and what the field allows instead ("an item selected").
ui::Message encodingProblemBox(const EncodingProblem& problem);
std::string allowedInstead(Unencodable why);

// The configuration window's look at what only the encoding finds, one box each, after the
// window's rules passed. True when it found any.
bool showEncodingProblems(const Fields& fields, ui::Messages& messages);

}  // namespace config

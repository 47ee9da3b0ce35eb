#pragma once
// Decoding an uploaded configuration image into the fields of setup1 and setup3. Each field is
// set from its own bytes, independently of the others; a field that cannot take what the image
// holds (a list position that names no item) keeps what it showed.
#include <string>

#include "config/fields.h"
#include "config/image.h"

namespace config {

// Whether an upload reads the slot back into its field.
bool readBack(const Slot& slot);

// The text a read-back slot of a text field gives for the image.
std::string decodedText(const Image& image, const Slot& slot);

void decodeImage(const Image& image, Fields& fields);

}  // namespace config

#pragma once
// Encoding the configuration of setup1 and setup3 into the configuration image, as the
// configuration download does before it talks to the unit: the SIM PIN checks with their own
// messages, the silent checks, then every field into its bytes. A configuration that fails is
// answered with "Invalid Configuration" and is never sent.
#include "config/fields.h"
#include "config/image.h"
#include "ui/messages.h"

namespace config {

// True when the image holds the encoded configuration and may be sent. False after the user
// has been told why not: the image is then untouched (a check failed) or partly written (a
// value could not be encoded).
bool encodeConfiguration(const Fields& fields, Image& image, VoltageCodeTable& voltageCodes,
                         ui::Messages& messages);

}  // namespace config

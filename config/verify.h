#pragma once
// The proof of a configuration download by an upload that follows it: which fields the unit gave
// back otherwise than they were sent. What the unit cannot give back exactly is no difference:
// the device password is never read back, a voltage list comes back as the lowest position with
// the same code, Base phone number 3 and the SMSC number come back one character shorter, and
// every field is compared as its read-back gives it (the decoding's own forms).
#include <string>
#include <vector>

#include "config/fields.h"
#include "config/image.h"

namespace config {

// The fields, in the layout's order, whose read-back from `readBack` differs from what the same
// read-back of `sent` gives.
std::vector<Field> unconfirmedFields(const Image& sent, const Image& readBack);

// The password a unit holds once `sent` has been downloaded into it: the image's device
// password bytes.
std::string devicePassword(const Image& sent);

}  // namespace config

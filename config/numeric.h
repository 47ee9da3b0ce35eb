#pragma once
// The configuration's rules read numbers as records/numeric.h says; the names are taken over
// here so that they read as the configuration's own.
#include "records/numeric.h"

namespace config {

using records::isDecimalNumber;
using records::readNumber;
using records::readsWhole;

}  // namespace config

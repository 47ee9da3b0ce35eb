#pragma once
// A coordinate cell of the GPS location table that the unit cannot be sent, as a fact: the
// table download refuses the table by its first such cell, before anything is sent.
#include <string>

namespace device {

// No number, a value the table's rules do not take for its column (loctable/entry_check.h), or
// more decimals than the unit stores.
struct UnsendableCell {
  enum Reason { NotANumber, OutOfRange, TooPrecise };
  int row;     // 0 to 99
  int column;  // 1 latitude, 2 longitude
  std::string text;
  Reason reason;
};

}  // namespace device

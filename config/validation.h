#pragma once
// The check of the configuration fields of both windows: fixed rules, applied in order, one
// message box per broken rule, "Configuration is OK" when none broke.
#include <functional>
#include <string>
#include <vector>

#include "config/fields.h"

namespace ui {
class Messages;
}

namespace config {

enum class Check {
  LengthNot,        // the length is not minLength
  LengthAbove,      // the length is more than maxLength
  LengthOutside,    // the length is less than minLength or more than maxLength
  FilledLengthNot,  // the text is not empty and its length is not minLength
  DigitsOnly,       // the length is minLength and a character is not a digit (see checkFields)
  NeedsText,        // the list `other` has index 1 ("Enabled") and the text is empty
  FilledNoPlus,     // the text is not empty and does not begin with "+"
  ValueOutside,     // the value is less than low or more than high
  Coordinate,       // LengthOutside, or ValueOutside
  NoPoint,          // the text contains no "."
  SlotLength,       // the text does not fit its bytes in the image (see slot_limits.h); not
                    // reported when an earlier rule of the run already named the field
};

struct Rule {
  Check check;
  Field field;
  int minLength;
  int maxLength;
  double low;
  double high;
  Field other;  // NeedsText: the list that asks for the text
  std::string message;
};

// The rules, in the order they are applied.
const std::vector<Rule>& validationRules();

enum class CheckOutcome {
  Valid,    // no rule broke: "Configuration is OK" was shown
  Invalid,  // one box per broken rule was shown
  Failed,   // a text read as a number too large for a double: "Invalid Configuration"
};

// What the rules cannot see: the problems the encoding itself would meet (a list without a
// selection, a value that does not fit its byte). Shows a box for each and returns true when
// it found any.
using FurtherCheck = std::function<bool(const Fields& fields, ui::Messages& messages)>;

// Whether one rule is broken, taken on its own (the digit rule looks at the characters whatever
// else broke); a text too large for a double breaks it.
bool ruleBroken(const Rule& rule, const Fields& fields);

// One check run. The digit rule is walked only while no earlier rule of the run has broken.
// When no rule broke, `further` runs before "Configuration is OK" could be shown.
CheckOutcome checkFields(const Fields& fields, ui::Messages& messages,
                         const FurtherCheck& further = {});

}  // namespace config

#pragma once
// The rules of a configuration: the configuration window's check applies them in order, one
// message box per broken rule, "Configuration is OK" when none broke; a download applies the
// ones it shares with the window before it encodes, mostly without a box of its own. Each rule
// is one row, whoever applies it.
#include <functional>
#include <string>
#include <vector>

#include "config/fields.h"

#include "messages/messages.h"

namespace config {

// The box that ends every refusal of a configuration.
inline const ui::Message kInvalidConfiguration{"Invalid Configuration", "Error",
                                               ui::Icon::Critical};

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

// Who applies a rule.
enum class Applies {
  Both,      // the window's check names it; a download refuses it without a box
  Window,    // only the window's check
  Download,  // only a download, without a box
  BothShown  // both, and a download names it in a box too
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
  Applies applies = Applies::Both;
};

inline bool appliedByWindow(const Rule& rule) {
  return rule.applies != Applies::Download;
}
inline bool appliedByDownload(const Rule& rule) {
  return rule.applies != Applies::Window;
}

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

// The download's look at the rules, before it encodes: every rule it applies is taken, in
// order, and those it names get their box. True when none broke. A text too large for a double
// ends the look at once with false, before any later box.
bool downloadRulesPass(const Fields& fields, ui::Messages& messages);

}  // namespace config

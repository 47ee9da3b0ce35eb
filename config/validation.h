#pragma once
// The rules of a configuration: the configuration window's check applies them in order, one
// finding per broken rule, "Configuration is OK" when none broke; a download applies the ones it
// shares with the window before it encodes, mostly without naming them. Each rule is one row,
// whoever applies it. What is found is returned as facts; the window shows the boxes.
#include <functional>
#include <string>
#include <vector>

#include "config/fields.h"

namespace config {

// The words that end every refusal of a configuration.
inline constexpr const char* kInvalidConfiguration = "Invalid Configuration";

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
  Both,      // the window's check names it; a download refuses it without naming it
  Window,    // only the window's check
  Download,  // only a download, without naming it
  BothShown  // both, and a download names it on its own too
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
  Valid,    // no rule broke and the further look found nothing: "Configuration is OK"
  Invalid,  // a rule broke, or the further look found a value the encoding cannot take
  Failed,   // a text read as a number too large for a double: "Invalid Configuration"
};

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

// What the rules cannot see: the values the encoding itself cannot take (a list without a
// selection, a value that does not fit its byte), in the encoding's order.
using FurtherCheck = std::function<std::vector<EncodingProblem>(const Fields& fields)>;

// What one check run found, in the order the window names it.
struct FieldCheck {
  CheckOutcome outcome = CheckOutcome::Valid;
  // The rules that broke, each named once, in the rules' order. Failed: those before the
  // number that could not be read.
  std::vector<const Rule*> broken;
  // What the further look found; it looks only when no rule broke.
  std::vector<EncodingProblem> unencodable;
};

// Whether one rule is broken, taken on its own (the digit rule looks at the characters whatever
// else broke); a text too large for a double breaks it, and sets `unreadable` when given.
bool ruleBroken(const Rule& rule, const Fields& fields, bool* unreadable = nullptr);

// One check run. The digit rule is walked only while no earlier rule of the run has broken.
// When no rule broke, `further` looks before the configuration could be called valid.
FieldCheck checkFields(const Fields& fields, const FurtherCheck& further = {});

}  // namespace config

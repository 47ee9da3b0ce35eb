#include "config/validation.h"

#include <algorithm>
#include <limits>
#include <set>
#include <stdexcept>

#include "config/slot_limits.h"
#include "records/numeric.h"

namespace config {

namespace {

using F = Field;

Rule lengthNot(F f, int length, const char* message) {
  return {Check::LengthNot, f, length, 0, 0, 0, f, message};
}
Rule lengthAbove(F f, int length, const char* message) {
  return {Check::LengthAbove, f, 0, length, 0, 0, f, message};
}
Rule lengthOutside(F f, int shortest, int longest, const char* message) {
  return {Check::LengthOutside, f, shortest, longest, 0, 0, f, message};
}
Rule valueOutside(F f, double low, double high, const char* message) {
  return {Check::ValueOutside, f, 0, 0, low, high, f, message};
}
Rule coordinate(F f, int longest, double high, const char* message) {
  return {Check::Coordinate, f, 6, longest, 0, high, f, message};
}
Rule noPoint(F f, const char* message) {
  return {Check::NoPoint, f, 0, 0, 0, 0, f, message};
}
Rule needsText(F list, F text, const char* message) {
  return {Check::NeedsText, text, 0, 0, 0, 0, list, message};
}
// A rule as only one side applies it, or as a download names it too.
Rule only(Applies applies, Rule rule) {
  rule.applies = applies;
  return rule;
}
// The download's own bound for a port: it refuses only a value above the top.
Rule portTop(F f) {
  return {Check::ValueOutside, f, 0, 0, -std::numeric_limits<double>::infinity(), 65535, f, {},
          Applies::Download};
}

std::vector<Rule> buildRules() {
  return {
      lengthNot(F::setup3_Text4, 10, "Invalid Security ID code (Must be 10 Char long)"),
      {Check::FilledLengthNot, F::setup3_Text25, 4, 0, 0, 0, F::setup3_Text25,
       "Invalid SIM PIN Code (must be 4 digits long)", Applies::BothShown},
      {Check::DigitsOnly, F::setup3_Text25, 4, 0, 0, 0, F::setup3_Text25,
       "Invalid SIM PIN Code (Digits ONLY)", Applies::BothShown},
      lengthOutside(F::setup1_Text2, 3, 16, "Invalid Base Phone number 1 (max 16)"),
      lengthAbove(F::setup1_Text34, 16, "Invalid Base Phone number 2 (max 16)"),
      only(Applies::Window, lengthAbove(F::setup3_Text1, 16, "Invalid Dial out phone number! ")),
      lengthAbove(F::setup1_Text5, 16, "Invalid Base Phone number 3 max 16)"),
      needsText(F::setup3_Combo5, F::setup1_Text34, "Need to configure Base 2 phone number"),
      needsText(F::setup3_Combo6, F::setup1_Text5, "Need to configure Base 3 phone number"),
      lengthAbove(F::setup1_Text35, 16, "Invalid SMSC number(max 16)"),
      {Check::FilledNoPlus, F::setup1_Text35, 0, 0, 0, 0, F::setup1_Text35,
       "Invalid SMSC number(max 16 - first number + sign)"},
      valueOutside(F::setup3_Text28, 0, 255, "Invalid AUX2 input delay time"),
      valueOutside(F::setup1_Text29, 0, 183, "Invalid Speed limit"),
      valueOutside(F::setup1_Text30, 0, 255, "Speed "),
      valueOutside(F::setup1_Text32, 3, 255, "Vibration sensitivity "),
      only(Applies::Window, lengthAbove(F::setup1_Text13, 16, "Primary DNS to long!")),
      only(Applies::Window, lengthAbove(F::setup1_Text15, 16, "Secondary DNS to long!")),
      coordinate(F::setup1_Text25, 7, 90, "Invalid LAT1 Value"),
      coordinate(F::setup1_Text24, 7, 90, "Invalid LAT2 Value"),
      coordinate(F::setup1_Text26, 8, 180, "Invalid LONG1 Value"),
      coordinate(F::setup1_Text23, 8, 180, "Invalid LONG2 Value"),
      noPoint(F::setup1_Text25, "Invalid LAT1 Value"),
      noPoint(F::setup1_Text24, "Invalid LAT2 Value"),
      noPoint(F::setup1_Text26, "Invalid LONG1 Value"),
      noPoint(F::setup1_Text23, "Invalid LONG2 Value"),
      {Check::LengthOutside, F::setup1_Text11, 5, 1 << 30, 0, 0, F::setup1_Text11,
       "Invalid IP address or Domain name", Applies::Window},
      valueOutside(F::setup1_Text22, 0, 16383, "Invalid SMS tracking interval ONLINE"),
      valueOutside(F::setup3_Text15, 0, 65535, "Invalid Prescale Value"),
      valueOutside(F::setup1_Text31, 0, 16383, "Invalid SMS tracking interval OFFLINE"),
      only(Applies::Window,
           valueOutside(F::setup1_Text12, 0, 65535, "Invalid UDP destination port")),
      portTop(F::setup1_Text12),
      only(Applies::Window,
           valueOutside(F::setup1_Text10, 0, 65535, "Invalid TCP destination port")),
      portTop(F::setup1_Text10),
      valueOutside(F::setup1_Text33, 0, 255, "Invalid Delay time input volt.low or high"),
      only(Applies::Window, valueOutside(F::setup1_Text20, 0, 65535, "Invalid UDP OS upload port")),
      portTop(F::setup1_Text20),
      valueOutside(F::setup1_Text3, 1, 240, "Invalid GEO fencing delay"),
      valueOutside(F::setup1_Text4, 1, 240, "Invalid GEO fencing sensitivity"),
      valueOutside(F::setup1_Text6, 1, 240, "Invalid Alarm input delay time"),
      valueOutside(F::setup1_Text7, 0, 240, "Invalid Power failure delay time"),
      valueOutside(F::setup1_Text8, 1, 240, "Invalid GPS reading interval"),
      lengthAbove(F::setup1_Text21, 32, "Invalid APN name"),
      lengthAbove(F::setup1_Text18, 24, "Invalid GPRS login name"),
      lengthAbove(F::setup1_Text19, 16, "Invalid GPRS password"),
      lengthNot(F::setup1_Text9, 4, "Invalid Existing Password"),
      lengthAbove(F::setup1_Text14, 4, "Invalid New Password"),
  };
}

// The texts that would not fit their bytes in the image, after every other rule: the download
// names them with the same messages.
void addSlotRules(std::vector<Rule>& rules) {
  for (const SlotLimit& limit : slotLimits()) {
    rules.push_back({Check::SlotLength, limit.field, 0, limit.bytes, 0, 0, limit.writtenWith,
                     limit.message, Applies::BothShown});
  }
}

const SlotLimit& slotLimitOf(Field field) {
  for (const SlotLimit& limit : slotLimits()) {
    if (limit.field == field) return limit;
  }
  throw std::logic_error("no slot limit for the field");
}

struct ReadFailure {};

double valueOf(const std::string& text) {
  const std::optional<double> value = records::readNumber(text);
  if (!value) throw ReadFailure{};
  return *value;
}

bool outside(double value, double low, double high) {
  return value < low || value > high;
}

// True when the rule is broken. `clear` tells whether no rule of this run has broken yet;
// `named` holds the fields of the rules that broke.
bool broken(const Rule& rule, const Fields& fields, bool clear, const std::set<Field>& named) {
  const std::string text = fields.text(rule.field);
  const int length = static_cast<int>(text.size());
  switch (rule.check) {
    case Check::LengthNot:
      return length != rule.minLength;
    case Check::LengthAbove:
      return length > rule.maxLength;
    case Check::LengthOutside:
      return length < rule.minLength || length > rule.maxLength;
    case Check::FilledLengthNot:
      return !text.empty() && length != rule.minLength;
    case Check::DigitsOnly:
      // A break of an earlier rule means the characters are not looked at.
      return clear && length == rule.minLength &&
             std::any_of(text.begin(), text.end(), [](char c) { return c < '0' || c > '9'; });
    case Check::NeedsText:
      return fields.index(rule.other) == 1 && text.empty();
    case Check::FilledNoPlus:
      return !text.empty() && text.front() != '+';
    case Check::ValueOutside:
      return outside(valueOf(text), rule.low, rule.high);
    case Check::Coordinate: {
      // The value is read even when the length already breaks the rule, so a text too large
      // for a double fails the run either way.
      const double value = valueOf(text);
      return length < rule.minLength || length > rule.maxLength ||
             outside(value, rule.low, rule.high);
    }
    case Check::NoPoint:
      return text.find('.') == std::string::npos;
    case Check::SlotLength:
      return !named.contains(rule.field) && slotExceeded(slotLimitOf(rule.field), fields);
  }
  return false;
}

}  // namespace

const std::vector<Rule>& validationRules() {
  static const std::vector<Rule> rules = [] {
    std::vector<Rule> all = buildRules();
    addSlotRules(all);
    return all;
  }();
  return rules;
}

bool ruleBroken(const Rule& rule, const Fields& fields, bool* unreadable) {
  try {
    return broken(rule, fields, true, {});
  } catch (const ReadFailure&) {
    if (unreadable) *unreadable = true;
    return true;
  }
}

FieldCheck checkFields(const Fields& fields, const FurtherCheck& further) {
  FieldCheck check;
  std::set<Field> named;
  try {
    for (const Rule& rule : validationRules()) {
      if (!appliedByWindow(rule)) continue;
      if (broken(rule, fields, check.broken.empty(), named)) {
        check.broken.push_back(&rule);
        named.insert(rule.field);
      }
    }
  } catch (const ReadFailure&) {
    check.outcome = CheckOutcome::Failed;
    return check;
  }
  if (check.broken.empty() && further) check.unencodable = further(fields);
  if (!check.broken.empty() || !check.unencodable.empty()) check.outcome = CheckOutcome::Invalid;
  return check;
}

}  // namespace config

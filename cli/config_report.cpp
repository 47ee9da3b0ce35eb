#include "cli/config_report.h"

#include <algorithm>
#include <cstdio>

#include "cli/fleet.h"
#include "config/encoding.h"
#include "config/field_table.h"
#include "config/image.h"
#include "config/validation.h"
#include "messages/messages.h"

namespace cli {

namespace {

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// What a rule lets through, in words, from the rule's own limits.
std::string allowedBy(const config::Rule& rule) {
  using config::Check;
  const std::string shortest = std::to_string(rule.minLength);
  const std::string longest = std::to_string(rule.maxLength);
  switch (rule.check) {
    case Check::LengthNot:
      return "exactly " + shortest + " characters";
    case Check::LengthAbove:
      return "at most " + longest + " characters";
    case Check::LengthOutside:
      return rule.maxLength >= (1 << 30) ? "at least " + shortest + " characters"
                                         : shortest + " to " + longest + " characters";
    case Check::FilledLengthNot:
      return "empty or exactly " + shortest + " characters";
    case Check::DigitsOnly:
      return "digits 0 to 9 only";
    case Check::NeedsText:
      return "not empty while " + fieldName(rule.other) + " is \"Enabled\"";
    case Check::FilledNoPlus:
      return "empty or beginning with +";
    case Check::ValueOutside:
      return number(rule.low) + " to " + number(rule.high);
    case Check::Coordinate:
      return shortest + " to " + longest + " characters, value " + number(rule.low) + " to " +
             number(rule.high);
    case Check::NoPoint:
      return "a decimal point";
    case Check::SlotLength:
      return "at most " + longest + " characters as the unit stores them";
  }
  return {};
}

}  // namespace

std::string fieldName(config::Field field) {
  return config::fieldLabel(field);
}

std::string shownValue(const config::Fields& fields, config::Field field) {
  const config::FieldRow& entry = config::fieldRow(field);
  if (entry.kind == config::Kind::List) {
    const int index = fields.index(field);
    if (index < 0) return "(none)";
    return "\"" + entry.items.at(static_cast<size_t>(index)) + "\"";
  }
  return "\"" + fields.text(field) + "\"";
}

std::vector<Problem> configurationProblems(const config::Fields& fields) {
  std::vector<Problem> problems;
  const auto named = [&](config::Field field) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const Problem& p) { return p.field == field && !p.value.empty(); });
  };
  for (const config::Rule& rule : config::validationRules()) {
    if (!config::appliedByWindow(rule)) continue;
    // As in the window: a field too long for its bytes is said once, by its first rule.
    if (rule.check == config::Check::SlotLength && named(rule.field)) continue;
    if (config::ruleBroken(rule, fields)) {
      problems.push_back(
          {rule.field, shownValue(fields, rule.field), rule.message, allowedBy(rule)});
    }
  }
  // The encoding refuses more than the checks do (a list with nothing selected, a number
  // that does not fit its bytes): what it would refuse on a download is a problem too. What
  // the checks above already said is not said again, nor a closing "Invalid Configuration"
  // when problems have been named.
  for (const config::EncodingProblem& refusal : config::encodingProblems(fields)) {
    const bool said = std::any_of(problems.begin(), problems.end(),
                                  [&](const Problem& p) { return p.message == refusal.message; });
    const bool closing = refusal.message == config::kInvalidConfiguration.text && !problems.empty();
    if (!said && !closing) {
      problems.push_back(
          {refusal.field.value_or(config::Field::setup1_Text9), {}, refusal.message, {}});
    }
  }
  return problems;
}

std::vector<Problem> loadProblems(const config::LoadReport& report, const config::Fields& fields) {
  std::vector<Problem> problems;
  for (const config::LoadReport::Cut& cut : report.cut) {
    const std::string longest = std::to_string(cut.kept);
    problems.push_back({cut.field, shownValue(fields, cut.field),
                        "the file's text of " + std::to_string(cut.length) +
                            " characters was cut to " + longest + " on loading",
                        "at most " + longest + " characters"});
  }
  return problems;
}

std::string problemLine(const Problem& p) {
  if (p.value.empty()) return "refused for a download: " + p.message;
  return fieldName(p.field) + " = " + p.value + ": " + p.message + " (allowed: " + p.allowed + ")";
}

std::vector<Difference> differences(const config::Fields& a, const config::Fields& b) {
  std::vector<Difference> found;
  for (const config::FieldRow& entry : config::fieldTable()) {
    const std::string first = shownValue(a, entry.field);
    const std::string second = shownValue(b, entry.field);
    if (first != second) found.push_back({entry.field, first, second});
  }
  return found;
}

std::string differenceLine(const Difference& d) {
  return fieldName(d.field) + ": " + d.first + " -> " + d.second;
}

std::string differenceJson(const Difference& d) {
  // The value as shown, without its quotes; "(none)" stands for no item.
  const auto value = [](const std::string& shown) {
    if (shown.size() >= 2 && shown.front() == '"' && shown.back() == '"')
      return jsonString(shown.substr(1, shown.size() - 2));
    return std::string("null");
  };
  const config::FieldRow& entry = config::fieldRow(d.field);
  return "{\"window\":" + jsonString(config::windowLabel(entry.window)) +
         ",\"field\":" + jsonString(config::fieldCaption(d.field)) + ",\"control\":" +
         jsonString(std::string(config::windowName(entry.window)) + "." + entry.control) +
         ",\"first\":" + value(d.first) + ",\"second\":" + value(d.second) + "}";
}

}  // namespace cli

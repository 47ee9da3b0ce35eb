#include "config/problems.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "config/encoding.h"
#include "config/field_table.h"
#include "config/validation.h"

namespace config {

namespace {

constexpr const char* kNone = "(none)";

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// What a rule lets through, in words, from the rule's own limits.
std::string allowedBy(const Rule& rule) {
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
      return "not empty while " + fieldCaption(rule.other) + " is \"Enabled\"";
    case Check::FilledNoPlus:
      return "empty or beginning with +";
    case Check::ValueOutside:
      // The download's own bound for a port has no bottom.
      return std::isinf(rule.low) ? "at most " + number(rule.high)
                                  : number(rule.low) + " to " + number(rule.high);
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

bool named(const std::vector<Problem>& problems, Field field) {
  return std::any_of(problems.begin(), problems.end(),
                     [&](const Problem& p) { return p.field == field; });
}

template <class Applied>
std::vector<Problem> brokenRules(const Fields& fields, Applied applied) {
  std::vector<Problem> problems;
  for (const Rule& rule : validationRules()) {
    if (!applied(rule)) continue;
    bool unreadable = false;
    if (!ruleBroken(rule, fields, &unreadable)) continue;
    // As in the window: a field too long for its bytes is said once, by its first rule.
    const bool again = rule.check == Check::SlotLength && named(problems, rule.field);
    problems.push_back({rule.field, shownValue(fields, rule.field), rule.message, allowedBy(rule),
                        rule.applies == Applies::BothShown, unreadable, again});
  }
  return problems;
}

void addEncodingProblems(const Fields& fields, std::vector<Problem>& problems) {
  for (const EncodingProblem& problem : encodingProblems(fields)) {
    if (named(problems, problem.field)) continue;  // a rule has said it already
    problems.push_back({problem.field, shownValue(fields, problem.field),
                        encodingProblemText(problem), allowedInstead(problem.why)});
  }
}

}  // namespace

std::string shownValue(const Fields& fields, Field field) {
  const FieldRow& entry = fieldRow(field);
  if (entry.kind == Kind::List) {
    const int index = fields.index(field);
    if (index < 0 || static_cast<size_t>(index) >= entry.items.size()) return kNone;
    return "\"" + entry.items[static_cast<size_t>(index)] + "\"";
  }
  return "\"" + fields.text(field) + "\"";
}

std::vector<Problem> checkProblems(const Fields& fields) {
  std::vector<Problem> problems = counted(brokenRules(fields, appliedByWindow));
  // The encoding refuses more than the checks do (a list with nothing selected, a number that
  // does not fit its bytes); the check looks at it only when its rules pass, the list always.
  addEncodingProblems(fields, problems);
  return problems;
}

std::vector<Problem> downloadRuleProblems(const Fields& fields) {
  return brokenRules(fields, appliedByDownload);
}

std::vector<Problem> unencodableProblems(const Fields& fields) {
  std::vector<Problem> problems;
  addEncodingProblems(fields, problems);
  return problems;
}

std::vector<Problem> counted(const std::vector<Problem>& problems) {
  std::vector<Problem> kept;
  std::copy_if(problems.begin(), problems.end(), std::back_inserter(kept),
               [](const Problem& p) { return !p.again; });
  return kept;
}

std::string problemSummary(const Problem& problem) {
  const std::string caption = fieldCaption(problem.field);
  if (problem.value == kNone) return caption + ": nothing selected";
  return caption + ": " + problem.value + " (allowed: " + problem.allowed + ")";
}

}  // namespace config

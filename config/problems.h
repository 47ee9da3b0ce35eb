#pragma once
// A configuration's problems as facts, all at once: what the configuration window's check finds
// and what a download refuses, each with its field, the value as shown, the rule's own words and
// what the field allows. The command line lists them; the window lists them beside its check and
// sums a refused download up in its status line.
#include <string>
#include <vector>

#include "config/fields.h"

namespace config {

struct Problem {
  Field field;
  std::string value;    // as shown: a text between quotes, a list's item, "(none)"
  std::string message;  // the system's own text for it (empty: the download's silent check)
  std::string allowed;  // the range or form the field must keep to
};

// A field's value as shown: a text between quotes, a list's selected item (or "(none)").
std::string shownValue(const Fields& fields, Field field);

// What the configuration window's check finds, each rule on its own, then what only the
// encoding would refuse.
std::vector<Problem> checkProblems(const Fields& fields);

// What a configuration download refuses: the rules it applies, then (when they pass) what the
// encoding cannot take. Empty when the download would send the configuration.
std::vector<Problem> downloadProblems(const Fields& fields);

// One problem in a few words for the technician: "Speed Limit: "200" (allowed: 0 to 183)",
// "Input voltage low trigger level: nothing selected".
std::string problemSummary(const Problem& problem);

}  // namespace config

#pragma once
// A configuration's problems as facts, all at once: what the configuration window's check finds
// and what a download refuses, each with its field, the value as shown, the rule's own words and
// what the field allows. The command line lists them; the window lists them beside its check,
// shows a refused download's boxes from them and sums it up in its status line.
#include <string>
#include <vector>

#include "config/fields.h"

namespace config {

struct Problem {
  Field field;
  std::string value;    // as shown: a text between quotes, a list's item, "(none)"
  std::string message;  // the system's own text for it (empty: the download's silent check)
  std::string allowed;  // the range or form the field must keep to
  // How a download meets it: whether it names it in a box of its own (the SIM PIN's rules, a
  // text too long for its bytes); whether its value read as a number too large for a double,
  // which ends the download's look at its rules before any later box; whether an earlier
  // problem named its field already (a text too long for its bytes after its own rule broke),
  // so that it is named in its box but counted and listed no more.
  bool ownBox = false;
  bool unreadable = false;
  bool again = false;
};

// A field's value as shown: a text between quotes, a list's selected item (or "(none)").
std::string shownValue(const Fields& fields, Field field);

// What the configuration window's check finds, each rule on its own, then what only the
// encoding would refuse.
std::vector<Problem> checkProblems(const Fields& fields);

// What a download's rules find, every rule it applies in order, repeats marked `again`. Empty
// when they pass.
std::vector<Problem> downloadRuleProblems(const Fields& fields);

// What the encoding cannot take, each value once, as problems.
std::vector<Problem> unencodableProblems(const Fields& fields);

// The problems a list or a count names: all but those said `again`.
std::vector<Problem> counted(const std::vector<Problem>& problems);

// One problem in a few words for the technician: "Speed Limit: "200" (allowed: 0 to 183)",
// "Input voltage low trigger level: nothing selected".
std::string problemSummary(const Problem& problem);

}  // namespace config

#pragma once
// What the command line says about configuration files: every problem at once, and the
// differences between two configurations, field by field in the order of the windows.
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/fields.h"
#include "config/problems.h"

namespace cli {

// A field as a technician knows it (config::fieldLabel).
std::string fieldName(config::Field field);
using config::Problem;
// The texts a load cut to their fields' maximum length, which the unit would never see whole.
std::vector<Problem> loadProblems(const config::LoadReport& report, const config::Fields& fields);
std::string problemLine(const Problem& problem);

struct Difference {
  config::Field field;
  std::string first, second;  // as shown
};

std::vector<Difference> differences(const config::Fields& a, const config::Fields& b);
std::string differenceLine(const Difference& difference);
// One JSON object: "window", "field" (its caption), "control", "first" and "second" (a list
// with nothing selected: null).
std::string differenceJson(const Difference& difference);

}  // namespace cli

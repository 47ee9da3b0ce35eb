#include "cli/config_report.h"

#include <algorithm>
#include <cstdio>

#include "cli/fleet.h"
#include "config/encoding.h"
#include "config/field_table.h"

namespace cli {

std::string fieldName(config::Field field) {
  return config::fieldLabel(field);
}

std::vector<Problem> loadProblems(const config::LoadReport& report, const config::Fields& fields) {
  std::vector<Problem> problems;
  for (const config::LoadReport::Cut& cut : report.cut) {
    const std::string longest = std::to_string(cut.kept);
    problems.push_back({cut.field, config::shownValue(fields, cut.field),
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
    const std::string first = config::shownValue(a, entry.field);
    const std::string second = config::shownValue(b, entry.field);
    if (first == second) continue;
    // What the unit would hold, where both values can be sent: "60" and " 60" are one value.
    const auto held = config::heldBytes(a, entry.field);
    if (held && held == config::heldBytes(b, entry.field)) continue;
    found.push_back({entry.field, first, second});
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

#include "cli/config_report.h"

#include "config/field_table.h"

namespace cli {

std::string fieldName(config::Field field) {
  const config::FieldRow& entry = config::fieldRow(field);
  std::string caption = config::fieldCaption(field);
  if (caption.empty()) caption = entry.control;
  return std::string(config::windowName(entry.window)) + " " + caption;
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
    if (first != second) found.push_back({entry.field, first, second});
  }
  return found;
}

std::string differenceLine(const Difference& d) {
  return fieldName(d.field) + ": " + d.first + " -> " + d.second;
}

}  // namespace cli

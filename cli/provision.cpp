#include "cli/provision.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "cli/commands.h"
#include "cli/config_report.h"
#include "cli/port_labels.h"
#include "config/config_file.h"
#include "config/decoding.h"
#include "config/encoding.h"
#include "config/field_table.h"
#include "link/com_ports.h"
#include "records/safe_file.h"
#include "records/text_records.h"

namespace cli {

namespace {

constexpr std::string_view kPortColumn = "port";

std::string folded(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  if (!text.empty() && text.back() == ':') text.remove_suffix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// The lines of a CSV file with their numbers; a UTF-8 byte order mark before the first is
// dropped, as spreadsheets write one.
std::vector<std::pair<int, std::string>> linesOf(std::string text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::vector<std::pair<int, std::string>> lines;
  int number = 1;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    const size_t stop = end == std::string::npos ? text.size() : end;
    lines.emplace_back(number++, text.substr(start, stop - start));
    if (end == std::string::npos) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

// The cells of one line, read as the configuration file's records are.
std::vector<std::string> cellsOf(const std::string& line) {
  std::vector<std::string> cells;
  records::RecordReader reader(line);
  while (const auto record = reader.next()) cells.push_back(record->text);
  // A last empty cell after a comma leaves no record of its own.
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

bool blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
}

// Sets one field from a cell; why not, when it cannot take the value.
std::optional<std::string> setField(config::Fields& fields, config::Field field,
                                    const std::string& value) {
  const config::FieldRow& row = config::fieldRow(field);
  if (row.kind == config::Kind::List) {
    for (size_t i = 0; i < row.items.size(); ++i) {
      if (folded(row.items[i]) == folded(value)) {
        fields.setIndex(field, static_cast<int>(i));
        return std::nullopt;
      }
    }
    return fieldName(field) + " = \"" + value + "\": not one of its items";
  }
  if (row.maxLength > 0 && static_cast<int>(value.size()) > row.maxLength) {
    return fieldName(field) + " = \"" + value + "\": longer than its " +
           std::to_string(row.maxLength) + " characters";
  }
  fields.setText(field, value);
  return std::nullopt;
}

// Every field a header's name fits: one by window and control, or all with that caption.
std::vector<config::Field> fieldsNamed(std::string_view name) {
  const std::string wanted = folded(name);
  std::vector<config::Field> found;
  for (const config::FieldRow& row : config::fieldTable()) {
    const std::string control = std::string(config::windowName(row.window)) + "." + row.control;
    if (folded(control) == wanted) return {row.field};
    const std::string caption = config::fieldCaption(row.field);
    if (!caption.empty() && folded(caption) == wanted) found.push_back(row.field);
  }
  return found;
}

}  // namespace

std::optional<config::Field> fieldNamed(std::string_view name) {
  const std::vector<config::Field> found = fieldsNamed(name);
  if (found.size() != 1) return std::nullopt;
  return found.front();
}

std::optional<std::vector<UnitRow>> unitRows(std::string csv, const config::Fields& templ,
                                             std::string& error) {
  const auto lines = linesOf(std::move(csv));
  if (lines.empty()) {
    error = "no header line";
    return std::nullopt;
  }
  // The header: the port's column and each field's.
  std::optional<size_t> portColumn;
  std::vector<std::optional<config::Field>> columns;
  std::vector<std::string> header = cellsOf(lines.front().second);
  while (!header.empty() && header.back().empty()) header.pop_back();
  for (size_t i = 0; i < header.size(); ++i) {
    if (folded(header[i]) == kPortColumn) {
      if (portColumn) {
        error = "line 1: the port column is given twice";
        return std::nullopt;
      }
      portColumn = i;
      columns.emplace_back();
      continue;
    }
    const std::vector<config::Field> named = fieldsNamed(header[i]);
    if (named.size() != 1) {
      error = "line 1: \"" + header[i] + "\" names " +
              (named.empty() ? std::string("no field") : "more than one field") +
              " (give a caption or window and control, as setup1.Text2)";
      return std::nullopt;
    }
    if (std::find(columns.begin(), columns.end(), named.front()) != columns.end()) {
      error = "line 1: " + fieldName(named.front()) + " is named twice";
      return std::nullopt;
    }
    columns.push_back(named.front());
  }
  if (!portColumn) {
    error = "line 1: no \"port\" column";
    return std::nullopt;
  }

  std::vector<UnitRow> rows;
  std::vector<std::string> devices;
  for (size_t l = 1; l < lines.size(); ++l) {
    const auto& [number, text] = lines[l];
    if (blank(text)) continue;
    UnitRow row;
    row.line = number;
    config::copyFields(templ, row.fields);
    std::vector<std::string> cells = cellsOf(text);
    // Empty cells after the last column (a spreadsheet's trailing commas) are no values.
    while (cells.size() > columns.size() && cells.back().empty()) cells.pop_back();
    if (cells.size() > columns.size()) {
      row.problems.push_back(std::to_string(cells.size()) + " values for " +
                             std::to_string(columns.size()) + " columns");
    }
    cells.resize(columns.size());
    row.port = cells[*portColumn];
    std::string refused;
    const auto device = device::portDevice(row.port, refused);
    if (row.port.empty()) {
      row.problems.push_back("no port");
    } else if (!device) {
      row.problems.push_back(refused);
    } else if (std::find(devices.begin(), devices.end(), *device) != devices.end()) {
      row.problems.push_back("the port " + row.port + " is given on an earlier line");
    } else {
      devices.push_back(*device);
    }
    for (size_t i = 0; i < columns.size(); ++i) {
      // An empty value keeps the template's.
      if (!columns[i] || cells[i].empty()) continue;
      if (auto why = setField(row.fields, *columns[i], cells[i]))
        row.problems.push_back(std::move(*why));
    }
    if (row.problems.empty()) {
      for (const Problem& problem : config::checkProblems(row.fields))
        row.problems.push_back(problemLine(problem));
    }
    rows.push_back(std::move(row));
  }
  if (rows.empty()) {
    error = "no unit after the header line";
    return std::nullopt;
  }
  return rows;
}

config::FieldStore expectedReadBack(const config::Fields& fields) {
  config::FieldStore expected;
  config::copyFields(fields, expected);
  config::Image image;
  config::VoltageCodeTable codes;
  ui::RecordedMessages refusals;
  if (config::encodeConfiguration(fields, image, codes, refusals))
    config::decodeImage(image, expected);
  return expected;
}

std::string keptFileName(const std::string& folder, const std::string& templatePath,
                         const std::string& portLabel, const std::string& version) {
  std::string name = std::filesystem::path(templatePath).stem().string() + "-" + portLabel;
  if (!version.empty()) {
    name += "-v";
    // The unit's text, kept to what any file system takes in a name.
    for (const char c : version)
      name += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ? c : '_';
  }
  name += std::filesystem::path(templatePath).extension().string();
  return (std::filesystem::path(folder) / name).string();
}

FleetRun provisionFleet(const std::vector<UnitRow>& rows, const Provisioning& run) {
  std::vector<std::string> ports;
  for (const UnitRow& row : rows) ports.push_back(row.port);
  const std::vector<std::string> labels = portLabels(ports);

  std::vector<Outcome> outcomes(rows.size());
  std::vector<config::FieldStore> kept(rows.size());
  std::vector<std::unique_ptr<UnitJob>> jobs;
  std::vector<size_t> rowOfJob;
  for (size_t i = 0; i < rows.size(); ++i) {
    const UnitRow& row = rows[i];
    Outcome& outcome = outcomes[i];
    outcome.port = row.port.empty() ? "line " + std::to_string(row.line) : row.port;
    std::vector<std::string> problems = row.problems;
    // What the unit will hold is kept before its port opens: a unit is never written without it.
    if (problems.empty()) {
      kept[i] = expectedReadBack(row.fields);
      outcome.file = keptFileName(run.folder, run.templatePath, labels[i], "");
      std::string why;
      if (!records::replaceFile(outcome.file, config::configurationText(kept[i]), &why))
        problems.push_back("the file " + outcome.file + " cannot be kept: " + why);
    }
    if (!problems.empty()) {
      outcome.cause = "refused, line " + std::to_string(row.line) + " of the values:";
      for (const std::string& problem : problems) outcome.cause += " " + problem + ";";
      outcome.cause.pop_back();
      outcome.file.clear();
      if (run.fleet.errors)
        std::fprintf(run.fleet.errors, "%s: %s\n", outcome.port.c_str(), outcome.cause.c_str());
      continue;
    }
    JobSetup setup = run.base;
    setup.action = Action::WriteConfig;
    setup.port = row.port;
    if (!run.passwordGiven) setup.password = row.fields.text(config::Field::setup1_Text9);
    if (!run.trace.empty()) setup.trace = fleetFileName(run.trace, labels[i]);
    auto job = std::make_unique<UnitJob>(setup);
    config::copyFields(row.fields, job->fields());
    jobs.push_back(std::move(job));
    rowOfJob.push_back(i);
  }

  FleetRun fleet = runFleet(jobs, run.fleet);
  const std::vector<Outcome>& written = fleet.outcomes;
  for (size_t j = 0; j < written.size(); ++j) {
    const size_t i = rowOfJob[j];
    const std::string file = outcomes[i].file;
    outcomes[i] = written[j];
    outcomes[i].file = file;
    // The unit's version text goes into its kept file and the file's name.
    if (written[j].version.empty()) continue;
    kept[i].setVersionText(written[j].version);
    const std::string named =
        keptFileName(run.folder, run.templatePath, labels[i], written[j].version);
    std::string why;
    if (records::replaceFile(named, config::configurationText(kept[i]), &why)) {
      std::error_code ignored;
      if (named != file) std::filesystem::remove(file, ignored);
      outcomes[i].file = named;
    }
  }
  fleet.outcomes = std::move(outcomes);
  return fleet;
}

}  // namespace cli

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
#include "records/csv.h"
#include "records/safe_file.h"
#include "serial/com_ports.h"

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

// How many letters must be added, removed or changed to make one text the other.
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// Of the names offered, the one closest to `given` (letter case, blanks and a closing colon not
// counting); empty when none comes within a third of its length, which would be a guess.
std::string closest(std::string_view given, const std::vector<std::string>& names) {
  const std::string wanted = folded(given);
  std::string best;
  size_t bestDistance = wanted.size() / 3 + 1;
  for (const std::string& name : names) {
    const size_t distance = editDistance(wanted, folded(name));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  }
  return best;
}

bool blank(const std::vector<std::string>& cells) {
  return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
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
    std::string items;
    for (const std::string& item : row.items) items += (items.empty() ? "" : ", ") + item;
    const std::string near = closest(value, row.items);
    return fieldName(field) + " = \"" + value + "\": not one of its items (" + items + ")" +
           (near.empty() ? "" : "; did you mean \"" + near + "\"?");
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
  const std::optional<records::CsvFile> file = records::readCsv(csv, error);
  if (!file) return std::nullopt;
  if (file->rows.empty()) {
    error = "no header line";
    return std::nullopt;
  }
  // The header: the port's column and each field's.
  const records::CsvRow& headerRow = file->rows.front();
  if (!headerRow.problems.empty()) {
    error = "line 1: " + headerRow.problems.front();
    return std::nullopt;
  }
  std::optional<size_t> portColumn;
  std::vector<std::optional<config::Field>> columns;
  std::vector<std::string> header;
  for (const std::string& cell : headerRow.cells) {
    std::string why;
    const auto text = records::latin1Text(cell, file->utf8, why);
    if (!text) {
      error = "line 1: " + records::csvColumn(header.size()) + ": " + why;
      return std::nullopt;
    }
    header.push_back(*text);
  }
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
      if (named.empty()) {
        std::vector<std::string> names;
        for (const config::FieldRow& row : config::fieldTable()) {
          names.push_back(config::fieldCaption(row.field));
          names.push_back(std::string(config::windowName(row.window)) + "." + row.control);
        }
        if (const std::string near = closest(header[i], names); !near.empty())
          error += "; did you mean \"" + near + "\"?";
      }
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

  // Each unit's line, its cells one a column; a line of empty cells names no unit.
  std::vector<records::CsvRow> lines;
  std::vector<std::string> ports;
  for (auto line = file->rows.begin() + 1; line != file->rows.end(); ++line) {
    if (blank(line->cells) && line->problems.empty()) continue;
    lines.push_back(*line);
    std::vector<std::string>& cells = lines.back().cells;
    // Empty cells after the last column (a spreadsheet's trailing commas) are no values.
    while (cells.size() > columns.size() && cells.back().empty()) cells.pop_back();
    if (cells.size() > columns.size()) {
      lines.back().problems.push_back(std::to_string(cells.size()) + " values for " +
                                      std::to_string(columns.size()) + " columns");
    }
    cells.resize(columns.size());
    ports.push_back(cells[*portColumn]);
  }
  if (lines.empty()) {
    error = "no unit after the header line";
    return std::nullopt;
  }

  const std::vector<std::optional<size_t>> earlier = earlierSameDevice(ports);
  std::vector<UnitRow> rows;
  for (size_t l = 0; l < lines.size(); ++l) {
    const std::vector<std::string>& cells = lines[l].cells;
    UnitRow row;
    row.line = lines[l].line;
    row.port = ports[l];
    row.problems = lines[l].problems;
    config::copyFields(templ, row.fields);
    std::string refused;
    if (row.port.empty()) {
      row.problems.push_back("no port");
    } else if (!serial::portDevice(row.port, refused)) {
      row.problems.push_back(refused);
    } else if (const auto first = earlier[l]) {
      // One device under two names is given once: the later line is the one refused.
      row.problems.push_back("the port " + row.port + " is given on line " +
                             std::to_string(lines[*first].line) +
                             (ports[*first] == row.port ? "" : " as " + ports[*first]));
    }
    // A line the file itself leaves in doubt sets no value. The port is a file system name and
    // keeps its bytes; a value is a text of the unit, in its Latin-1.
    for (size_t i = 0; i < columns.size() && lines[l].problems.empty(); ++i) {
      // An empty value keeps the template's.
      if (!columns[i] || cells[i].empty()) continue;
      std::string why;
      const auto text = records::latin1Text(cells[i], file->utf8, why);
      if (!text) {
        row.problems.push_back(records::csvColumn(i) + ": " + why);
      } else if (auto refused = setField(row.fields, *columns[i], *text)) {
        row.problems.push_back(std::move(*refused));
      }
    }
    if (row.problems.empty()) {
      for (const Problem& problem : config::checkProblems(row.fields))
        row.problems.push_back(problemLine(problem));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

config::FieldStore expectedReadBack(const config::Fields& fields) {
  config::FieldStore expected;
  config::copyFields(fields, expected);
  config::Image image;
  config::VoltageCodeTable codes;
  if (config::encodeConfiguration(fields, image, codes).encoded)
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
  std::vector<std::unique_ptr<UnitJob>> jobs;
  std::vector<size_t> rowOfJob;
  for (size_t i = 0; i < rows.size(); ++i) {
    const UnitRow& row = rows[i];
    Outcome& outcome = outcomes[i];
    // A port cell that is empty or runs over lines (a refused line) names no port: its line does.
    const bool named = !row.port.empty() && row.port.find_first_of("\r\n") == std::string::npos;
    outcome.port = named ? row.port : "line " + std::to_string(row.line);
    if (!row.problems.empty()) {
      outcome.cause = "refused, line " + std::to_string(row.line) + " of the values:";
      for (const std::string& problem : row.problems) outcome.cause += " " + problem + ";";
      outcome.cause.pop_back();
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

  // A unit's file is kept as soon as the unit has confirmed what it holds (and, when asked, the
  // read-back has proven it), with the unit's version text when it is known; a unit that was
  // silent, missing, refused or failed gets none, so that no file claims what it never took.
  std::vector<std::string> kept(jobs.size()), notKept(jobs.size());
  FleetOptions fleet = run.fleet;
  fleet.ended = [&](size_t j) {
    const Outcome& written = jobs[j]->outcome();
    if (!written.ok) return;
    const size_t i = rowOfJob[j];
    try {
      config::FieldStore holds = expectedReadBack(rows[i].fields);
      holds.setVersionText(written.version);
      const std::string file =
          keptFileName(run.folder, run.templatePath, labels[i], written.version);
      std::string why;
      if (records::replaceFile(file, config::configurationText(holds), &why)) {
        kept[j] = file;
      } else {
        notKept[j] = "the file " + file + " cannot be kept: " + why;
      }
    } catch (const std::exception& e) {
      notKept[j] = std::string("the file cannot be kept: ") + e.what();
    }
  };
  FleetRun result = runFleet(jobs, fleet);
  const std::vector<Outcome>& written = result.outcomes;
  for (size_t j = 0; j < written.size(); ++j) {
    Outcome& outcome = outcomes[rowOfJob[j]];
    outcome = written[j];
    outcome.file = kept[j];
    if (notKept[j].empty()) continue;
    // The unit holds its configuration, but without its file the run did not do its work.
    outcome.ok = false;
    outcome.cause += "; " + notKept[j];
    if (run.fleet.errors)
      std::fprintf(run.fleet.errors, "%s: %s\n", outcome.port.c_str(), notKept[j].c_str());
  }
  result.outcomes = std::move(outcomes);
  return result;
}

}  // namespace cli

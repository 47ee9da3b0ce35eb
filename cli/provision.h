#pragma once
// Provisioning a fleet from one configuration file: a CSV file names, in its header, the fields
// each unit has of its own (by caption as the windows show it, with or without its closing
// colon, or by window and control, "setup1.Text2") and a "port" column; each further line is a
// unit. Its values replace the template's, and the configuration that results is checked as
// `check` checks a file before any port is opened.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/fleet.h"
#include "cli/unit_job.h"
#include "config/field_store.h"
#include "config/fields.h"

namespace cli {

// The field a header names: "Base phone number 1", "Base Phone number 1:" or "setup1.Text2";
// letter case and blanks around it do not count.
std::optional<config::Field> fieldNamed(std::string_view name);

struct UnitRow {
  int line = 0;      // in the CSV file; the header is line 1
  std::string port;  // as written
  config::FieldStore fields;
  // Why the row is refused, each in a line; empty: it is written.
  std::vector<std::string> problems;
};

// The rows of `csv` (records::readCsv) over `templ`, each value in the unit's Latin-1, each port
// as written. Nothing, with `error`, when the file or its header cannot be used (a quote never
// closed, a column that names no field, a field named twice, no "port" column, no unit at all).
std::optional<std::vector<UnitRow>> unitRows(std::string csv, const config::Fields& templ,
                                             std::string& error);

// What the unit gives back of `fields` once they are written: what an upload then reads, and
// what it cannot read back (the passwords) as it was meant. The file kept for each unit.
config::FieldStore expectedReadBack(const config::Fields& fields);

// The name of a unit's kept file in `folder`: the template's name with the port, and the unit's
// version text when it is known: "fleet.cfg" on COM3 gives "fleet-COM3.cfg" or
// "fleet-COM3-v2.14.cfg".
std::string keptFileName(const std::string& folder, const std::string& templatePath,
                         const std::string& portLabel, const std::string& version);

struct Provisioning {
  std::string templatePath;
  std::string folder;  // where each unit's file is kept (empty: the current folder)
  // The limits, and the password when one was given (otherwise each unit's existing password).
  JobSetup base;
  bool passwordGiven = false;
  // Each unit's trace: this name with the unit's port in it (empty: none).
  std::string trace;
  FleetOptions fleet;
};

// Refuses the rows with a problem, writes the other units at once and reads each back when
// asked; an outcome for every row, in the file's order. A unit's file is kept only once it has
// confirmed its configuration (and the read-back proved it), and its outcome names the file; a
// unit whose file cannot be kept fails with the cause.
FleetRun provisionFleet(const std::vector<UnitRow>& rows, const Provisioning& run);

}  // namespace cli

// Provisioning: a values file of the largest size the program reads, as CSV and as the units'
// configurations, each checked as check checks a file.
#include <QElapsedTimer>
#include <cstdio>

#include "bench/bench.h"
#include "cli/provision.h"
#include "config/field_table.h"
#include "records/csv.h"
#include "records/safe_file.h"

namespace {

double ms(const QElapsedTimer& clock) {
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

std::vector<bench::Figure> provisioning() {
  // A unit a line, each with a quoted value and a text that is not ASCII, as a spreadsheet
  // saves them in UTF-8.
  std::string csv = "port,Base phone number 1,setup1.Text21\r\n";
  int units = 0;
  for (char line[96]; csv.size() + sizeof line < records::kMaxFileBytes; ++units) {
    std::snprintf(line, sizeof line, "/dev/ttyUSB%d,\"+2782%07d\",caf\xC3\xA9 %d\r\n", units, units,
                  units);
    csv += line;
  }
  const std::string lines = " (" + std::to_string(units) + " units)";
  config::FieldStore model;
  config::applyStartupValues(model);

  QElapsedTimer clock;
  clock.start();
  std::string error;
  const bool read = records::readCsv(csv, error).has_value();
  const double csvMs = ms(clock);
  clock.restart();
  const auto rows = cli::unitRows(csv, model, error);
  const double rowsMs = ms(clock);
  if (!read || !rows || rows->size() != static_cast<size_t>(units))
    std::fprintf(stderr, "provision: the values file was not read: %s\n", error.c_str());
  return {
      {"read a values file of 1 MiB as CSV" + lines, csvMs, "ms", ""},
      {"the same into the units' configurations, each checked" + lines, rowsMs, "ms", ""},
  };
}

const bench::Register provision("provision", provisioning);

}  // namespace

#include "cli/commands.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <filesystem>
#include <map>
#include <optional>

#include "cli/config_report.h"
#include "cli/fleet.h"
#include "cli/port_labels.h"
#include "cli/provision.h"
#include "cli/signals.h"
#include "cli/unit_job.h"
#include "cli/usage.h"
#include "config/config_file.h"
#include "config/field_table.h"
#include "loctable/table_file.h"
#include "painting/painting.h"
#include "records/safe_file.h"
#include "serial/serial_port.h"
#include "serial/serial_port_info.h"
#include "track/exports.h"
#include "track/hemispheres.h"
#include "track/places.h"

namespace cli {

using track::ExportFormat;
using track::Places;

namespace {

constexpr const char* kUsageText =
    "usage: gpstracking-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
    "  ports                       the COM entries and the device behind each\n"
    "  read-config FILE            a unit's configuration into a configuration file\n"
    "  write-config FILE           a configuration file into the unit\n"
    "  read-log [DIR]              a unit's GPS log into a new .csv file in DIR\n"
    "  read-table FILE             a unit's GPS location table into a table file\n"
    "  write-table FILE            a table file into the unit\n"
    "  check FILE                  every problem of a configuration file\n"
    "  diff A B | diff A --port P  field by field differences of two configurations\n"
    "  provision FILE --values CSV\n"
    "                              one configuration file into many units, each with its own\n"
    "                              values (a line of CSV each, with its port); verifies\n"
    "  export FILE --gpx|--kml|--geojson [-o OUT]   a GPS log or table file as GPX, KML, GeoJSON\n"
    "  plot LOG [--table TABLE] -o OUT.png|OUT.svg  a picture of the log's track\n"
    "options of the unit commands:\n"
    "  --port COMn|DEVICE   the unit's port; give it several times for a fleet\n"
    "  --password TEXT      the unit's password (write-config: the file's, otherwise 7391)\n"
    "  --json               one JSON object per unit instead of the summary table\n"
    "  --wake-limit S       give up on a unit that has not answered the poll in S seconds (10)\n"
    "  --time-limit S       give up on a unit whose exchange takes longer than S seconds (900)\n"
    "  --verify, --no-verify  read a written configuration back and compare it (provision: on)\n"
    "  --trace FILE         every character on the line into FILE (a fleet: FILE with the port)\n"
    "  -o DIR               provision: the folder for each unit's kept file (the current one)\n"
    "exit status: 0 everything done; 1 a unit, a file or a check failed; 2 a wrong command\n"
    "  line; 3 every unit done, but GPS log records were lost (damaged, or the log ended inside\n"
    "  one); 130, 143 or 129 stopped by Ctrl-C, SIGTERM or SIGHUP. diff: 0 identical,\n"
    "  1 different, 2 a file or the unit could not be read\n";

struct Arguments {
  std::vector<std::string> positional;
  std::vector<std::string> ports;
  std::optional<std::string> password;
  std::optional<std::string> output;
  std::optional<std::string> table;
  std::optional<ExportFormat> format;
  std::optional<std::string> values;
  std::optional<std::string> trace;
  std::optional<bool> verify;
  bool json = false;
  int wakeLimit = 10;
  int timeLimit = 900;
};

std::optional<Arguments> parse(const std::vector<std::string>& args, std::string& error) {
  Arguments parsed;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    auto seconds = [&](int& into) {
      const auto text = value();
      if (!text) return false;
      try {
        into = std::stoi(*text);
      } catch (...) {
        into = 0;
      }
      if (into <= 0) error = arg + " needs a number of seconds above 0";
      return into > 0;
    };
    static const std::map<std::string, ExportFormat> kFormats = {
        {"--gpx", ExportFormat::Gpx},
        {"--kml", ExportFormat::Kml},
        {"--geojson", ExportFormat::GeoJson}};
    if (arg == "--port") {
      const auto port = value();
      if (!port) return std::nullopt;
      const auto device = serial::portDevice(*port, error);
      if (!device) return std::nullopt;
      for (const std::string& given : parsed.ports) {
        if (serial::portDevice(given, error) == device) {
          error = "the port " + *port + " is given twice";
          return std::nullopt;
        }
      }
      parsed.ports.push_back(*port);
    } else if (arg == "--password") {
      if (!(parsed.password = value())) return std::nullopt;
    } else if (arg == "-o" || arg == "--output") {
      if (!(parsed.output = value())) return std::nullopt;
    } else if (arg == "--table") {
      if (!(parsed.table = value())) return std::nullopt;
    } else if (arg == "--values") {
      if (!(parsed.values = value())) return std::nullopt;
    } else if (arg == "--trace") {
      if (!(parsed.trace = value())) return std::nullopt;
    } else if (arg == "--verify" || arg == "--no-verify") {
      parsed.verify = arg == "--verify";
    } else if (arg == "--json") {
      parsed.json = true;
    } else if (arg == "--wake-limit") {
      if (!seconds(parsed.wakeLimit)) return std::nullopt;
    } else if (arg == "--time-limit") {
      if (!seconds(parsed.timeLimit)) return std::nullopt;
    } else if (kFormats.contains(arg)) {
      if (parsed.format) {
        error = "give one of --gpx, --kml, --geojson";
        return std::nullopt;
      }
      parsed.format = kFormats.at(arg);
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return std::nullopt;
    } else {
      parsed.positional.push_back(arg);
    }
  }
  return parsed;
}

// The command a wrong command line was meant for, when it names one: the pointer names its help.
std::string& meantCommand() {
  static std::string command;
  return command;
}

// A wrong command line: one line says what, and where to read more; no command at all gets the
// whole usage.
int usage(std::FILE* err, const std::string& error) {
  if (error.empty()) {
    std::fputs(kUsageText, err);
    return kUsage;
  }
  std::fprintf(err, "gpstracking-cli: %s\n", error.c_str());
  if (meantCommand().empty()) {
    std::fputs("See 'gpstracking-cli help' for the commands.\n", err);
  } else {
    std::fprintf(err, "See 'gpstracking-cli help %s' for its arguments and options.\n",
                 meantCommand().c_str());
  }
  return kUsage;
}

void cannotRead(const std::string& path, const std::string& why, std::FILE* err) {
  std::fprintf(err, "gpstracking-cli: cannot read %s: %s\n", path.c_str(), why.c_str());
}

// The bytes of a file, or a line saying why not.
std::optional<std::string> readInput(const std::string& path, std::FILE* err) {
  std::string why;
  auto bytes = records::readWholeFile(path, &why);
  if (!bytes) cannotRead(path, why, err);
  return bytes;
}

bool loadConfigurationFile(const std::string& path, config::Fields& fields, std::FILE* err,
                           config::LoadReport* report = nullptr) {
  const auto bytes = readInput(path, err);
  if (!bytes) return false;
  config::LoadReport unused;
  config::LoadReport& said = report ? *report : unused;
  if (!config::applyConfigurationText(fields, *bytes, &said)) {
    std::fprintf(err, "%s: Error loading file (%s)\n", path.c_str(), said.failure.c_str());
    return false;
  }
  return true;
}

// A configuration file for a write: what a unit gets is what the file says, so a text the load
// had to cut (as check reports it) stops the write before any port opens.
bool loadSendableConfiguration(const std::string& path, config::Fields& fields, std::FILE* err) {
  config::LoadReport loaded;
  if (!loadConfigurationFile(path, fields, err, &loaded)) return false;
  const std::vector<Problem> cut = loadProblems(loaded, fields);
  for (const Problem& problem : cut)
    std::fprintf(err, "%s: nothing sent: %s\n", path.c_str(), problemLine(problem).c_str());
  return cut.empty();
}

// Why `folder` cannot hold the files put into it: missing, or something else than a folder.
std::optional<std::string> notAFolder(const std::string& folder) {
  std::error_code ignored;
  if (std::filesystem::is_directory(folder, ignored)) return std::nullopt;
  return std::filesystem::exists(folder, ignored) ? "not a folder" : "no such folder";
}

// Writes a whole output file as the window saves its files: replaced only once every byte is
// written, the name's bytes as given. Or says why it could not.
bool writeOutput(const std::string& path, const records::Pieces& pieces, std::FILE* err) {
  std::string why;
  if (records::replaceFileWith(path, pieces, &why)) return true;
  std::fprintf(err, "gpstracking-cli: cannot write %s: %s\n", path.c_str(), why.c_str());
  return false;
}

// Writes to the standard output, each write and the flush checked: a full disk or a closed
// reader behind it fails the command with the cause.
bool writeStandardOutput(std::FILE* out, std::string_view bytes, bool flush, std::FILE* err) {
  errno = 0;
  // Nothing to write is no write: fwrite takes no null pointer, even for no bytes.
  if ((bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size()) &&
      (!flush || std::fflush(out) == 0)) {
    return true;
  }
  std::fprintf(err, "gpstracking-cli: cannot write to the standard output: %s\n",
               std::strerror(errno));
  return false;
}

int ports(std::string& out) {
  for (int number = 1; number <= serial::kComPortCount; ++number) {
    const serial::ComDevice device = serial::describeComDevice(number);
    char line[512];
    std::snprintf(line, sizeof line, "COM%-3d %-24s %-8s ", number,
                  device.path.empty() ? "-" : device.path.c_str(),
                  device.present ? "present" : "absent");
    // What the device says of itself, when it says anything: "present" is said once; a file or
    // another device behind the port is said to be none.
    const bool described =
        !device.description.empty() || !device.manufacturer.empty() || !device.serialNumber.empty();
    const bool said = (device.present && described) || device.notSerial;
    std::string text = line + (said ? serial::comDeviceDetails(device) : "");
    text.erase(text.find_last_not_of(' ') + 1);
    out += text + "\n";
  }
  return kSuccess;
}

int check(const Arguments& a, std::string& out, std::FILE* err) {
  if (a.positional.size() != 2) return usage(err, "check needs one configuration file");
  config::FieldStore fields;
  config::applyStartupValues(fields);
  config::LoadReport loaded;
  if (!loadConfigurationFile(a.positional[1], fields, err, &loaded)) return kFailure;
  std::vector<Problem> problems = loadProblems(loaded, fields);
  for (Problem& problem : config::checkProblems(fields)) problems.push_back(std::move(problem));
  for (const Problem& problem : problems) out += problemLine(problem) + "\n";
  if (problems.empty()) out += "Configuration is OK\n";
  return problems.empty() ? kSuccess : kFailure;
}

// The refusal of the first trace that may not be written, said before any port opens; empty
// when every trace may be.
std::string traceRefusal(const std::vector<std::string>& traces,
                         const std::vector<std::string>& files) {
  for (const std::string& trace : traces) {
    if (const std::string why = serial::traceRefusal(trace, files); !why.empty())
      return serial::traceFailureWords(trace, why);
  }
  return {};
}

// Each unit's trace: the one given, or with the unit's port in its name.
std::vector<std::string> traceFiles(const std::optional<std::string>& trace,
                                    const std::vector<std::string>& labels, bool eachUnit) {
  if (!trace) return {};
  if (!eachUnit) return {*trace};
  std::vector<std::string> traces;
  for (const std::string& label : labels) traces.push_back(fleetFileName(*trace, label));
  return traces;
}

JobSetup jobSetup(const Arguments& a, Action action, const std::string& port) {
  JobSetup setup;
  setup.action = action;
  setup.port = port;
  setup.password = a.password.value_or(config::kInitialPassword);
  setup.wakeLimit = std::chrono::seconds(a.wakeLimit);
  setup.totalLimit = std::chrono::seconds(a.timeLimit);
  setup.verify = a.verify.value_or(false);
  if (a.trace) setup.trace = *a.trace;
  // What was read and could not be saved where asked goes to the temporary folder.
  const char* temporary = std::getenv("TMPDIR");
  setup.keepUnsavedIn = temporary && *temporary ? temporary : "/tmp";
  return setup;
}

FleetOptions fleetOptions(std::FILE* err) {
  FleetOptions options;
  options.errors = err;
  // A progress line only for a person watching.
  if (isatty(fileno(err))) options.progress = err;
  return options;
}

int diff(const Arguments& a, std::string& out, std::FILE* err) {
  const size_t files = a.positional.size() - 1;
  if (!((files == 2 && a.ports.empty()) || (files == 1 && a.ports.size() == 1)))
    return usage(err, "diff needs two configuration files, or one and a --port");
  config::FieldStore first, second;
  config::applyStartupValues(first);
  config::applyStartupValues(second);
  if (const std::string refused = traceRefusal(traceFiles(a.trace, {}, false), {a.positional[1]});
      !refused.empty())
    return usage(err, refused);
  if (!loadConfigurationFile(a.positional[1], first, err)) return kTrouble;
  if (files == 2) {
    if (!loadConfigurationFile(a.positional[2], second, err)) return kTrouble;
  } else {
    std::vector<std::unique_ptr<UnitJob>> jobs;
    jobs.push_back(std::make_unique<UnitJob>(jobSetup(a, Action::ReadConfig, a.ports.front())));
    const Outcome outcome = runFleet(jobs, fleetOptions(err)).outcomes.front();
    if (const int signal = caughtSignal()) return 128 + signal;
    if (!outcome.ok) return kTrouble;
    config::copyFields(jobs.front()->fields(), second);
  }
  const std::vector<Difference> found = differences(first, second);
  for (const Difference& d : found) out += (a.json ? differenceJson(d) : differenceLine(d)) + "\n";
  if (found.empty() && !a.json) out += "identical\n";
  return found.empty() ? kSuccess : kDifferent;
}

// The positions of a log or table file, or a line saying why there are none.
std::optional<Places> placesOf(const std::string& path, std::FILE* err) {
  std::string error;
  bool unreadable = false;
  auto places = track::readPlaces(path, error, unreadable);
  if (!places && unreadable) cannotRead(path, error, err);
  if (!places && !unreadable) std::fprintf(err, "%s: %s\n", path.c_str(), error.c_str());
  return places;
}

// The export is written as it is made, never held whole: to the file, or to the standard output.
int exportFile(const Arguments& a, std::FILE* out, std::FILE* err) {
  if (a.positional.size() != 2 || !a.format)
    return usage(err, "export needs one file and one of --gpx, --kml, --geojson");
  const auto places = placesOf(a.positional[1], err);
  if (!places) return kFailure;
  if (places->skipped > 0 || places->untimed() > 0) {
    std::string warning = std::to_string(places->skipped) + (places->track ? " lines" : " rows") +
                          " without a position skipped";
    if (places->untimed() > 0)
      warning += ", " + std::to_string(places->untimed()) + " positions kept without their time";
    std::fprintf(err, "%s: %s\n", a.positional[1].c_str(), warning.c_str());
  }
  if (!track::exportable(*places, *a.format)) {
    std::fprintf(err, "%s: no position to export\n", a.positional[1].c_str());
    return kFailure;
  }
  const auto pieces = [&](const track::Sink& put) {
    return track::writePlaces(*places, *a.format, put);
  };
  if (a.output) return writeOutput(*a.output, pieces, err) ? kSuccess : kFailure;
  bool written =
      pieces([&](std::string_view piece) { return writeStandardOutput(out, piece, false, err); });
  return written && writeStandardOutput(out, {}, true, err) ? kSuccess : kFailure;
}

int plot(const Arguments& a, std::FILE* err) {
  if (a.positional.size() != 2 || !a.output)
    return usage(err, "plot needs one GPS log file and -o OUT.png or OUT.svg");
  const std::string& path = *a.output;
  if (!path.ends_with(".svg") && !path.ends_with(".png"))
    return usage(err, "plot writes a .png or an .svg file");
  const auto track = placesOf(a.positional[1], err);
  if (!track) return kFailure;
  if (!track->track) {
    std::fprintf(err, "%s: not a GPS log\n", a.positional[1].c_str());
    return kFailure;
  }
  Places locations;
  if (a.table) {
    const auto table = placesOf(*a.table, err);
    if (!table) return kFailure;
    locations = *table;
    // The table holds no hemisphere: its locations go where the log is, as in the track window.
    track::placeIn(locations, track::hemispheresOf(*track));
  }
  if (track->points.empty() && locations.points.empty()) {
    std::fprintf(err, "%s: no position to draw\n", a.positional[1].c_str());
    return kFailure;
  }
  const track::Scene scene = track::layOut(*track, locations);
  if (scene.locationsOutside > 0) {
    std::fprintf(err, "%s: %d of %zu table locations fall outside the picture\n", a.table->c_str(),
                 scene.locationsOutside, locations.points.size());
  }
  if (path.ends_with(".svg")) {
    const auto svg = [&](const track::Sink& put) { return track::writeSvg(scene, put); };
    return writeOutput(path, svg, err) ? kSuccess : kFailure;
  }
  const std::string png = painting::pngPicture(scene);
  return writeOutput(path, records::whole(png), err) ? kSuccess : kFailure;
}

// The summary or the JSON lines of a run; success when every unit's outcome is.
int reported(const FleetRun& run, bool json, std::string& out) {
  const std::vector<Outcome>& outcomes = run.outcomes;
  if (json) {
    for (const Outcome& o : outcomes) out += jsonLine(o, run.atOnce) + "\n";
  } else {
    out += summaryTable(outcomes) + atOnceLine(run);
  }
  // Stopped by Ctrl-C, SIGTERM or SIGHUP: the status a shell gives a program the signal ended.
  if (const int signal = caughtSignal()) return 128 + signal;
  return unitsStatus(outcomes);
}

int unitCommand(const Arguments& a, Action action, std::string& out, std::FILE* err) {
  const std::string& command = a.positional[0];
  const bool optionalFile = action == Action::ReadLog;
  if (a.positional.size() > 2 || (!optionalFile && a.positional.size() != 2))
    return usage(err, command + (optionalFile ? " takes at most one folder" : " needs one file"));
  if (a.ports.empty()) return usage(err, command + " needs at least one --port");
  // Two names of one device would put two exchanges on one line: the first pair is said.
  const std::vector<std::optional<size_t>> same = earlierSameDevice(a.ports);
  for (size_t i = 0; i < same.size(); ++i) {
    if (same[i])
      return usage(err,
                   "the ports " + a.ports[*same[i]] + " and " + a.ports[i] + " are one device");
  }
  const std::string file = a.positional.size() == 2 ? a.positional[1] : "";
  const bool fleet = a.ports.size() > 1;
  const std::vector<std::string> labels = portLabels(a.ports);
  // The files the run reads or writes, by name: a fleet's uploads each write their own.
  std::vector<std::string> files;
  const bool perUnit = fleet && (action == Action::ReadConfig || action == Action::ReadTable);
  for (const std::string& label : labels) {
    if (action != Action::ReadLog && (perUnit || files.empty()))
      files.push_back(perUnit ? fleetFileName(file, label) : file);
  }
  if (const std::string refused = traceRefusal(traceFiles(a.trace, labels, fleet), files);
      !refused.empty())
    return usage(err, refused);

  // What a write sends is read once, before any port is opened.
  config::FieldStore configuration;
  config::applyStartupValues(configuration);
  loctable::CellStore table;
  if (action == Action::WriteConfig && !loadSendableConfiguration(file, configuration, err))
    return kFailure;
  if (action == Action::WriteTable) {
    const auto bytes = readInput(file, err);
    if (!bytes) return kFailure;
    std::string why;
    if (!loctable::applyTableText(table, *bytes, nullptr, &why)) {
      std::fprintf(err, "%s: Error loading file (%s)\n", file.c_str(), why.c_str());
      return kFailure;
    }
  }
  if (action == Action::ReadLog && !file.empty()) {
    if (const auto why = notAFolder(file)) {
      std::fprintf(err, "gpstracking-cli: %s: %s\n", file.c_str(), why->c_str());
      return kFailure;
    }
  }

  std::vector<std::unique_ptr<UnitJob>> jobs;
  for (size_t i = 0; i < a.ports.size(); ++i) {
    const std::string& port = a.ports[i];
    JobSetup setup = jobSetup(a, action, port);
    if (action == Action::WriteConfig && !a.password) {
      setup.password = configuration.text(config::Field::setup1_Text9);
    }
    if (fleet && a.trace) setup.trace = fleetFileName(*a.trace, labels[i]);
    if (action == Action::ReadLog) {
      setup.target = file;
      if (fleet) setup.logPrefix = labels[i] + "_";
    } else if (action == Action::ReadConfig || action == Action::ReadTable) {
      setup.target = fleet ? fleetFileName(file, labels[i]) : file;
    }
    auto job = std::make_unique<UnitJob>(setup);
    config::copyFields(configuration, job->fields());
    for (int cell = 0; cell < loctable::kCellCount; ++cell)
      job->cells().setCell(cell, table.cell(cell));
    jobs.push_back(std::move(job));
  }
  return reported(runFleet(jobs, fleetOptions(err)), a.json, out);
}

int provision(const Arguments& a, std::string& out, std::FILE* err) {
  if (a.positional.size() != 2 || !a.values)
    return usage(err, "provision needs one configuration file and --values CSV");
  if (!a.ports.empty()) return usage(err, "provision takes its ports from the --values file");
  config::FieldStore model;
  config::applyStartupValues(model);
  if (!loadSendableConfiguration(a.positional[1], model, err)) return kFailure;
  // The units' files are kept there once each unit has taken its configuration: a folder that
  // cannot take them stops the run before any unit is written.
  const std::string folder = a.output.value_or(".");
  std::optional<std::string> unusable = notAFolder(folder);
  if (!unusable && ::access(folder.c_str(), W_OK | X_OK) != 0) unusable = std::strerror(errno);
  if (unusable) {
    std::fprintf(err, "gpstracking-cli: cannot keep the units' files in %s: %s\n", folder.c_str(),
                 unusable->c_str());
    return kFailure;
  }
  const auto csv = readInput(*a.values, err);
  if (!csv) return kFailure;
  std::string error;
  const auto rows = unitRows(*csv, model, error);
  if (!rows) {
    std::fprintf(err, "%s: %s\n", a.values->c_str(), error.c_str());
    return kFailure;
  }
  std::vector<std::string> allPorts, kept;
  for (const UnitRow& row : *rows) allPorts.push_back(row.port);
  const std::vector<std::string> labels = portLabels(allPorts);
  for (const std::string& label : labels)
    kept.push_back(keptFileName(a.output.value_or(""), a.positional[1], label, ""));
  std::vector<std::string> read = {a.positional[1], *a.values};
  read.insert(read.end(), kept.begin(), kept.end());
  if (const std::string refused = traceRefusal(traceFiles(a.trace, labels, true), read);
      !refused.empty())
    return usage(err, refused);
  Provisioning run;
  run.templatePath = a.positional[1];
  run.folder = a.output.value_or("");
  run.base = jobSetup(a, Action::WriteConfig, "");
  run.base.verify = a.verify.value_or(true);
  run.passwordGiven = a.password.has_value();
  run.trace = a.trace.value_or("");
  run.fleet = fleetOptions(err);
  return reported(provisionFleet(*rows, run), a.json, out);
}

}  // namespace

int unitsStatus(const std::vector<Outcome>& outcomes) {
  if (!std::all_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.ok; }))
    return kFailure;
  const bool lost =
      std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.warning; });
  return lost ? kSomethingLost : kSuccess;
}

std::string fleetFileName(const std::string& file, const std::string& portLabel) {
  const std::filesystem::path path(file);
  std::filesystem::path named =
      path.parent_path() / (path.stem().string() + "-" + portLabel + path.extension().string());
  return named.string();
}

bool needsPainting(const std::vector<std::string>& args) {
  return args.size() > 1 && args[1] == "plot";
}

namespace {

// The commands that talk to units, and so take the unit options.
const std::map<std::string, Action>& unitCommands() {
  static const std::map<std::string, Action> kUnitCommands = {{"read-config", Action::ReadConfig},
                                                              {"write-config", Action::WriteConfig},
                                                              {"read-log", Action::ReadLog},
                                                              {"read-table", Action::ReadTable},
                                                              {"write-table", Action::WriteTable}};
  return kUnitCommands;
}

std::optional<std::string> usageOf(const std::string& command) {
  return commandUsage(
      kUsageText, command,
      unitCommands().contains(command) || command == "diff" || command == "provision");
}

int execute(const std::vector<std::string>& args, std::string& out, std::FILE* standardOutput,
            std::FILE* err) {
  meantCommand().clear();
  for (size_t i = 1; i < args.size() && meantCommand().empty(); ++i) {
    if (args[i] != "help" && usageOf(args[i])) meantCommand() = args[i];
  }
  // "help COMMAND" and "COMMAND --help": that command's usage.
  if (args.size() > 1 && args[1] == "help") {
    if (args.size() == 2) {
      out = kUsageText;
      return kSuccess;
    }
    if (args.size() > 3) return usage(err, "help takes one command");
    const auto found = usageOf(args[2]);
    if (!found) return usage(err, "unknown command " + args[2]);
    out = *found;
    return kSuccess;
  }
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      const auto found = args.size() > 1 ? usageOf(args[1]) : std::nullopt;
      out = found ? *found : kUsageText;
      return kSuccess;
    }
    if (arg == "--version") {
      out = std::string("gpstracking-cli ") + GPSTRACKING_VERSION + "\n";
      return kSuccess;
    }
  }
  std::string error;
  const auto a = parse(args, error);
  if (!a) return usage(err, error);
  if (a->positional.empty()) return usage(err, "");
  const std::string& command = a->positional[0];
  const auto& kUnitCommands = unitCommands();
  if (const auto found = kUnitCommands.find(command); found != kUnitCommands.end())
    return unitCommand(*a, found->second, out, err);
  if (command == "ports") return ports(out);
  if (command == "check") return check(*a, out, err);
  if (command == "diff") return diff(*a, out, err);
  if (command == "provision") return provision(*a, out, err);
  if (command == "export") return exportFile(*a, standardOutput, err);
  if (command == "plot") return plot(*a, err);
  return usage(err, "unknown command " + command);
}

}  // namespace

int runCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  // What goes to standard output is gathered and written at the end (an export writes its own as
  // it is made).
  std::string text;
  const int status = execute(args, text, out, err);
  if (!writeStandardOutput(out, text, true, err)) {
    // A run a signal ended says so by its status, also when its summary has nowhere to go (the
    // terminal that was closed under it); diff's 1 would say "different" of a report nobody got.
    if (caughtSignal() != 0) return status;
    std::string error;
    const auto a = parse(args, error);
    const bool diffing = a && !a->positional.empty() && a->positional[0] == "diff";
    return diffing ? kTrouble : kFailure;
  }
  return status;
}

}  // namespace cli

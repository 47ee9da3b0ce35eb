#include "cli/commands.h"

#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>

#include "cli/config_report.h"
#include "cli/fleet.h"
#include "cli/places.h"
#include "cli/plot.h"
#include "cli/unit_job.h"
#include "config/config_file.h"
#include "config/field_table.h"
#include "link/serial_port.h"
#include "link/serial_port_info.h"
#include "loctable/table_file.h"
#include "records/safe_file.h"

namespace cli {

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
    "  export FILE --gpx|--kml|--geojson [-o OUT]   a GPS log or table file as GPX, KML, GeoJSON\n"
    "  plot LOG [--table TABLE] -o OUT.png|OUT.svg  a picture of the log's track\n"
    "options of the unit commands:\n"
    "  --port COMn|DEVICE   the unit's port; give it several times for a fleet\n"
    "  --password TEXT      the unit's password (write-config: the file's, otherwise 7391)\n"
    "  --json               one JSON object per unit instead of the summary table\n"
    "  --wake-limit S       give up on a unit that has not answered the poll in S seconds (10)\n"
    "  --time-limit S       give up on a unit whose exchange takes longer than S seconds (900)\n";

struct Arguments {
  std::vector<std::string> positional;
  std::vector<std::string> ports;
  std::optional<std::string> password;
  std::optional<std::string> output;
  std::optional<std::string> table;
  std::optional<ExportFormat> format;
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
      const auto device = device::portDevice(*port, error);
      if (!device) return std::nullopt;
      for (const std::string& given : parsed.ports) {
        if (device::portDevice(given, error) == device) {
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

int usage(std::FILE* err, const std::string& error) {
  if (!error.empty()) std::fprintf(err, "gpstracking-cli: %s\n", error.c_str());
  std::fputs(kUsageText, err);
  return kUsage;
}

// The bytes of a file, or a line saying why not.
std::optional<std::string> readInput(const std::string& path, std::FILE* err) {
  auto bytes = records::readWholeFile(path);
  if (!bytes) std::fprintf(err, "gpstracking-cli: cannot read %s\n", path.c_str());
  return bytes;
}

bool loadConfigurationFile(const std::string& path, config::Fields& fields, std::FILE* err) {
  const auto bytes = readInput(path, err);
  if (!bytes) return false;
  if (!config::applyConfigurationText(fields, *bytes)) {
    std::fprintf(err, "%s: Error loading file\n", path.c_str());
    return false;
  }
  return true;
}

// Writes a whole output file, or says why it could not.
bool writeOutput(const std::string& path, const std::string& bytes, std::FILE* err) {
  if (records::replaceFile(path, bytes)) return true;
  std::fprintf(err, "gpstracking-cli: cannot write %s\n", path.c_str());
  return false;
}

int ports(std::FILE* out) {
  for (int number = 1; number <= device::kComPortCount; ++number) {
    const device::ComDevice device = device::describeComDevice(number);
    std::fprintf(out, "COM%-3d %-24s %-8s %s\n", number,
                 device.path.empty() ? "-" : device.path.c_str(),
                 device.present ? "present" : "absent",
                 device.present ? device::comDeviceDetails(device).c_str() : "");
  }
  return kSuccess;
}

int check(const Arguments& a, std::FILE* out, std::FILE* err) {
  if (a.positional.size() != 2) return usage(err, "check needs one configuration file");
  config::FieldStore fields;
  config::applyStartupValues(fields);
  if (!loadConfigurationFile(a.positional[1], fields, err)) return kFailure;
  const std::vector<Problem> problems = configurationProblems(fields);
  for (const Problem& problem : problems) std::fprintf(out, "%s\n", problemLine(problem).c_str());
  if (problems.empty()) std::fprintf(out, "Configuration is OK\n");
  return problems.empty() ? kSuccess : kFailure;
}

JobSetup jobSetup(const Arguments& a, Action action, const std::string& port) {
  JobSetup setup;
  setup.action = action;
  setup.port = port;
  setup.password = a.password.value_or(config::kInitialPassword);
  setup.wakeLimit = std::chrono::seconds(a.wakeLimit);
  setup.totalLimit = std::chrono::seconds(a.timeLimit);
  return setup;
}

FleetOptions fleetOptions(std::FILE* err) {
  FleetOptions options;
  options.errors = err;
  // A progress line only for a person watching.
  if (isatty(fileno(err))) options.progress = err;
  return options;
}

int diff(const Arguments& a, std::FILE* out, std::FILE* err) {
  const size_t files = a.positional.size() - 1;
  if (!((files == 2 && a.ports.empty()) || (files == 1 && a.ports.size() == 1)))
    return usage(err, "diff needs two configuration files, or one and a --port");
  config::FieldStore first, second;
  config::applyStartupValues(first);
  config::applyStartupValues(second);
  if (!loadConfigurationFile(a.positional[1], first, err)) return kFailure;
  if (files == 2) {
    if (!loadConfigurationFile(a.positional[2], second, err)) return kFailure;
  } else {
    std::vector<std::unique_ptr<UnitJob>> jobs;
    jobs.push_back(std::make_unique<UnitJob>(jobSetup(a, Action::ReadConfig, a.ports.front())));
    const Outcome outcome = runFleet(jobs, fleetOptions(err)).front();
    if (!outcome.ok) return kFailure;
    config::copyFields(jobs.front()->fields(), second);
  }
  const std::vector<Difference> found = differences(first, second);
  for (const Difference& d : found) std::fprintf(out, "%s\n", differenceLine(d).c_str());
  // As diff(1) does, for scripts: 0 when the two are the same.
  return found.empty() ? kSuccess : kFailure;
}

int exportFile(const Arguments& a, std::FILE* out, std::FILE* err) {
  if (a.positional.size() != 2 || !a.format)
    return usage(err, "export needs one file and one of --gpx, --kml, --geojson");
  const auto bytes = readInput(a.positional[1], err);
  if (!bytes) return kFailure;
  std::string error;
  const auto places = readPlaces(*bytes, error);
  if (!places) {
    std::fprintf(err, "%s: %s\n", a.positional[1].c_str(), error.c_str());
    return kFailure;
  }
  if (places->skipped > 0) {
    std::fprintf(err, "%s: %d %s without a position skipped\n", a.positional[1].c_str(),
                 places->skipped, places->track ? "lines" : "rows");
  }
  const std::string text = exportPlaces(*places, *a.format);
  if (!a.output) {
    std::fputs(text.c_str(), out);
    return kSuccess;
  }
  return writeOutput(*a.output, text, err) ? kSuccess : kFailure;
}

int plot(const Arguments& a, std::FILE* err) {
  if (a.positional.size() != 2 || !a.output)
    return usage(err, "plot needs one GPS log file and -o OUT.png or OUT.svg");
  auto placesOf = [&](const std::string& path) -> std::optional<Places> {
    const auto bytes = readInput(path, err);
    if (!bytes) return std::nullopt;
    std::string error;
    auto places = readPlaces(*bytes, error);
    if (!places) std::fprintf(err, "%s: %s\n", path.c_str(), error.c_str());
    return places;
  };
  const auto track = placesOf(a.positional[1]);
  if (!track) return kFailure;
  if (!track->track) {
    std::fprintf(err, "%s: not a GPS log\n", a.positional[1].c_str());
    return kFailure;
  }
  Places locations;
  if (a.table) {
    const auto table = placesOf(*a.table);
    if (!table) return kFailure;
    locations = *table;
  }
  if (track->points.empty() && locations.points.empty()) {
    std::fprintf(err, "%s: no position to draw\n", a.positional[1].c_str());
    return kFailure;
  }
  const Scene scene = layOut(*track, locations);
  const std::string& path = *a.output;
  if (path.ends_with(".svg"))
    return writeOutput(path, svgPicture(scene), err) ? kSuccess : kFailure;
  if (!path.ends_with(".png")) return usage(err, "plot writes a .png or an .svg file");
  if (!writePng(scene, path)) {
    std::fprintf(err, "gpstracking-cli: cannot write %s\n", path.c_str());
    return kFailure;
  }
  return kSuccess;
}

int unitCommand(const Arguments& a, Action action, std::FILE* out, std::FILE* err) {
  const std::string& command = a.positional[0];
  const bool optionalFile = action == Action::ReadLog;
  if (a.positional.size() > 2 || (!optionalFile && a.positional.size() != 2))
    return usage(err, command + (optionalFile ? " takes at most one folder" : " needs one file"));
  if (a.ports.empty()) return usage(err, command + " needs at least one --port");
  const std::string file = a.positional.size() == 2 ? a.positional[1] : "";
  const bool fleet = a.ports.size() > 1;

  // What a write sends is read once, before any port is opened.
  config::FieldStore configuration;
  config::applyStartupValues(configuration);
  loctable::CellStore table;
  if (action == Action::WriteConfig && !loadConfigurationFile(file, configuration, err))
    return kFailure;
  if (action == Action::WriteTable) {
    const auto bytes = readInput(file, err);
    if (!bytes) return kFailure;
    if (!loctable::applyTableText(table, *bytes)) {
      std::fprintf(err, "%s: Error loading file\n", file.c_str());
      return kFailure;
    }
  }
  if (action == Action::ReadLog && !file.empty() && !std::filesystem::is_directory(file)) {
    std::fprintf(err, "gpstracking-cli: %s is not a folder\n", file.c_str());
    return kFailure;
  }

  std::vector<std::unique_ptr<UnitJob>> jobs;
  const std::vector<std::string> labels = portLabels(a.ports);
  for (size_t i = 0; i < a.ports.size(); ++i) {
    const std::string& port = a.ports[i];
    JobSetup setup = jobSetup(a, action, port);
    if (action == Action::WriteConfig && !a.password) {
      setup.password = configuration.text(config::Field::setup1_Text9);
    }
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
  const std::vector<Outcome> outcomes = runFleet(jobs, fleetOptions(err));
  if (a.json) {
    for (const Outcome& o : outcomes) std::fprintf(out, "%s\n", jsonLine(o).c_str());
  } else {
    std::fputs(summaryTable(outcomes).c_str(), out);
  }
  const bool allOk =
      std::all_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.ok; });
  return allOk ? kSuccess : kFailure;
}

}  // namespace

std::string fleetFileName(const std::string& file, const std::string& portLabel) {
  const std::filesystem::path path(file);
  std::filesystem::path named =
      path.parent_path() / (path.stem().string() + "-" + portLabel + path.extension().string());
  return named.string();
}

bool needsPainting(const std::vector<std::string>& args) {
  return args.size() > 1 && args[1] == "plot";
}

int runCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsageText, out);
      return kSuccess;
    }
    if (arg == "--version") {
      std::fprintf(out, "gpstracking-cli %s\n", GPSTRACKING_VERSION);
      return kSuccess;
    }
  }
  std::string error;
  const auto a = parse(args, error);
  if (!a) return usage(err, error);
  if (a->positional.empty()) return usage(err, "");
  const std::string& command = a->positional[0];
  static const std::map<std::string, Action> kUnitCommands = {{"read-config", Action::ReadConfig},
                                                              {"write-config", Action::WriteConfig},
                                                              {"read-log", Action::ReadLog},
                                                              {"read-table", Action::ReadTable},
                                                              {"write-table", Action::WriteTable}};
  if (const auto found = kUnitCommands.find(command); found != kUnitCommands.end())
    return unitCommand(*a, found->second, out, err);
  if (command == "ports") return ports(out);
  if (command == "check") return check(*a, out, err);
  if (command == "diff") return diff(*a, out, err);
  if (command == "export") return exportFile(*a, out, err);
  if (command == "plot") return plot(*a, err);
  return usage(err, "unknown command " + command);
}

}  // namespace cli

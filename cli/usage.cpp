#include "cli/usage.h"

#include <utility>

namespace cli {

namespace {

// What each command does, beyond its line in the usage.
constexpr std::pair<std::string_view, std::string_view> kDetails[] = {
    {"ports",
     "Lists COM1 to COM20, the device behind each, whether it is present and what it says of\n"
     "itself. GPSTRACKING_COMn=PATH puts another device behind COMn.\n"},
    {"read-config",
     "Reads the unit's configuration and saves it as a configuration file, as the window's\n"
     "\"Save\" does. A fleet's units each get their own file: unit.cfg on COM3 gives\n"
     "unit-COM3.cfg. Nothing is saved when the upload does not finish. What was read but\n"
     "could not be saved there is kept in a new file in $TMPDIR (/tmp), and the outcome names\n"
     "it.\n"},
    {"write-config",
     "Sends a configuration file to every unit given. The file is checked first, as the\n"
     "window's download checks it; the password sent is the file's unless --password says\n"
     "otherwise.\n"},
    {"read-log",
     "Reads each unit's GPS log into a new .csv file in DIR (the current folder when none is\n"
     "given), named from the date and time the upload started; a fleet's files carry the port\n"
     "in front of the name. A stopped upload keeps the whole lines it read; a failed one without\n"
     "a position leaves no file. Damaged records, or a log that ended inside a record, give\n"
     "status 3: the file may not hold the whole log.\n"},
    {"read-table",
     "Reads the unit's GPS location table and saves it as a table file; a fleet's units each\n"
     "get their own file, named as read-config names them.\n"},
    {"write-table",
     "Sends a table file to every unit given; a cell the unit cannot store stops it before\n"
     "the port is opened.\n"},
    {"check",
     "Lists every problem of a configuration file, each with its field, value and what is\n"
     "allowed; says which line and why when the file does not load. Status 0 when it is\n"
     "fit to send.\n"},
    {"diff",
     "Lists the fields that differ between two configurations, by window and caption, or says\n"
     "\"identical\". --json gives one object a line. Status 0 when identical, 1 when they\n"
     "differ, 2 when a file or the unit could not be read.\n"},
    {"provision",
     "Writes one configuration file, the template, into many units, each with values of its\n"
     "own from the CSV file given with --values, as a spreadsheet saves it:\n"
     "- its first line names the columns: a field by its caption as the windows show it\n"
     "  (letter case and the closing colon do not count) or by window and control\n"
     "  (setup1.Text2), and one column named port, the unit's port as --port takes it;\n"
     "- each further line is a unit. A list field takes the text of one of its items\n"
     "  (Enabled); an empty cell keeps the template's value;\n"
     "- cells are separated by commas; a cell holding a comma or a quote is quoted, with each\n"
     "  quote inside doubled (\"\"); a cell holds no line break;\n"
     "- the text is UTF-8, with or without a byte-order mark, or else Latin-1; a character\n"
     "  the unit cannot store (outside Latin-1) refuses its line.\n"
     "Every unit's configuration is checked as check checks a file before any port opens: a\n"
     "line with a problem is refused with its line number, the others are written at once,\n"
     "read back (unless --no-verify) and kept as a configuration file each in the folder of\n"
     "-o (the current one): fleet.cfg on COM3 gives fleet-COM3-v2.14.cfg. A unit that did not\n"
     "confirm its configuration, or did not pass the read-back, gets no kept file.\n"
     "Example: units.csv\n"
     "  port,Base phone number 1,APN (access point Name) 32 Max,setup1.Text35\n"
     "  COM3,+27820000001,fleet.example,+27831000001\n"
     "  COM4,+27820000002,,+27831000002\n"
     "and the command\n"
     "  gpstracking-cli provision fleet.cfg --values units.csv -o kept/\n"},
    {"export",
     "Writes a GPS log or a table file as GPX, KML or GeoJSON, on standard output or to OUT.\n"},
    {"plot",
     "Draws the log's track, and the table's locations near it, as a PNG or SVG picture.\n"},
};

}  // namespace

std::optional<std::string> commandUsage(std::string_view general, std::string_view command,
                                        bool unitOptions) {
  std::string synopsis, summary;
  size_t at = 0;
  while (at < general.size() && synopsis.empty()) {
    const size_t end = std::min(general.find('\n', at), general.size());
    const std::string_view line = general.substr(at, end - at);
    at = end + 1;
    const std::string_view name = line.substr(std::min<size_t>(2, line.size()));
    if (!line.starts_with("  ") || !name.starts_with(command) ||
        (name.size() > command.size() && name[command.size()] != ' '))
      continue;
    const size_t gap = name.find("  ");
    synopsis = std::string(name.substr(0, gap));
    if (gap != std::string_view::npos) {
      const size_t text = name.find_first_not_of(' ', gap);
      if (text != std::string_view::npos) summary = std::string(name.substr(text));
    }
  }
  if (synopsis.empty()) return std::nullopt;
  std::string usage = "usage: gpstracking-cli " + synopsis + (unitOptions ? " [OPTIONS]\n" : "\n");
  // The command's own sentences, or its line's summary where it has none.
  std::string_view said = summary.empty() ? std::string_view() : std::string_view(summary);
  for (const auto& [name, details] : kDetails) {
    if (name == command) said = details;
  }
  if (!said.empty()) usage += std::string(said) + (said.ends_with('\n') ? "" : "\n");
  if (unitOptions) {
    const size_t options = general.find("options of the unit commands:\n");
    if (options != std::string_view::npos) usage += general.substr(options);
  }
  return usage;
}

}  // namespace cli

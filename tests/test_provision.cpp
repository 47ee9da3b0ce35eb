// Provisioning's reading of a CSV file against a template: the header's names, each line's
// values and its problems by line number, and the kept file's name.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/commands.h"
#include "cli/provision.h"
#include "config/decoding.h"
#include "config/field_table.h"
#include "config/image.h"
#include "sim/config_operations.h"

namespace cli {
namespace {

using config::Field;
using namespace std::string_literals;

// A configuration that passes every check, as a unit in service holds it.
config::FieldStore plausibleTemplate() {
  const sim::ConfigMemory memory = sim::plausibleConfiguration();
  config::Image image;
  for (size_t i = 0; i < memory.image.size(); ++i) image.set(static_cast<int>(i), memory.image[i]);
  config::FieldStore fields;
  config::applyStartupValues(fields);
  config::decodeImage(image, fields);
  return fields;
}

TEST(Provision, AHeaderNamesAFieldByCaptionOrByWindowAndControl) {
  const std::pair<const char*, std::optional<Field>> cases[] = {
      {"Base phone number 1", Field::setup1_Text2},
      {"Base phone number 1:", Field::setup1_Text2},
      {"  BASE PHONE NUMBER 1 :  ", Field::setup1_Text2},
      {"setup1.Text2", Field::setup1_Text2},
      {"SETUP3.combo2", Field::setup3_Combo2},
      {"Real Time track int. ONLINE(0-16383)", Field::setup1_Text22},
      {"setup2.Text2", std::nullopt},
      {"Base phone number", std::nullopt},
      {"port", std::nullopt},
  };
  for (const auto& [name, field] : cases) EXPECT_EQ(fieldNamed(name), field) << name;
}

// The example that `help provision` gives is a values file provision takes as it stands.
TEST(Provision, TheHelpsExampleIsAValuesFileThatProvisionTakes) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  std::FILE* err = std::tmpfile();
  ASSERT_EQ(runCommand({"gpstracking-cli", "help", "provision"}, out, err), kSuccess);
  std::fclose(out);
  std::fclose(err);
  const std::string help(text, size);
  std::free(text);
  const size_t from = help.find("Example: units.csv\n"), to = help.find("and the command\n");
  ASSERT_NE(from, std::string::npos) << help;
  ASSERT_NE(to, std::string::npos) << help;
  std::string csv;
  std::istringstream lines(help.substr(from, to - from));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) csv += line.substr(line.find_first_not_of(' ')) + "\r\n";
  std::string error;
  const auto rows = unitRows(csv, plausibleTemplate(), error);
  ASSERT_TRUE(rows) << error << "\n" << csv;
  ASSERT_EQ(rows->size(), 2u);
  for (const UnitRow& row : *rows)
    EXPECT_TRUE(row.problems.empty()) << row.line << ": " << row.problems.front();
  EXPECT_EQ(rows->front().fields.text(Field::setup1_Text21), "fleet.example");
  EXPECT_EQ(help.find("usage: gpstracking-cli provision FILE --values CSV [OPTIONS]\n"), 0u)
      << help;
}

// A name or an item that is a near miss is answered with the closest one; a list's items are
// all named.
TEST(Provision, ANearMissNamesTheClosest) {
  const config::FieldStore model = plausibleTemplate();
  const std::pair<const char*, const char*> headers[] = {
      {"port,Base phone numbr 1\r\nCOM3,1\r\n", "; did you mean \"Base phone number 1\"?"},
      {"port,setup1.Txt2\r\nCOM3,1\r\n", "; did you mean \"setup1.Text2\"?"},
      {"port,Nothing like it\r\nCOM3,1\r\n",
       "(give a caption or window and control, as setup1.Text2)"},
  };
  for (const auto& [csv, ending] : headers) {
    std::string error;
    EXPECT_FALSE(unitRows(csv, model, error)) << csv;
    EXPECT_TRUE(error.ends_with(ending)) << csv << " -> " << error;
  }
  std::string error;
  const auto rows = unitRows("port,Enabled by:\r\nCOM3,AUX1 onyl\r\n", model, error);
  ASSERT_TRUE(rows) << error;
  ASSERT_EQ(rows->front().problems.size(), 1u);
  const std::string& problem = rows->front().problems.front();
  EXPECT_NE(
      problem.find("not one of its items (" + config::fieldRow(Field::setup1_Combo2).items.front()),
      std::string::npos)
      << problem;
  EXPECT_TRUE(problem.ends_with("; did you mean \"AUX1 only\"?")) << problem;
}

TEST(Provision, AHeaderThatCannotBeUsedStopsEverything) {
  const config::FieldStore model = plausibleTemplate();
  const std::pair<const char*, const char*> cases[] = {
      {"Base phone number 1\r\n+2782\r\n", "line 1: no \"port\" column"},
      {"port,Nothing like it\r\nCOM3,1\r\n", "line 1: \"Nothing like it\" names no field"},
      {"port,setup1.Text2,Base phone number 1\r\nCOM3,+1,+2\r\n",
       "line 1: Configuration / Base phone number 1 is named twice"},
      {"port,PORT\r\nCOM3,COM4\r\n", "line 1: the port column is given twice"},
      {"port,setup1.Text2,,\r\n\r\n", "no unit after the header line"},
      {"port,,setup1.Text2\r\nCOM3,,+1\r\n", "line 1: \"\" names no field"},
      {"", "no header line"},
  };
  for (const auto& [csv, why] : cases) {
    std::string error;
    EXPECT_FALSE(unitRows(csv, model, error)) << csv;
    EXPECT_TRUE(error.starts_with(why)) << csv << " -> " << error;
  }
}

TEST(Provision, EachLineIsTheTemplateWithItsValuesOrRefusedWithItsLineAndProblem) {
  const config::FieldStore model = plausibleTemplate();
  // One device under two names: a file standing for it and a link to that file.
  QTemporaryDir folder;
  // Its name is not ASCII: a port is a file system name and keeps its bytes.
  const std::string unit = folder.path().toStdString() + "/\xC3\xBCnit";
  const std::string link = folder.filePath("link").toStdString();
  std::ofstream{unit};
  ASSERT_EQ(::symlink(unit.c_str(), link.c_str()), 0);
  std::string twentyE;
  for (int i = 0; i < 20; ++i) twentyE += "\xC3\xA9";
  // A byte order mark, CR LF, LF and a blank line, as spreadsheets and editors leave them; the
  // text is UTF-8.
  const std::string csv =
      "\xEF\xBB\xBFport,Base phone number 1,Enabled by:,setup1.Text22,setup1.Text21\r\n"
      "COM3,+27820000001,\"AUX1 only\",60,caf\xC3\xA9\r\n"
      "\r\n"
      "COM4,,,20000\n"
      "COM3,+27820000003,,\n"
      "COM5,+27820000005,Sometimes,1\r\n"
      "COM6,+27820000000000006,,1\r\n"
      "COM21,+27820000007,,1\r\n"
      ",+27820000008,,1,,\r\n"
      "COM9,+27820000009,,1,,extra\r\n"
      "COM10,\"+2782\"\"0010\",,1," +
      twentyE +
      "\r\n"
      "COM11,+27820000011,,1,\xE2\x82\xAC\r\n"
      "COM12,\"+2782\r\n0012\",,1\r\n"
      "COM13,+27820000013,,1,a\0b\r\n"s +
      unit + ",+27820000014,,1\r\n" + link + ",+27820000015,,1\r\n";
  std::string error;
  const auto rows = unitRows(csv, model, error);
  ASSERT_TRUE(rows) << error;
  struct Expected {
    int line;
    std::string port;
    std::string problem;  // empty: written
  };
  const Expected expected[] = {
      {2, "COM3", ""},
      {4, "COM4", "Invalid SMS tracking interval ONLINE"},
      {5, "COM3", "the port COM3 is given on line 2"},
      {6, "COM5", "Configuration / Enabled by = \"Sometimes\": not one of its items"},
      {7, "COM6", "longer than its 16 characters"},
      {8, "COM21", "COM21"},
      {9, "", "no port"},
      {10, "COM9", "6 values for 5 columns"},
      // 20 characters of a field of 32, though 40 bytes in UTF-8.
      {11, "COM10", ""},
      {12, "COM11", "column 5: \"\xE2\x82\xAC\" (U+20AC) is not a Latin-1 character"},
      {13, "COM12", "column 2 holds a line break inside its quotes (lines 13 to 14)"},
      {15, "COM13", "column 5 holds a NUL byte"},
      {16, unit, ""},
      {17, link, "the port " + link + " is given on line 16 as " + unit},
  };
  ASSERT_EQ(rows->size(), std::size(expected));
  for (size_t i = 0; i < rows->size(); ++i) {
    const UnitRow& row = (*rows)[i];
    const Expected& want = expected[i];
    EXPECT_EQ(row.line, want.line) << i;
    EXPECT_EQ(row.port, want.port) << i;
    if (want.problem.empty()) {
      EXPECT_TRUE(row.problems.empty()) << row.line << ": " << row.problems.front();
    } else {
      ASSERT_FALSE(row.problems.empty()) << row.line;
      EXPECT_NE(row.problems.front().find(want.problem), std::string::npos)
          << row.line << ": " << row.problems.front();
    }
  }
  // The values replace the template's, in the unit's Latin-1; an empty one keeps the template's.
  const UnitRow& first = rows->front();
  EXPECT_EQ(first.fields.text(Field::setup1_Text2), "+27820000001");
  EXPECT_EQ(first.fields.index(Field::setup1_Combo2), 1);
  EXPECT_EQ(first.fields.text(Field::setup1_Text22), "60");
  EXPECT_EQ(first.fields.text(Field::setup1_Text21), "caf\xE9");
  EXPECT_EQ((*rows)[1].fields.text(Field::setup1_Text2), model.text(Field::setup1_Text2));
  EXPECT_EQ((*rows)[1].fields.index(Field::setup1_Combo2), model.index(Field::setup1_Combo2));
  EXPECT_EQ((*rows)[8].fields.text(Field::setup1_Text2), "+2782\"0010");
  EXPECT_EQ((*rows)[8].fields.text(Field::setup1_Text21), std::string(20, '\xE9'));
}

TEST(Provision, ARefusedLineWithoutAPortOnOneLineIsNamedByItsLine) {
  std::string error;
  const auto rows =
      unitRows("port,setup1.Text2\r\n\"COM3\r\n\",+2782\r\n,+2783\r\n", plausibleTemplate(), error);
  ASSERT_TRUE(rows) << error;
  Provisioning run;
  run.fleet.errors = nullptr;
  const std::vector<Outcome> outcomes = provisionFleet(*rows, run).outcomes;
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].port, "line 2");
  EXPECT_EQ(outcomes[1].port, "line 4");
}

TEST(Provision, TheKeptFileCarriesThePortAndTheUnitsVersion) {
  EXPECT_EQ(keptFileName("kept", "/x/fleet.cfg", "COM3", ""), "kept/fleet-COM3.cfg");
  EXPECT_EQ(keptFileName(".", "fleet.cfg", "pts-4", "2.14"), "./fleet-pts-4-v2.14.cfg");
  EXPECT_EQ(keptFileName("k", "fleet.cfg", "COM3", "a/b c"), "k/fleet-COM3-va_b_c.cfg");
}

}  // namespace
}  // namespace cli

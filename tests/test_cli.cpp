// gpstracking-cli: its exchanges against simulated units in memory, the files it writes beside
// the graphical program's, its fleet outcomes, check and diff reports, exports read back by
// Python's own XML and JSON parsers, and its track pictures.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/main_window.h"
#include "cli/commands.h"
#include "cli/config_report.h"
#include "cli/fleet.h"
#include "cli/port_labels.h"
#include "cli/unit_job.h"
#include "config/config_file.h"
#include "config/field_table.h"
#include "forms/setup2.h"
#include "loctable/table_file.h"
#include "records/safe_file.h"
#include "serial/com_ports.h"
#include "sim/config_operations.h"
#include "sim/demo.h"
#include "sim/line_pacing.h"
#include "sim/log_operation.h"
#include "sim/pty_server.h"
#include "sim/sim_port.h"
#include "tests/config_samples.h"
#include "tests/file_bytes.h"
#include "track/picture.h"
#include "track/places.h"
#include "ui/help.h"

namespace {

using config::Field;

const auto& fileText = testing_files::readBytes;
const auto& writeText = testing_files::writeBytes;

// Runs the command line in the test's process; its output and complaints come back as text.
struct CliRun {
  int status = -1;
  std::string out, err;
};
CliRun run(std::vector<std::string> args) {
  args.insert(args.begin(), "gpstracking-cli");
  CliRun result;
  char *out = nullptr, *err = nullptr;
  size_t outSize = 0, errSize = 0;
  std::FILE* outFile = open_memstream(&out, &outSize);
  std::FILE* errFile = open_memstream(&err, &errSize);
  result.status = cli::runCommand(args, outFile, errFile);
  std::fclose(outFile);
  std::fclose(errFile);
  result.out.assign(out, outSize);
  result.err.assign(err, errSize);
  std::free(out);
  std::free(err);
  return result;
}

// A unit job on a simulated unit in memory, driven as the program's event loop would, with a
// second passing for the unit and the link at every pass.
struct SimulatedJob {
  sim::Unit unit;
  sim::SimPort* port;
  std::unique_ptr<cli::UnitJob> job;

  explicit SimulatedJob(cli::JobSetup setup) {
    sim::installDemoOperations(unit);
    auto simPort = std::make_unique<sim::SimPort>(unit);
    port = simPort.get();
    // Every pass is a second here: no limit but the test's own, and a unit that waits for the
    // PC's paced characters however many passes they take.
    setup.totalLimit = std::chrono::seconds(1 << 30);
    unit.knobs.silenceLimit = 0;
    job = std::make_unique<cli::UnitJob>(std::move(setup), std::move(simPort));
  }
  // `eachPass` runs before each second (to press Ctrl-C, for example).
  const cli::Outcome& run(const std::function<void()>& eachPass = nullptr) {
    job->start(nullptr);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!job->finished() && elapsed.elapsed() < 30000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (eachPass) eachPass();
      unit.tick();
      job->tick();
    }
    EXPECT_TRUE(job->finished());
    return job->outcome();
  }
};

// The graphical program on the same kind of unit, run as a technician would.
struct Program {
  struct NoHelp : ui::HelpLauncher {
    void open() override {}
  };
  sim::Unit unit;
  sim::SimPort port{unit};
  words::RecordedMessages boxes;
  NoHelp help;
  app::GPStracking window{{&port, &boxes, &help}};

  Program() {
    sim::installDemoOperations(unit);
    // A pass is a second to the unit: it waits for the paced characters however many it takes.
    unit.knobs.silenceLimit = 0;
  }
  void click(const char* name) {
    qobject_cast<QPushButton*>(window.control(name))->click();
    QElapsedTimer elapsed;
    elapsed.start();
    while (window.serialLink().busy() && elapsed.elapsed() < 30000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      unit.tick();
      window.serialLink().timerTick();
    }
  }
};

// The one .csv file in a folder.
std::string onlyLog(const QString& folder) {
  const QStringList logs = QDir(folder).entryList({"*.csv"}, QDir::Files);
  return logs.size() == 1 ? (folder + "/" + logs.front()).toStdString() : std::string();
}

struct SameFileCase {
  const char* name;
  cli::Action action;
  const char* button;
};

class SameFileAsProgram : public ::testing::TestWithParam<SameFileCase> {};

TEST_P(SameFileAsProgram, ForTheSameUnit) {
  const SameFileCase& c = GetParam();
  QTemporaryDir folder;
  const std::string here = QDir::currentPath().toStdString();
  // The program writes its GPS logs into its current folder.
  ASSERT_EQ(chdir(folder.path().toStdString().c_str()), 0);
  Program program;
  program.click(c.button);
  ASSERT_EQ(chdir(here.c_str()), 0);
  std::string expected;
  if (c.action == cli::Action::ReadConfig) {
    expected = config::configurationText(program.window.configFields());
  } else if (c.action == cli::Action::ReadTable) {
    expected = loctable::tableText(program.window.locationTable());
  } else {
    expected = fileText(onlyLog(folder.path()));
  }

  QTemporaryDir cliFolder;
  cli::JobSetup setup;
  setup.action = c.action;
  setup.port = "COM1";
  setup.password = config::kInitialPassword;
  setup.target =
      (cliFolder.path() + (c.action == cli::Action::ReadLog ? "" : "/out")).toStdString();
  SimulatedJob job(setup);
  const cli::Outcome& outcome = job.run();
  EXPECT_TRUE(outcome.ok) << outcome.cause;
  const std::string written =
      fileText(c.action == cli::Action::ReadLog ? onlyLog(cliFolder.path()) : setup.target);
  EXPECT_GT(written.size(), 300u);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(outcome.file.empty(), written.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cli, SameFileAsProgram,
    ::testing::Values(SameFileCase{"Configuration", cli::Action::ReadConfig, "Command7"},
                      SameFileCase{"Table", cli::Action::ReadTable, "Command13"},
                      SameFileCase{"Log", cli::Action::ReadLog, "Command10"}),
    [](const auto& info) { return std::string(info.param.name); });

// What a write sends crosses the line exactly as the program sends it.
TEST(CliWrites, SendTheSameCharactersAsTheProgram) {
  const std::pair<cli::Action, const char*> cases[] = {
      {cli::Action::WriteConfig, "Command1"},
      {cli::Action::WriteTable, "Command14"},
  };
  for (const auto& [action, button] : cases) {
    SCOPED_TRACE(button);
    Program program;
    program.click("Command7");
    program.click("Command13");
    program.window.configFields().setText(Field::setup1_Text2, "0123456789");
    program.window.locationTable().setCell(1, 1, "12.3456");
    program.click(button);

    SimulatedJob job({action, "COM2", "7391", "", ""});
    config::copyFields(program.window.configFields(), job.job->fields());
    for (int cell = 0; cell < loctable::kCellCount; ++cell)
      job.job->cells().setCell(cell, program.window.locationTable().cell(cell));
    EXPECT_TRUE(job.run().ok) << job.job->outcome().cause;
    EXPECT_GT(job.unit.dataHeard().size(), 700u);
    EXPECT_EQ(job.unit.dataHeard(), program.unit.dataHeard());
  }
}

struct FleetCase {
  const char* name;
  cli::Action action;
  std::function<void(sim::Unit&, sim::SimPort&)> prepare;
  std::string target;
  bool ok;
  std::string cause;  // part of it
};

TEST(CliFleet, EachUnitEndsWithItsOwnOutcomeAndTheOthersCarryOn) {
  QTemporaryDir folder;
  const std::string saved = (folder.path() + "/unit.cfg").toStdString();
  const FleetCase cases[] = {
      {"COM1", cli::Action::ReadConfig, [](sim::Unit&, sim::SimPort&) {}, saved, true,
       "configuration read (unit version"},
      {"COM2", cli::Action::ReadConfig, [](sim::Unit& u, sim::SimPort&) { u.knobs.silent = true; },
       "", false, "does not answer"},
      {"COM3", cli::Action::ReadConfig,
       [](sim::Unit& u, sim::SimPort&) { u.knobs.password = "1111"; }, "", false,
       "Invalid Password: the unit answered the poll, no answer to the password in 3 s"},
      {"COM4", cli::Action::ReadConfig,
       [](sim::Unit&, sim::SimPort& p) { p.existing = {serial::comDevicePath(9)}; }, "", false,
       "port not available"},
      {"COM5", cli::Action::ReadConfig,
       [](sim::Unit& u, sim::SimPort&) { u.knobs.silentAfter = 100; }, "", false,
       "the unit fell silent during the data transfer after 100 of 736 digits"},
      {"COM6", cli::Action::ReadConfig, [](sim::Unit&, sim::SimPort&) {},
       "/nonexistent/folder/unit.cfg", false,
       "read, but /nonexistent/folder/unit.cfg could not be saved"},
      {"COM7", cli::Action::ReadConfig, [](sim::Unit&, sim::SimPort&) {}, "", true,
       "configuration read"},
      {"COM8", cli::Action::ReadLog, [](sim::Unit&, sim::SimPort&) {}, "/nonexistent/folder", false,
       "GPS log file could not be created or written in /nonexistent/folder"},
      {"COM9", cli::Action::ReadTable, [](sim::Unit&, sim::SimPort&) {}, "", true,
       "GPS location table read"},
  };
  std::vector<std::unique_ptr<sim::Unit>> units;
  std::vector<std::unique_ptr<cli::UnitJob>> jobs;
  for (const FleetCase& c : cases) {
    units.push_back(std::make_unique<sim::Unit>());
    sim::installDemoOperations(*units.back());
    auto port = std::make_unique<sim::SimPort>(*units.back());
    c.prepare(*units.back(), *port);
    cli::JobSetup setup{c.action, c.name, "7391", c.target, ""};
    jobs.push_back(std::make_unique<cli::UnitJob>(setup, std::move(port)));
  }
  char* lines = nullptr;
  size_t size = 0;
  std::FILE* errors = open_memstream(&lines, &size);
  cli::FleetOptions options;
  options.errors = errors;
  options.tickLength = std::chrono::milliseconds(5);
  const std::vector<cli::Outcome> outcomes = cli::runFleet(jobs, options).outcomes;
  std::fclose(errors);
  const std::string said(lines, size);
  std::free(lines);

  ASSERT_EQ(outcomes.size(), std::size(cases));
  const std::string summary = cli::summaryTable(outcomes);
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const FleetCase& c = cases[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(outcomes[i].port, c.name);
    EXPECT_EQ(outcomes[i].ok, c.ok);
    EXPECT_NE(outcomes[i].cause.find(c.cause), std::string::npos) << outcomes[i].cause;
    // A failure is one line naming the port and the cause; a success says nothing.
    const std::string line = std::string(c.name) + ": ";
    EXPECT_EQ(said.find(line) != std::string::npos, !c.ok) << said;
    EXPECT_NE(summary.find(std::string(c.name) + "  " + (c.ok ? "ok " : "FAILED")),
              std::string::npos)
        << summary;
  }
  // The saved file is named in the outcome; what it holds is the session's to test.
  EXPECT_EQ(outcomes[0].file, saved);
  EXPECT_GT(outcomes[0].bytes, 1472);  // 736 digits and their answers, at least
}

TEST(CliFleet, JsonLinesCarryLatin1AndQuotesIntact) {
  const std::pair<std::string, std::string> cases[] = {
      {"Invalid Password", "\"Invalid Password\""},
      {"say \"no\"\\", "\"say \\\"no\\\"\\\\\""},
      {"caf\xe9", "\"caf\xc3\xa9\""},
      {"a\r\nb", "\"a\\u000d\\u000ab\""},
      // A file's name in UTF-8, as the file system holds it: already what JSON carries.
      {"\xc3\xa7\xc3\xa9-utf8.cfg", "\"\xc3\xa7\xc3\xa9-utf8.cfg\""},
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(cli::jsonString(text), json);
}

TEST(CliFleet, SummaryRowStaysOnOneLineWhateverTheBoxSays) {
  for (const char* cause : {"Upload complete\r\nwith a warning", "one\ntwo\rthree"}) {
    cli::Outcome outcome;
    outcome.port = "COM1";
    outcome.cause = cause;
    const std::string table = cli::summaryTable({outcome});
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2) << table;
    EXPECT_EQ(table.find('\r'), std::string::npos);
  }
}

TEST(CliFleet, EachUnitWritesItsOwnFile) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"COM3", "/dev/pts/4", "/tmp/sims/u1"}, {"out-COM3.cfg", "out-pts-4.cfg", "out-u1.cfg"}},
      // The same file name in two folders: the whole paths tell them apart.
      {{"/tmp/a/u1", "/tmp/b/u1", "COM1"},
       {"out-tmp-a-u1.cfg", "out-tmp-b-u1.cfg", "out-COM1.cfg"}},
      // A separator in a file's name is no separator in the label.
      {{"/tmp/s/u:1", "/tmp/s/u\\2"}, {"out-u-1.cfg", "out-u-2.cfg"}},
      // Paths that map to one label: numbered, past a label another port already has.
      {{"/x/a-b/u", "/x/a/b/u", "/x/a/b/u-2"},
       {"out-x-a-b-u.cfg", "out-x-a-b-u-3.cfg", "out-x-a-b-u-2.cfg"}},
  };
  for (const auto& [ports, files] : cases) {
    const std::vector<std::string> labels = cli::portLabels(ports);
    ASSERT_EQ(labels.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
      EXPECT_EQ(cli::fleetFileName("out.cfg", labels[i]), files[i]);
    }
  }
  EXPECT_EQ(cli::fleetFileName("folder/unit.cfg", "COM3"), "folder/unit-COM3.cfg");
}

// A run's exit status from its units' outcomes: any failure is 1, else any loss 3, else 0.
TEST(CliStatus, AFailureOutweighsALossAndALossIsNeverSuccess) {
  const auto unit = [](bool ok, bool warning) {
    cli::Outcome outcome;
    outcome.ok = ok;
    outcome.warning = warning;
    return outcome;
  };
  const cli::Outcome ok = unit(true, false), lost = unit(true, true), failed = unit(false, false);
  const std::pair<std::vector<cli::Outcome>, int> cases[] = {
      {{ok}, cli::kSuccess},         {{ok, ok}, cli::kSuccess},
      {{lost}, cli::kSomethingLost}, {{ok, lost, ok}, cli::kSomethingLost},
      {{failed}, cli::kFailure},     {{lost, failed}, cli::kFailure},
  };
  for (const auto& [outcomes, status] : cases) EXPECT_EQ(cli::unitsStatus(outcomes), status);
  EXPECT_NE(cli::kSomethingLost, cli::kFailure);
  EXPECT_NE(cli::kSomethingLost, cli::kUsage);
}

// How a GPS log upload ends on the command line: a log cut short inside a record is a warning
// that says so, never "ok"; a failed upload leaves no empty file behind, a finished one does.
TEST(CliLog, EndingsSayWhatWasLostAndLeaveNoEmptyFileOfAFailure) {
  const std::vector<std::string> log = sim::plausibleLog(6);
  struct Case {
    const char* name;
    int cutRecord, cutAfter;  // "E" in place of this record's character (-1: none)
    int silentAfter;          // characters, -1: never
    bool ok, warning;
    std::string cause;
    bool fileKept;
  };
  const Case cases[] = {
      {"whole", -1, 0, -1, true, false, "6 positions saved", true},
      {"E inside a record", 4, 20, -1, true, true,
       "4 positions saved; 1 damaged record left out: check the cable and upload again; the log "
       "ended inside a record and may be incomplete",
       true},
      {"E inside the first record", 0, 5, -1, true, true,
       "0 positions saved; 1 damaged record left out: check the cable and upload again; the log "
       "ended inside a record and may be incomplete",
       true},
      {"silent before the first position", -1, 0, 30, false, false,
       "the unit fell silent during the GPS log after 0 positions", false},
      {"silent after two positions", -1, 0, 2 * 38 + 3, false, false,
       "the unit fell silent during the GPS log after 2 positions", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    SimulatedJob job({cli::Action::ReadLog, "COM1", "7391", folder.path().toStdString(), ""});
    auto& operation = job.unit.install<sim::LogOperation>('L', log);
    operation.faults.cutRecord = c.cutRecord;
    operation.faults.cutAfter = c.cutAfter;
    job.unit.knobs.silentAfter = c.silentAfter;
    const cli::Outcome& outcome = job.run();
    EXPECT_EQ(outcome.ok, c.ok);
    EXPECT_EQ(outcome.warning, c.warning);
    EXPECT_EQ(outcome.cause, c.cause);
    const std::string kept = onlyLog(folder.path());
    EXPECT_EQ(!kept.empty(), c.fileKept) << QDir(folder.path()).entryList().join(" ").toStdString();
    EXPECT_EQ(outcome.file, kept);
  }
}

// Ctrl-C while a written configuration is read back: the write went through, its proof was
// stopped by the technician, and the outcome says cancelled, not failed.
TEST(CliWrites, ACancelDuringTheReadBackIsACancel) {
  cli::JobSetup setup{cli::Action::WriteConfig, "COM1", "7391", "", ""};
  setup.verify = true;
  SimulatedJob job(setup);
  config::copyFields(test::sampleFields(), job.job->fields());
  const cli::Outcome& outcome = job.run([&] {
    if (job.unit.letter() == 'U') job.job->cancel();
  });
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.cause.find("not verified: the read-back was cancelled during "),
            std::string::npos)
      << outcome.cause;
}

// Ctrl-C once the configuration's last digit has gone out: the unit may hold it, and the
// outcome says so rather than that nothing changed.
TEST(CliWrites, ACancelAfterTheLastDigitSaysTheUnitMayHoldTheConfiguration) {
  SimulatedJob job({cli::Action::WriteConfig, "COM1", "7391", "", ""});
  config::copyFields(test::sampleFields(), job.job->fields());
  // A unit that never confirms: the PC waits its four ticks for the "OK".
  job.unit.install<sim::ConfigReceive>('D', std::make_shared<sim::ConfigMemory>()).reply = "";
  const size_t digits = 2 * config::kDownloadedBytes;
  const cli::Outcome& outcome = job.run([&] {
    if (job.unit.dataHeard().size() == digits) job.job->cancel();
  });
  EXPECT_EQ(job.unit.dataHeard().size(), digits);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.cause,
            "all digits sent; the unit's confirmation was not awaited: it may hold the new "
            "configuration");
}

// A configuration file as the program saves it, after `change` on the startup values.
std::string configurationFile(const QTemporaryDir& folder, const char* name,
                              std::function<void(config::Fields&)> change) {
  config::FieldStore fields = test::sampleFields();
  change(fields);
  const std::string path = (folder.path() + "/" + name).toStdString();
  writeText(path, config::configurationText(fields));
  return path;
}

TEST(CliCheck, PrintsEveryProblemWithItsFieldValueAndRange) {
  struct Case {
    const char* name;
    std::function<void(config::Fields&)> change;
    int status;
    std::vector<std::string> lines;  // each expected line, in part
  };
  const Case cases[] = {
      {"valid", [](config::Fields&) {}, 0, {"Configuration is OK"}},
      {"one value",
       [](config::Fields& f) { f.setText(Field::setup1_Text3, "999"); },
       1,
       {"Configuration / GEO fencing delay (1-240 sec) = \"999\": Invalid GEO fencing delay "
        "(allowed: 1 "
        "to 240)"}},
      // The window stops looking at the PIN's digits once an earlier rule broke; the command
      // line lists both.
      {"all at once",
       [](config::Fields& f) {
         f.setText(Field::setup3_Text4, "12345");
         f.setText(Field::setup3_Text25, "12a4");
       },
       1,
       {"\"12345\": Invalid Security ID code (Must be 10 Char long) (allowed: exactly 10 "
        "characters)",
        "\"12a4\": Invalid SIM PIN Code (Digits ONLY) (allowed: digits 0 to 9 only)"}},
      {"length",
       [](config::Fields& f) { f.setText(Field::setup1_Text2, "12"); },
       1,
       {"= \"12\": Invalid Base Phone number 1 (max 16) (allowed: 3 to 16 characters)"}},
      // The load cuts a text longer than its field takes; the unit would never see it whole.
      {"cut on loading",
       [](config::Fields& f) { f.setText(Field::setup1_Text21, "APN"); },
       1,
       {"Configuration / APN (access point Name) 32 Max = \"" + std::string(32, 'a') +
        "\": the file's text of 40 characters was cut to 32 on loading (allowed: at most 32 "
        "characters)"}},
  };
  QTemporaryDir folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = configurationFile(folder, c.name, c.change);
    // A field takes no more than its maximum, so the long text is put into the file itself.
    writeText(path, std::regex_replace(fileText(path), std::regex("\"APN\""),
                                       "\"" + std::string(40, 'a') + "\""));
    const CliRun result = run({"check", path});
    EXPECT_EQ(result.status, c.status);
    for (const std::string& line : c.lines) {
      EXPECT_NE(result.out.find(line + "\n"), std::string::npos) << result.out;
    }
  }
  EXPECT_EQ(run({"check", "/nonexistent.cfg"}).status, cli::kFailure);
}

TEST(CliDiff, ListsChangedFieldsByCaptionInWindowOrder) {
  QTemporaryDir folder;
  const std::string base = configurationFile(folder, "a", [](config::Fields&) {});
  const std::string changed = configurationFile(folder, "b", [](config::Fields& f) {
    f.setIndex(Field::setup3_Combo13, 1);
    f.setText(Field::setup1_Text3, "60");
  });
  const CliRun same = run({"diff", base, base});
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "identical\n");
  EXPECT_EQ(run({"diff", base, base, "--json"}).out, "");
  const CliRun json = run({"diff", base, changed, "--json"});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(json.out.substr(0, json.out.find('\n')),
            "{\"window\":\"Configuration\",\"field\":\"GEO fencing delay (1-240 sec)\","
            "\"control\":\"setup1.Text3\",\"first\":\"30\",\"second\":\"60\"}");
  const CliRun different = run({"diff", base, changed});
  EXPECT_EQ(different.status, 1);
  const std::string first = "Configuration / GEO fencing delay (1-240 sec): \"30\" -> \"60\"\n";
  ASSERT_EQ(different.out.find(first), 0u) << different.out;
  EXPECT_EQ(std::count(different.out.begin(), different.out.end(), '\n'), 2);
  EXPECT_NE(different.out.find("Special functions / "), std::string::npos);
}

// diff compares what the unit would hold, not how a number is spelt.
TEST(CliDiff, ComparesWhatTheUnitWouldHold) {
  QTemporaryDir folder;
  const std::string base = configurationFile(
      folder, "base", [](config::Fields& f) { f.setText(Field::setup1_Text3, "60"); });
  const std::tuple<const char*, const char*, int> cases[] = {
      {"blank", " 60", 0},
      {"rounded", "60.4", 0},
      {"another", "61", 1},
  };
  for (const auto& [name, text, status] : cases) {
    SCOPED_TRACE(name);
    const std::string other = configurationFile(
        folder, name, [t = text](config::Fields& f) { f.setText(Field::setup1_Text3, t); });
    EXPECT_EQ(run({"diff", base, other}).status, status);
  }
}

// diff's status, as diff(1) gives it: 0 identical, 1 different, 2 when a file or the unit could
// not be read or the report could not be written.
TEST(CliDiff, StatusSaysSameDifferentOrTrouble) {
  QTemporaryDir folder;
  const std::string base = configurationFile(folder, "a", [](config::Fields&) {});
  const std::string changed = configurationFile(
      folder, "b", [](config::Fields& f) { f.setText(Field::setup1_Text3, "60"); });
  const std::string missing = (folder.path() + "/missing.cfg").toStdString();
  const std::string noDevice = (folder.path() + "/no-device").toStdString();
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"diff", base, base}, cli::kSuccess},
      {{"diff", base, changed}, cli::kDifferent},
      {{"diff", missing, base}, cli::kTrouble},
      {{"diff", base, missing}, cli::kTrouble},
      {{"diff", base, "--port", noDevice}, cli::kTrouble},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[2]);
    EXPECT_EQ(run(c.args).status, c.status);
  }
  // A report that cannot be written is no answer: a standard output with room for 4 bytes.
  char room[4];
  std::FILE* out = fmemopen(room, sizeof room, "w");
  std::setvbuf(out, nullptr, _IONBF, 0);
  char* said = nullptr;
  size_t saidSize = 0;
  std::FILE* err = open_memstream(&said, &saidSize);
  // Wherever the command stands among the options.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"gpstracking-cli", "diff", base, changed},
        std::vector<std::string>{"gpstracking-cli", "--json", "diff", base, changed}}) {
    SCOPED_TRACE(args[1]);
    std::rewind(out);
    EXPECT_EQ(cli::runCommand(args, out, err), cli::kTrouble);
  }
  std::fclose(out);
  std::fclose(err);
  std::free(said);
}

const char* const kLog =
    "\"15/03/24\",\"07:58:30\",\"5130.0000\",\"N\",\"00007.5000\",\"W\",\"012.0\",\"075.0\"\r\n"
    "\"15/03/24\",\"07:59:00\",\"3345.1234\",\"S\",\"15112.3456\",\"E\",\"003.5\",\"120.0\"\r\n"
    ",\"07:59:30\",\"3345.1234\",,\"15112.3456\",,\"000.0\",\"000.0\"\r\n"
    "\"15/03/24\",\"07:59:30\",\"4045.0000\",\"N\",\"07400.6000\",\"W\",\"000.0\",\"000.0\"\r\n";
// Each position with the log line's date and time (UTC) and its two values.
const char* const kLogPoints =
    "51.500000 -0.125000 2024-03-15T07:58:30Z 12.0 75.0\n"
    "-33.752057 151.205760 2024-03-15T07:59:00Z 3.5 120.0\n"
    "40.750000 -74.010000 2024-03-15T07:59:30Z 0.0 0.0\n";

std::string tableFile(const QTemporaryDir& folder) {
  loctable::CellStore cells;
  cells.setCell(3, 1, "32.0851");
  cells.setCell(3, 2, "115.5");
  cells.setCell(7, 1, "51.4");
  cells.setCell(7, 2, "255");  // half an entry holds no location
  cells.setCell(99, 1, "0.5");
  cells.setCell(99, 2, "7.25");
  const std::string path = (folder.path() + "/table.txt").toStdString();
  writeText(path, loctable::tableText(cells));
  return path;
}
const char* const kTablePoints = "32.085100 115.500000 3\n0.500000 7.250000 99\n";

std::string readBack(const std::string& format, const std::string& path) {
  const std::string command =
      "/usr/bin/python3 " SOURCE_DIR "/tests/cli/read_export.py " + format + " '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return text;
}

TEST(CliExport, StandardReadersFindEveryPosition) {
  QTemporaryDir folder;
  const std::string log = (folder.path() + "/log.csv").toStdString();
  writeText(log, kLog);
  const std::string table = tableFile(folder);
  for (const std::string format : {"gpx", "kml", "geojson"}) {
    for (const auto& [input, points] : {std::pair{log, kLogPoints}, {table, kTablePoints}}) {
      SCOPED_TRACE(format + " of " + input);
      const std::string out =
          (folder.path() + "/out." + QString::fromStdString(format)).toStdString();
      const CliRun result = run({"export", input, "--" + format, "-o", out});
      EXPECT_EQ(result.status, 0) << result.err;
      EXPECT_EQ(readBack(format, out), points);
    }
  }
  EXPECT_NE(run({"export", log, "--gpx"}).err.find("1 lines without a position skipped"),
            std::string::npos);
  EXPECT_EQ(run({"export", log}).status, cli::kUsage);
}

// RFC 7946 and KML give a LineString two positions at least: a track of one is a Point with its
// time and values, and a track of none is refused, as plot refuses it.
TEST(CliExport, OnePositionIsAPointAndNoneIsRefused) {
  QTemporaryDir folder;
  const std::string log = (folder.path() + "/log.csv").toStdString();
  const std::string out = (folder.path() + "/out.geojson").toStdString();
  const std::string first = std::string(kLog).substr(0, std::string(kLog).find('\n') + 1);
  writeText(log, first);
  ASSERT_EQ(run({"export", log, "--geojson", "-o", out}).status, 0);
  EXPECT_NE(
      fileText(out).find("\"geometry\":{\"type\":\"Point\",\"coordinates\":[-0.125000,51.500000]}"),
      std::string::npos)
      << fileText(out);
  EXPECT_EQ(readBack("geojson", out), "51.500000 -0.125000 2024-03-15T07:58:30Z 12.0 75.0\n");
  const std::string kml = (folder.path() + "/out.kml").toStdString();
  ASSERT_EQ(run({"export", log, "--kml", "-o", kml}).status, 0);
  EXPECT_EQ(fileText(kml).find("<LineString>"), std::string::npos) << fileText(kml);
  EXPECT_EQ(readBack("kml", kml), "51.500000 -0.125000 2024-03-15T07:58:30Z 12.0 75.0\n");

  const std::string none = (folder.path() + "/none.geojson").toStdString();
  writeText(log, ",\"07:59:30\",\"3345.1234\",,\"15112.3456\",,\"000.0\",\"000.0\"\r\n");
  const CliRun refused = run({"export", log, "--geojson", "-o", none});
  EXPECT_EQ(refused.status, cli::kFailure);
  EXPECT_EQ(refused.err,
            log + ": 1 lines without a position skipped\n" + log + ": no position to export\n");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(none)));
}

// Positions no reader could use are never exported: they are skipped, or kept without their
// time, and counted in the warning.
TEST(CliExport, ImpossibleValuesNeverReachTheExport) {
  QTemporaryDir folder;
  const std::string log = (folder.path() + "/log.csv").toStdString();
  auto line = [](const char* date, const char* time, const char* latitude) {
    return "\"" + std::string(date) + "\",\"" + time + "\",\"" + latitude +
           "\",\"N\",\"00007.5000\",\"W\",\"0\",\"0\"\r\n";
  };
  writeText(
      log,
      line("15/03/24", "07:58:30", "5130.0000") +      // good
          line("15/03/24", "07:58:31", "nan") +        // no position
          line("15/03/24", "07:58:32", "-nan") +       // no position
          line("15/03/24", "07:58:33", "9100.0000") +  // beyond the pole
          line("31/02/24", "12:00:00", "5130.0000") +  // no such day
          line("29/02/23", "12:00:00", "5130.0000") +  // no leap year
          line("15/03/24", "12:-5:-1", "5130.0000") +  // no such time
          line("15/03/24", "12:05:60", "5130.0000") +  // no such second
          line("29/02/24", "23:59:59", "5130.0000") +  // a leap day
          // Its last field longer than any line of the unit's: skipped unread, though it is good.
          line("15/03/24", "07:58:30", "5130.0000").insert(60, 2000, '1'));
  const CliRun gpx = run({"export", log, "--gpx"});
  EXPECT_EQ(gpx.status, 0);
  EXPECT_EQ(gpx.err, log +
                         ": 4 lines without a position skipped, 4 positions kept without "
                         "their time\n");
  EXPECT_EQ(std::count(gpx.out.begin(), gpx.out.end(), '\n') - 8, 6) << gpx.out;
  const std::regex time("<time>([^<]*)</time>");
  std::string times;
  for (auto it = std::sregex_iterator(gpx.out.begin(), gpx.out.end(), time);
       it != std::sregex_iterator(); ++it) {
    times += (*it)[1].str() + " ";
  }
  EXPECT_EQ(times, "2024-03-15T07:58:30Z 2024-02-29T23:59:59Z ");

  // A table cell means for the export what it means for write-table: its numeric reading.
  loctable::CellStore cells;
  cells.setCell(3, 1, "+12.5");
  cells.setCell(3, 2, " 7 ");
  cells.setCell(4, 1, "nan");
  cells.setCell(4, 2, "1");
  cells.setCell(5, 1, "1");
  cells.setCell(5, 2, "inf");
  const std::string table = (folder.path() + "/table.txt").toStdString();
  writeText(table, loctable::tableText(cells));
  const std::string out = (folder.path() + "/table.geojson").toStdString();
  EXPECT_EQ(run({"export", table, "--geojson", "-o", out}).status, 0);
  EXPECT_EQ(readBack("geojson", out), "12.500000 7.000000 3\n");
}

// Every refusal of an input file says why.
TEST(CliInputs, RefusalsSayWhy) {
  QTemporaryDir folder;
  const std::string path = folder.path().toStdString();
  const std::string good = config::configurationText(test::sampleFields());
  writeText(path + "/large.cfg", good + std::string(records::kMaxFileBytes, '\n'));
  writeText(path + "/short.cfg", good.substr(0, good.find("\r\n") + 2));
  std::string badIndex = good;
  const size_t second = badIndex.find("\r\n") + 2;
  badIndex.replace(second, badIndex.find("\r\n", second) - second, "x");
  writeText(path + "/index.cfg", badIndex);
  // Base phone number 1 (line 3) with 20 characters, 4 more than its field takes.
  std::string cut = good;
  const size_t third = cut.find("\r\n", second) + 2;
  cut.replace(third, cut.find("\r\n", third) - third, "\"+2782000000000000001\"");
  writeText(path + "/cut.cfg", cut);
  writeText(path + "/good.cfg", good);
  writeText(path + "/short.tbl", "\"0\",\"1.5\",\"2.5\"\r\n\"1\",\"3.5\"\r\n");
  const std::string cutSaid = path +
                              "/cut.cfg: nothing sent: Configuration / Base phone number 1 = "
                              "\"+278200000000000\": the file's text of 20 characters was cut to "
                              "16 on loading (allowed: at most 16 characters)\n";
  writeText(path + "/binary.csv", std::string(kLog) + std::string("\0\1\2", 3));
  ASSERT_EQ(::mkfifo((path + "/fifo").c_str(), 0600), 0);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"check", path + "/none.cfg"},
       "gpstracking-cli: cannot read " + path + "/none.cfg: No such file or directory\n"},
      {{"check", path}, "gpstracking-cli: cannot read " + path + ": not a regular file\n"},
      {{"write-table", path + "/fifo", "--port", "COM1"},
       "gpstracking-cli: cannot read " + path + "/fifo: not a regular file\n"},
      {{"check", path + "/large.cfg"},
       "gpstracking-cli: cannot read " + path + "/large.cfg: larger than 1 MiB\n"},
      {{"check", path + "/short.cfg"},
       path + "/short.cfg: Error loading file (the file ends after 1 of 71 records, the last on "
              "line 1)\n"},
      {{"diff", path + "/index.cfg", path + "/short.cfg"},
       path + "/index.cfg: Error loading file (line 2: \"x\" is no item of Configuration / "
              "Enabled by)\n"},
      {{"write-table", path + "/short.tbl", "--port", "COM1"},
       path + "/short.tbl: Error loading file (the file ends after 5 of 300 fields)\n"},
      {{"export", path + "/binary.csv", "--kml"},
       path + "/binary.csv: not valid text (line 5 holds a NUL byte)\n"},
      // What a unit gets is what the file says, or nothing.
      {{"write-config", path + "/cut.cfg", "--port", "COM1"}, cutSaid},
      {{"provision", path + "/cut.cfg", "--values", path + "/none.csv"}, cutSaid},
      {{"provision", path + "/good.cfg", "--values", path + "/none.csv", "-o", path + "/none"},
       "gpstracking-cli: cannot keep the units' files in " + path + "/none: no such folder\n"},
      {{"plot", path + "/none.csv", "-o", path + "/none.svg"},
       "gpstracking-cli: cannot read " + path + "/none.csv: No such file or directory\n"},
  };
  for (const auto& [args, said] : cases) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const CliRun result = run(args);
    // diff answers as diff(1) does: 2 for a file it cannot read.
    EXPECT_EQ(result.status, args[0] == "diff" ? cli::kTrouble : cli::kFailure);
    EXPECT_EQ(result.err, said);
  }
}

TEST(CliPlot, DrawsTheTrackWithItsEndsScaleAndNearbyLocations) {
  QTemporaryDir folder;
  std::string log;
  // A drive of about 2 km north-east, and one location beside it.
  for (int i = 0; i <= 20; ++i) {
    char line[128];
    std::snprintf(
        line, sizeof line,
        "\"15/03/24\",\"08:%02d:00\",\"5130.%04d\",\"N\",\"00007.%04d\",\"W\",\"0\",\"0\"\r\n", i,
        i * 300, 5000 - i * 200);
    log += line;
  }
  const std::string logPath = (folder.path() + "/log.csv").toStdString();
  writeText(logPath, log);
  loctable::CellStore cells;
  cells.setCell(5, 1, "51.5050");
  cells.setCell(5, 2, "0.12");  // the table holds no hemisphere: drawn where the log is, W
  const std::string tablePath = (folder.path() + "/table.txt").toStdString();
  writeText(tablePath, loctable::tableText(cells));

  const std::string svg = (folder.path() + "/track.svg").toStdString();
  const CliRun inside = run({"plot", logPath, "--table", tablePath, "-o", svg});
  ASSERT_EQ(inside.status, 0);
  EXPECT_EQ(inside.err, "");
  const std::string picture = fileText(svg);
  EXPECT_NE(picture.find("class=\"location\""), std::string::npos);
  const size_t points = picture.find("points=\"");
  ASSERT_NE(points, std::string::npos);
  const std::string list = picture.substr(points, picture.find('"', points + 8) - points);
  EXPECT_EQ(std::count(list.begin(), list.end(), ' '), 20);  // 21 points
  EXPECT_NE(picture.find(">Start<"), std::string::npos);
  EXPECT_NE(picture.find(">End<"), std::string::npos);
  EXPECT_TRUE(std::regex_search(picture, std::regex(">[125]0* k?m<"))) << picture;
  // A location a degree away lies outside the picture, and is counted.
  cells.setCell(5, 1, "52.5050");
  writeText(tablePath, loctable::tableText(cells));
  const CliRun outside = run({"plot", logPath, "--table", tablePath, "-o", svg});
  ASSERT_EQ(outside.status, 0);
  EXPECT_EQ(outside.err, tablePath + ": 1 of 1 table locations fall outside the picture\n");
  EXPECT_EQ(fileText(svg).find("class=\"location\""), std::string::npos);

  const std::string png = (folder.path() + "/track.png").toStdString();
  ASSERT_EQ(run({"plot", logPath, "-o", png}).status, 0);
  const QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(1000, 750));
  int track = 0, start = 0, end = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      track += pixel == QColor("#1f5fbf").rgb();
      start += pixel == QColor("#10a010").rgb();
      end += pixel == QColor("#c01010").rgb();
    }
  }
  EXPECT_GT(track, 400);  // the pixels the 2-pixel line covers whole; its edges are blended
  EXPECT_GT(start, 50);
  EXPECT_GT(end, 50);
}

// The paced unit times each character by the speed the PC has set on the terminal, read afresh
// for every character.
TEST(PacedUnit, CharacterTimeFollowsTheSpeedThePcSets) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  sim::LinePacing pacing(slave);
  const std::pair<speed_t, long long> cases[] = {
      {B9600, 1041666}, {B38400, 260416}, {B1200, 8333333}, {B115200, 86805}};
  for (const auto& [speed, nanoseconds] : cases) {
    termios settings{};
    ASSERT_EQ(tcgetattr(slave, &settings), 0);
    cfsetospeed(&settings, speed);
    cfsetispeed(&settings, speed);
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &settings), 0);
    EXPECT_EQ(pacing.characterTime().count(), nanoseconds) << nanoseconds;
  }
  close(slave);
  close(master);
}

// Paced, the unit reads the PC's character at once but answers it only as a real line would
// let it: the character is whole one character time after it was read, the answer one more
// after that; and characters read together are booked one character time apart.
TEST(PacedUnit, AnswersNoSoonerThanTheLineCarriesQuestionAndAnswer) {
  using Clock = sim::LinePacing::Clock;
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  for (const speed_t speed : {B9600, B38400}) {
    termios settings{};
    ASSERT_EQ(tcgetattr(slave, &settings), 0);
    cfsetospeed(&settings, speed);
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &settings), 0);
    sim::LinePacing pacing(slave);
    const auto character = pacing.characterTime();

    const Clock::time_point read = Clock::now();
    const Clock::time_point whole = pacing.taken();
    EXPECT_GE(whole - read, character);
    EXPECT_EQ(pacing.taken() - whole, character) << "a second character read at once";
    pacing.beforeSending();
    EXPECT_GE(Clock::now() - read, 3 * character) << "the answer to the second one";
  }
  close(slave);
  close(master);
}

// The data phase a benchmark reads from a paced unit's transcript: the acceptance and the
// unit's pause after it are not data, only the last operation counts.
TEST(PacedUnit, TranscriptDataPhaseStartsAtTheFirstDataCharacter) {
  const struct {
    const char* transcript;
    double seconds;
  } cases[] = {
      {"pc 4f 0.310\nunit 4f4b300d0a 0.311\naccept L 3.317\nunit 70 3.318\nunit 33 5.002\n"
       "pc 4e 5.003\nunit 38 5.004\npc 31 5.005\nend 5.005\n",
       0.003},
      {"accept U 1.000\nunit 70 1.001\nunit 46 1.060\npc 31 1.062\nend 1.062\n"
       "accept L 9.000\nunit 70 9.001\nunit 33 11.000\npc 31 11.500\nend 11.500\n",
       0.5},
      {"accept D 1.000\nunit 70 1.001\npc 3030 1.300\nend 1.300\n", 0},
      // A download's data is the PC's digits, from the first to the last.
      {"accept D 1.000\nunit 70 1.001\npc 30 1.010\npc 41 1.013\nunit 4f4b 1.020\nend 1.020\n",
       0.003},
      {"unit 4f 0.311\n", 0},
  };
  for (const auto& c : cases) {
    std::istringstream transcript(c.transcript);
    EXPECT_NEAR(sim::transcriptDataSeconds(transcript), c.seconds, 1e-9) << c.transcript;
  }
}

// Help where it is asked for, on standard output; a wrong command line in one line and the
// usage, on the error stream, with status 2.
TEST(CliManners, HelpAndWrongCommandLines) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // its beginning
    std::string err;  // its beginning
  };
  const std::string usage = "usage: gpstracking-cli COMMAND";
  const std::string commands = "See 'gpstracking-cli help' for the commands.\n";
  const Case cases[] = {
      {{"help", "check"}, 0, "usage: gpstracking-cli check FILE\nLists every problem", ""},
      {{"check", "--help"}, 0, "usage: gpstracking-cli check FILE\n", ""},
      {{"read-log", "-h"}, 0, "usage: gpstracking-cli read-log [DIR] [OPTIONS]\n", ""},
      {{"help"}, 0, usage, ""},
      {{"help", "nonsense"}, 2, "", "gpstracking-cli: unknown command nonsense\n" + commands},
      {{"nonsense"}, 2, "", "gpstracking-cli: unknown command nonsense\n" + commands},
      {{}, 2, "", usage},
      {{"check", "--nonsense"},
       2,
       "",
       "gpstracking-cli: unknown option --nonsense\nSee 'gpstracking-cli help check' for its "
       "arguments and options.\n"},
      {{"read-log", "a", "b", "--port", "COM1"},
       2,
       "",
       "gpstracking-cli: read-log takes at most one folder\nSee 'gpstracking-cli help "
       "read-log' for its arguments and options.\n"},
      {{"read-log", "/nonexistent/folder", "--port", "COM1"},
       1,
       "",
       "gpstracking-cli: /nonexistent/folder: no such folder\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "" : c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
    const CliRun result = run(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(result.out.empty(), c.out.empty());
    EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
    EXPECT_EQ(result.err.empty(), c.err.empty());
  }
  // A unit command's usage carries the unit options.
  EXPECT_NE(run({"help", "write-table"}).out.find("--wake-limit"), std::string::npos);
}

// The wake limit counts the poll phase only: a unit that answers the first poll at once and
// then says nothing to the password is said to be just that, whatever the limit.
TEST(CliFleet, AUnitThatAnsweredThePollIsNeverSaidNotToAnswer) {
  for (const int wakeLimit : {1, 2, 10}) {
    SCOPED_TRACE(wakeLimit);
    cli::JobSetup setup{cli::Action::ReadConfig, "COM1", "1111", "", ""};
    setup.wakeLimit = std::chrono::seconds(wakeLimit);
    SimulatedJob job(setup);
    EXPECT_EQ(job.run().cause,
              "Invalid Password: the unit answered the poll, no answer to the password in 3 s: "
              "give the unit's password with --password");
  }
}

TEST(CliProgress, EachStageSaysWhereItIs) {
  const auto at = [](device::Stage stage) { return device::atStage(stage); };
  device::Progress polling = at(device::Stage::Polling);
  polling.polls = 1;
  device::Progress digits = device::dataPhase(736, device::Counting::Digits);
  digits.done = 184;
  device::Progress log = device::dataPhase(0, device::Counting::Characters);
  log.done = 380;
  log.positions = 1;
  const std::tuple<device::Progress, double, std::string> cases[] = {
      {polling, 0.4, "polling: 0 s, 1 poll"},
      {at(device::Stage::Acceptance), 2.5, "password check: 2 s"},
      {digits, 0.5, "184 of 736 digits"},
      {digits, 2.0, "184 of 736 digits, 92 digits/s, 6 s left"},
      {log, 4.0, "380 characters (1 position), 95 characters/s"},
  };
  for (const auto& [progress, seconds, words] : cases) {
    EXPECT_EQ(cli::progressWords(progress, seconds), words);
  }
}

}  // namespace

// The GPS log upload against the simulated unit, with virtual link ticks, into a temporary
// folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>

#include "device/log_upload.h"
#include "logfile/disk_log_folder.h"
#include "sim/log_operation.h"
#include "sim/rig.h"
#include "tests/child_process.h"
#include "window_rig.h"

namespace {

namespace fs = std::filesystem;
using testing_window::Indicator;
using words::Icon;
using words::Message;

std::string record(std::string time, std::string latitude, std::string longitude, char code,
                   std::string value1, std::string value2, std::string date) {
  return time + latitude + longitude + code + value1 + value2 + date;
}

// Six records whose lines are in the expected file: a first one with an invalid hemisphere
// code (no letters yet), the example of the record layout, the other codes, and a later
// invalid code (the letters of the record before).
const std::vector<std::string> kSixRecords = {
    record("060000", "51301234", "000075000", '7', "0000", "0000", "150324"),
    record("101530", "32045678", "035276543", '0', "0125", "2700", "120508"),
    record("235959", "33551234", "151123456", '1', "1004", "0899", "311299"),
    record("000001", "33552000", "151124000", '7', "0000", "3599", "010100"),
    record("123456", "40427760", "074003610", '2', "0483", "1805", "280224"),
    record("080910", "22541000", "043122000", '3', "9999", "0010", "290224"),
};

const logfile::LogStamp kStamp{"12/05/08", "10:15:30"};
const std::string kFileName = "12-05-08L_10.15.30.csv";

const Message kTimedOut{"Error GPS Data download !", "Invalid download !", Icon::Critical};
const Message kFailed{"Download ", "Error", Icon::Critical};
const Message kNothing{"No GPS locations to download !", "", Icon::Information};
Message saved(int records) {
  return {std::to_string(records) + " GPS locations Saved !", "Saved", Icon::Information};
}
// Saved, with `count` records left out ("1 damaged record was").
Message warning(int records, const std::string& count) {
  return {std::to_string(records) + " GPS locations Saved !\n" + count +
              " left out of the file: what arrived cannot be a GPS location (characters other "
              "than digits, or a record of the wrong length). Check the cable and upload again.",
          "Saved", Icon::Warning};
}
// Saved, the record cut short by "E" left out and said to have ended the log.
Message endedInsideRecord(int records) {
  Message box = warning(records, "1 damaged record was");
  box.text +=
      "\nThe log ended inside a record: it may be incomplete, the unit may hold more "
      "positions.";
  return box;
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string lines(const std::vector<std::string>& records) {
  std::string text;
  device::Hemisphere letters;
  for (const std::string& r : records) text += device::recordLine(r, letters);
  return text;
}

// What the PC answers to a whole log: 37 "N"s and a "1" per record, "N" and "1" after "E".
std::string acknowledgements(size_t records) {
  std::string text;
  for (size_t i = 0; i < records; ++i) text += std::string(37, 'N') + "1";
  return text + "N1";
}

// A folder whose one file keeps its lines in memory and answers each write as told.
struct MemoryFolder : device::LogFolder {
  std::function<bool()> writeOk = [] { return true; };
  std::string written;
  bool create(std::unique_ptr<device::LogSink>& file, std::string& name) override {
    name = "memory.csv";
    struct Sink : device::LogSink {
      explicit Sink(MemoryFolder& folder) : folder(folder) {}
      bool writeLine(std::string_view line) override {
        if (!folder.writeOk()) return false;
        folder.written += line;
        return true;
      }
      MemoryFolder& folder;
    };
    file = std::make_unique<Sink>(*this);
    return true;
  }
};

// An upload from a simulated unit into a temporary folder.
class LogUpload : public ::testing::Test {
 protected:
  LogUpload() : folder(fs::temp_directory_path() / ("log_upload_" + std::to_string(::getpid()))) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    disk = std::make_shared<logfile::DiskLogFolder>(folder.string(), "", [] { return kStamp; });
  }
  ~LogUpload() override { fs::remove_all(folder); }

  // Runs the whole exchange; returns the virtual ticks it took.
  int upload(std::shared_ptr<device::LogFolder> where = nullptr, int maxTicks = 600,
             std::function<void(int)> beforeTick = nullptr) {
    device::Transfer transfer = device::logUploadTransfer({where ? where : disk});
    return rig->run(rig->exchangeTask(device::kLogUpload, transfer), maxTicks,
                    std::move(beforeTick));
  }
  std::string file(const std::string& name = kFileName) { return contents(folder / name); }
  bool progressHidden() const {
    return !rig->face.visible(Indicator::Command11) && !rig->face.visible(Indicator::Label4) &&
           !rig->face.visible(Indicator::Label3);
  }
  bool progressWasShown() const {
    const auto& changes = rig->face.visibilityChanges;
    for (Indicator which : {Indicator::Command11, Indicator::Label4, Indicator::Label3}) {
      if (std::find(changes.begin(), changes.end(), std::pair{which, true}) == changes.end())
        return false;
    }
    return true;
  }

  // A new simulated unit with this log.
  sim::LogOperation& fresh(std::vector<std::string> records = kSixRecords) {
    rig = std::make_unique<testing_window::WindowRig>();
    return rig->unit.install<sim::LogOperation>('L', std::move(records));
  }

  fs::path folder;
  std::shared_ptr<logfile::DiskLogFolder> disk;
  std::unique_ptr<testing_window::WindowRig> rig;
};

// A record's reads one after the other: what the PC answers to each and what each makes of the
// record. Each step is a letter: "n" more to come and "N" goes back, "R" a record and no "N",
// "D" damaged and no "N", "E" the end mark and "N", "I" the end mark inside a record and "N".
TEST(LogRecordReader, AnswersAndOutcomesReadByRead) {
  const std::string& record = kSixRecords[1];
  const std::string arrival = device::reverseRecord(record);
  const std::vector<std::string> oneByOne = [&] {
    std::vector<std::string> pieces;
    for (const char c : arrival) pieces.emplace_back(1, c);
    return pieces;
  }();
  using Pieces = std::vector<std::string>;
  const struct {
    const char* name;
    Pieces pieces;
    std::string steps;
  } cases[] = {
      {"OneByOne", oneByOne, std::string(37, 'n') + "R"},
      {"SeveralPerRead", {arrival.substr(0, 30), arrival.substr(30, 7), arrival.substr(37)}, "nnR"},
      {"AllInOneRead", {arrival}, "R"},
      {"EndMark", {"E"}, "E"},
      {"EndMarkInsideARecord", {"1", "2", "E"}, "nnI"},
      {"EndMarkWithMoreIsNoEndMark", {"E1"}, "n"},
      {"ThirtyNine", {arrival.substr(0, 37), "12"}, "nD"},
      {"NoDigit", {arrival.substr(0, 37), "x"}, "nD"},
  };
  using O = device::LogRecordReader::Outcome;
  const std::map<char, device::LogRecordReader::Step> kSteps = {
      {'n', {O::Partial, true}},  {'R', {O::Record, false}},         {'D', {O::Damaged, false}},
      {'E', {O::EndOfLog, true}}, {'I', {O::EndInsideRecord, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.pieces.size(), c.steps.size());
    device::LogRecordReader reader;
    for (size_t k = 0; k < c.pieces.size(); ++k) {
      EXPECT_EQ(reader.take(c.pieces[k]), kSteps.at(c.steps[k])) << k;
    }
    if (c.steps.back() == 'R') {
      EXPECT_EQ(reader.record(), record);
    }
  }
}

TEST(LogFile, NameFromDateAndTime) {
  struct Case {
    logfile::LogStamp stamp;
    int attempt;
    const char* name;
  };
  const Case cases[] = {
      {{"06/12/2026", "19:47:13"}, 1, "06-12-2026L_19.47.13.csv"},
      {{"06/12/2026", "19:47:13"}, 2, "06-12-2026L_19.47.13_2.csv"},
      {{"06/12/2026", "19:47:13"}, 12, "06-12-2026L_19.47.13_12.csv"},
      {{"12/6/26", "7:47:13 PM"}, 1, "12-6-26L_7.47.13 PM.csv"},
      {{"2026-12-06", "19.47.13"}, 1, "2026-12-06L_19.47.13.csv"},
  };
  for (const Case& c : cases) EXPECT_EQ(logfile::logFileName(c.stamp, c.attempt), c.name);
  // The stamp of now is day/month/year and 24-hour time on every machine: names sort, and
  // carry no blank and no AM/PM.
  const logfile::LogStamp now = logfile::localLogStamp();
  EXPECT_TRUE(std::regex_match(now.date, std::regex(R"(\d\d/\d\d/\d{4})"))) << now.date;
  EXPECT_TRUE(std::regex_match(now.time, std::regex(R"(\d\d:\d\d:\d\d)"))) << now.time;
}

TEST_F(LogUpload, WholeFileIsByteForByteTheExpectedOne) {
  fresh();
  upload();
  EXPECT_EQ(file(), contents(LOG_UPLOAD_EXPECTED));
  EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{saved(6)});
  EXPECT_EQ(rig->unit.dataHeard(), acknowledgements(6));
  EXPECT_EQ(rig->face.counts, (std::vector<long long>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(rig->port.settingsHistory,
            (std::vector<device::LineSettings>{device::kSettings9600, device::kSettings38400}));
  EXPECT_FALSE(rig->port.isOpen());
  EXPECT_TRUE(progressWasShown());
  EXPECT_TRUE(progressHidden());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// Every way an upload can end: how it ended and what it counted, its message, the lines kept,
// what the unit heard, and the progress controls and the port afterwards. An "E" inside a
// record (a damaged character) ends the log as the unit's end mark does, but the upload says
// the record was lost and the log may go on.
TEST_F(LogUpload, Ends) {
  // The first 38 characters heard: the acknowledgements of a whole record.
  const std::string record1 = std::string(37, 'N') + "1";
  struct Case {
    const char* name;
    size_t records;   // of kSixRecords
    int silentAfter;  // characters, -1: never
    int cutRecord, cutAfter;
    int everyTicks;
    size_t cancelAt;  // the cancel button once this many positions are shown (0: never)
    device::Ending ending;
    long long damaged;
    bool insideRecord;
    std::vector<Message> shown;
    size_t linesKept;
    std::optional<std::string> heard;
  };
  using device::Ending;
  // clang-format off
  const Case cases[] = {
      {"EAtOnce",                      0, -1,         -1, 0,  0, 0, Ending::Finished,  0, false,
       {kNothing}, 0, "N1"},
      {"EAfterWholeRecords",           2, -1,         -1, 0,  0, 0, Ending::Finished,  0, false,
       {saved(2)}, 2, acknowledgements(2)},
      {"EInsideTheFirstRecord",        6, -1,          0, 1,  0, 0, Ending::Finished,  1, true,
       {endedInsideRecord(0)}, 0, "NN1"},
      {"EInsideALaterRecord",          6, -1,          2, 10, 0, 0, Ending::Finished,  1, true,
       {endedInsideRecord(2)}, 2, record1 + record1 + std::string(10, 'N') + "N1"},
      {"EWhereTheLastCharacterWasDue", 6, -1,          1, 37, 0, 0, Ending::Finished,  1, true,
       {endedInsideRecord(1)}, 1, record1 + std::string(37, 'N') + "N1"},
      {"SilenceMidRecord",             6, 2 * 38 + 5, -1, 0,  0, 0, Ending::TimedOut,  0, false,
       {kTimedOut}, 2, record1 + record1 + "NNNNN"},
      {"SilenceBetweenRecords",        6, 3 * 38,     -1, 0,  0, 0, Ending::TimedOut,  0, false,
       {kTimedOut}, 3, record1 + record1 + record1},
      {"CharacterEverySevenTicks",     2, -1,         -1, 0,  7, 0, Ending::Finished,  0, false,
       {saved(2)}, 2, acknowledgements(2)},
      {"CharacterEveryEightTicks",     6, -1,         -1, 0,  8, 0, Ending::TimedOut,  0, false,
       {kTimedOut}, 0, "N"},
      {"Cancel",                       6, -1,         -1, 0,  1, 3, Ending::Cancelled, 0, false,
       {}, 3, std::nullopt},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::LogOperation& op = fresh({kSixRecords.begin(), kSixRecords.begin() + c.records});
    rig->unit.knobs.silentAfter = c.silentAfter;
    op.faults.cutRecord = c.cutRecord;
    op.faults.cutAfter = c.cutAfter;
    op.faults.everyTicks = c.everyTicks;
    fs::remove(folder / kFileName);
    upload(nullptr, 3000, [&](int) {
      if (c.cancelAt > 0 && rig->face.counts.size() == c.cancelAt) rig->link.cancel();
    });
    EXPECT_FALSE(rig->link.busy());
    EXPECT_EQ(rig->result.ending, c.ending);
    EXPECT_EQ(rig->result.positions, static_cast<long long>(c.linesKept));
    EXPECT_EQ(rig->result.damaged, c.damaged);
    EXPECT_EQ(rig->result.endedInsideRecord, c.insideRecord);
    EXPECT_EQ(rig->face.boxes.shown, c.shown);
    ASSERT_TRUE(fs::exists(folder / kFileName));
    EXPECT_EQ(file(), lines({kSixRecords.begin(), kSixRecords.begin() + c.linesKept}));
    if (c.heard) {
      EXPECT_EQ(rig->unit.dataHeard(), *c.heard);
    }
    EXPECT_FALSE(rig->port.isOpen());
    EXPECT_TRUE(progressWasShown());
    EXPECT_TRUE(progressHidden());
  }
}

TEST_F(LogUpload, SilenceTimesOutAfterEightTicks) {
  fresh();
  const int whole = upload();
  fresh();
  rig->unit.knobs.silentAfter = 38 + 20;
  fs::remove(folder / kFileName);
  // The unit sends at a tick, so the whole log ends at the tick of its first character, and
  // the silence starts just before a tick: the eight-tick limit ends seven ticks later (a wait
  // of N ticks lasts N-1 to N seconds).
  EXPECT_EQ(upload(), whole + 7);
  EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{kTimedOut});
}

TEST_F(LogUpload, CancelKeepsTheFileAndClosesThePort) {
  fresh().faults.everyTicks = 1;
  bool portWasOpen = false;
  std::string heardAtCancel;
  upload(nullptr, 3000, [&](int) {
    if (rig->face.counts.size() == 3 && heardAtCancel.empty()) {
      portWasOpen = rig->port.isOpen();
      heardAtCancel = rig->unit.dataHeard();
      rig->link.cancel();  // Command11
    }
  });
  EXPECT_TRUE(portWasOpen);
  EXPECT_FALSE(rig->link.busy());
  EXPECT_FALSE(rig->port.isOpen());
  EXPECT_TRUE(rig->face.boxes.shown.empty());
  EXPECT_EQ(rig->unit.dataHeard(), heardAtCancel);
  EXPECT_EQ(file(), lines({kSixRecords.begin(), kSixRecords.begin() + 3}));
  EXPECT_TRUE(progressHidden());
}

// EXIT during an upload destroys the waiting transfer: the file is closed with its lines.
TEST_F(LogUpload, ExitDuringUploadKeepsTheLinesWritten) {
  fresh().faults.everyTicks = 1;
  upload(nullptr, 3000, [&](int) {
    if (rig->face.counts.size() == 2 && rig->link.busy()) rig->link.abort();
  });
  EXPECT_FALSE(rig->link.busy());
  EXPECT_FALSE(rig->port.isOpen());
  EXPECT_EQ(file(), lines({kSixRecords.begin(), kSixRecords.begin() + 2}));
}

// Label3 shows each record's number before its line is written.
TEST_F(LogUpload, CountIsShownBeforeEachLineIsWritten) {
  fresh();
  auto memory = std::make_shared<MemoryFolder>();
  std::vector<long long> shownAtWrite;
  memory->writeOk = [&] {
    shownAtWrite.push_back(rig->face.counts.empty() ? 0 : rig->face.counts.back());
    return true;
  };
  upload(memory);
  EXPECT_EQ(shownAtWrite, (std::vector<long long>{1, 2, 3, 4, 5, 6}));
}

TEST_F(LogUpload, TakenNameGetsTheFirstFreeSuffix) {
  struct Case {
    std::vector<std::string> existing;
    std::string expected;
  };
  const Case cases[] = {
      {{kFileName}, "12-05-08L_10.15.30_2.csv"},
      {{kFileName, "12-05-08L_10.15.30_2.csv"}, "12-05-08L_10.15.30_3.csv"},
      {{kFileName, "12-05-08L_10.15.30_3.csv"}, "12-05-08L_10.15.30_2.csv"},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& name : c.existing) std::ofstream(folder / name) << "earlier log\r\n";
    fresh({kSixRecords[1]});
    upload();
    EXPECT_EQ(file(c.expected), lines({kSixRecords[1]})) << c.expected;
    for (const auto& name : c.existing) EXPECT_EQ(file(name), "earlier log\r\n") << name;
    EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{saved(1)});
  }
}

// A file that cannot be created or written ends the upload with the error message, and the
// unit hears nothing more.
TEST_F(LogUpload, FileFailures) {
  auto failingAfter = [](int lines) {
    auto memory = std::make_shared<MemoryFolder>();
    memory->writeOk = [lines]() mutable { return lines-- > 0; };
    return memory;
  };
  struct Case {
    const char* name;
    std::shared_ptr<device::LogFolder> where;
    std::string heard;
  };
  const Case cases[] = {
      {"MissingFolder", std::make_shared<logfile::DiskLogFolder>((folder / "gone").string()), ""},
      {"FolderIsAFile", std::make_shared<logfile::DiskLogFolder>((folder / "file").string()), ""},
      {"FirstLineFails", failingAfter(0), std::string(37, 'N')},
      {"ThirdLineFails", failingAfter(2),
       acknowledgements(2).substr(0, 2 * 38) + std::string(37, 'N')},
  };
  std::ofstream(folder / "file") << "not a folder";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    upload(c.where);
    EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{kFailed});
    EXPECT_EQ(rig->unit.dataHeard(), c.heard);
    EXPECT_FALSE(rig->link.busy());
    EXPECT_FALSE(rig->port.isOpen());
    EXPECT_TRUE(progressHidden());
  }
}

// A unit that sends several characters per read still gives the right lines.
TEST_F(LogUpload, SeveralCharactersPerRead) {
  for (int perRead : {2, 3, 38}) {
    fresh().faults.perRead = perRead;
    fs::remove(folder / kFileName);
    upload();
    EXPECT_EQ(file(), contents(LOG_UPLOAD_EXPECTED)) << perRead;
    EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{saved(6)}) << perRead;
  }
}

// Counters are wide enough for any log: no end at 32767 records.
TEST_F(LogUpload, LogLongerThanSixteenBitCounts) {
  const auto log = sim::plausibleLog(33000);
  fresh(log);
  upload();
  EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{saved(33000)});
  EXPECT_EQ(rig->face.counts.back(), 33000);
  EXPECT_EQ(file(), lines(log));
}

// Anything but 38 digits cannot be a position: such a record never becomes a line (no character
// of it can break the file's quoting, no digit lands in the wrong field), the unit still gets its
// "1", and the final message counts the records left out, with the warning look. A record that
// stops short of 38 characters ends in the time-out; the whole records around it stay.
TEST_F(LogUpload, DamagedRecordsAreLeftOutAndCounted) {
  const std::string& a = kSixRecords[1];
  const std::string& b = kSixRecords[2];
  const auto damaged = [&a](size_t position, char c) {
    std::string record = a;
    record[position] = c;
    return record;
  };
  struct Case {
    const char* name;
    std::vector<std::string> log;
    int perRead;
    std::vector<std::string> kept;
    Message shown;
  };
  const Case cases[] = {
      {"CsvBreakers",
       {kSixRecords[0], damaged(10, '"'), b, damaged(0, ','), damaged(37, '\r'), damaged(20, '\n'),
        kSixRecords[4]},
       1,
       {kSixRecords[0], b, kSixRecords[4]},
       warning(3, "4 damaged records were")},
      {"LettersSignsAndBytesOfNoText",
       {damaged(23, 'A'), damaged(5, ' '), damaged(14, '-'), damaged(30, '.'), damaged(32, '\0'),
        damaged(1, '\xff'), kSixRecords[3]},
       1,
       {kSixRecords[3]},
       warning(1, "6 damaged records were")},
      {"NothingButNoise", {damaged(7, 'x')}, 1, {}, warning(0, "1 damaged record was")},
      {"HemisphereCodesThatAreDigits",
       {kSixRecords[0], kSixRecords[3]},
       1,
       {kSixRecords[0], kSixRecords[3]},
       saved(2)},
      {"ThirtyNineInOneRead", {a, a + "1", b}, 39, {a, b}, warning(2, "1 damaged record was")},
      {"TwoRecordsRunTogether", {a, a + b, b}, 76, {a, b}, warning(2, "1 damaged record was")},
      {"ThirtySevenInOneRead", {a, b.substr(1), a}, 38, {a}, kTimedOut},
      {"ThirtySevenOneByOne", {a, b.substr(1), a}, 1, {a}, kTimedOut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fresh(c.log).faults.perRead = c.perRead;
    fs::remove(folder / kFileName);
    upload(nullptr, 3000);
    EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{c.shown});
    EXPECT_EQ(file(), lines(c.kept));
    EXPECT_EQ(rig->face.counts.size(), c.kept.size());
    if (c.perRead == 1 && c.shown != kTimedOut) {
      EXPECT_EQ(rig->unit.dataHeard(), acknowledgements(c.log.size()));
    }
  }
}

// The unit hears "1" for a record only once its line is in the file: the file read at that
// moment holds every line acknowledged so far and the one being acknowledged.
TEST_F(LogUpload, EachLineIsInTheFileWhenTheUnitHearsItsOne) {
  struct WatchedLog : sim::LogOperation {
    using LogOperation::LogOperation;
    std::function<void(int)> onOne;
    void receive(sim::Unit& unit, char c) override {
      if (c == '1' && onOne) onOne(acknowledged());
      LogOperation::receive(unit, c);
    }
  };
  const std::vector<std::string> log = sim::plausibleLog(40);
  rig = std::make_unique<testing_window::WindowRig>();
  WatchedLog& op = rig->unit.install<WatchedLog>('L', log);
  int checked = 0;
  op.onOne = [&](int acknowledgedBefore) {
    const size_t lineCount = std::min(log.size(), static_cast<size_t>(acknowledgedBefore) + 1);
    EXPECT_EQ(file(), lines({log.begin(), log.begin() + static_cast<long>(lineCount)}))
        << "at the \"1\" for record " << acknowledgedBefore + 1;
    ++checked;
  };
  upload();
  EXPECT_EQ(checked, 41);  // each record's "1", and the end mark's
  EXPECT_EQ(rig->face.boxes.shown, std::vector<Message>{saved(40)});
}

// A disk that fills up in the middle of a line: the part of the line that got in is taken
// back, so the file ends in CR LF after its last whole line, and the upload ends as any failed
// write does. On a small tmpfs where the machine allows a mount (root), and always under a file
// size limit, which fails a write the same way.
TEST_F(LogUpload, FullDiskLeavesTheFileEndingAfterItsLastWholeLine) {
  constexpr size_t kRoom = 4096;  // one page of tmpfs
  const std::vector<std::string> log = sim::plausibleLog(200);
  size_t whole = 0, bytes = 0;
  while (bytes + lines({log[whole]}).size() <= kRoom) bytes += lines({log[whole++]}).size();
  ASSERT_LT(bytes, kRoom) << "the disk must fill up in the middle of a line";
  const std::string kept = lines({log.begin(), log.begin() + static_cast<long>(whole)});

  for (const bool tmpfs : {true, false}) {
    SCOPED_TRACE(tmpfs ? "tmpfs" : "file size limit");
    const fs::path disk = folder / (tmpfs ? "tmpfs" : "limited");
    fs::create_directories(disk);
    const testing_child::Child child = testing_child::inChild([&]() -> std::string {
      if (tmpfs) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=4k") != 0) {
          return std::string("skip: cannot mount a tmpfs here: ") + std::strerror(errno);
        }
      } else {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kRoom, kRoom};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return "skip: no file size limit";
      }
      fresh(log);
      upload(std::make_shared<logfile::DiskLogFolder>(disk.string(), "", [] { return kStamp; }));
      const Message shown = rig->face.boxes.shown.empty() ? Message{} : rig->face.boxes.shown[0];
      return shown.text + '\0' + rig->unit.dataHeard() + '\0' + contents(disk / kFileName);
    });
    ASSERT_TRUE(child.finished) << child.how;
    if (child.output.starts_with("skip: ")) {
      std::cout << "[  SKIPPED ] " << child.output << '\n';
      continue;
    }
    const size_t first = child.output.find('\0');
    const size_t second = child.output.find('\0', first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(child.output.substr(0, first), kFailed.text);
    EXPECT_EQ(child.output.substr(first + 1, second - first - 1),
              acknowledgements(whole).substr(0, 38 * whole) + std::string(37, 'N'));
    const std::string written = child.output.substr(second + 1);
    EXPECT_TRUE(written.ends_with("\r\n"));
    EXPECT_EQ(written, kept);
  }
}

TEST(PlausibleLog, RecordsFitTheLayout) {
  const auto log = sim::plausibleLog(2000);
  ASSERT_EQ(log.size(), 2000u);
  for (const std::string& r : log) {
    ASSERT_EQ(r.size(), 38u) << r;
    ASSERT_EQ(r.find_first_not_of("0123456789"), std::string::npos) << r;
    ASSERT_LE(r[23], '3') << r;
  }
}

}  // namespace

// Every transfer of the session both programs run, against a unit that turns hostile at some
// point of the exchange: random bytes, bytes above 127, NUL, a flood, silence, or gone from the
// line. Whatever the unit does, the exchange ends by itself within its time-outs, shows exactly
// one message of the transfer's own, hides its progress buttons, keeps the GPS log lines
// completed before the fault, and the next exchange with a unit that behaves works.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "config/field_store.h"
#include "device/log_upload.h"
#include "loctable/cell_store.h"
#include "logfile/disk_log_folder.h"
#include "session_rig.h"
#include "sim/config_operations.h"
#include "sim/log_operation.h"
#include "sim/table_operations.h"
#include "tests/config_samples.h"

namespace {

namespace fs = std::filesystem;
using sim::Act;
using sim::Stage;
using testing_window::Indicator;
using words::Icon;
using words::Message;

constexpr int kLogRecords = 20;
const Message kInvalidPassword{"Invalid Password", "Password Invalid !", Icon::Critical};

// One transfer: its operation, how much the unit sends in its data stage, and the messages it
// may end with (the first of them its failure).
struct Operation {
  const char* name;
  int code;
  int unitCharacters;  // what the well-behaved unit sends after its "p"
  std::vector<Message> endings;
};

const Operation kOperations[] = {
    {"ConfigUpload",
     device::kConfigUpload,
     736 + 4,
     {{"Error download !", "Invalid download !", Icon::Critical},
      {"Upload complete", "Upload", Icon::Information}}},
    {"ConfigDownload",
     device::kConfigDownload,
     2,
     {{"Error download !", "Invalid download !", Icon::Critical},
      {"Download succesful !", "Download", Icon::Information}}},
    {"LogUpload",
     device::kLogUpload,
     kLogRecords * 38 + 1,
     {{"Error GPS Data download !", "Invalid download !", Icon::Critical},
      {"Download ", "Error", Icon::Critical},
      {"No GPS locations to download !", "", Icon::Information}}},
    {"TableUpload",
     device::kTableUpload,
     1200,
     {{"Error upload !", "Invalid upload !", Icon::Critical},
      {"Upload succesful !", "Upload", Icon::Information}}},
    {"TableDownload",
     device::kTableDownload,
     1200,
     {{"Error download !", "Invalid download !", Icon::Critical},
      {"Download succesful !", "Download", Icon::Information}}},
};

// "n GPS locations Saved !", with the information look; or, when damaged records were left
// out, that line, a second one that counts them, and the warning look.
bool isSavedMessage(const Message& m) {
  const std::string tail = " GPS locations Saved !";
  const std::size_t lineEnd = m.text.find('\n');
  const std::string first = m.text.substr(0, lineEnd);
  const bool damaged = lineEnd != std::string::npos;
  return m.title == "Saved" && m.icon == (damaged ? Icon::Warning : Icon::Information) &&
         first.size() > tail.size() && first.ends_with(tail) &&
         first.find_first_not_of("0123456789") == first.size() - tail.size() &&
         (!damaged || m.text.find(" damaged record", lineEnd) != std::string::npos);
}

// An upload's failure box with a second line counting the damaged characters.
bool isDamagedMessage(const Message& m, const Message& failure) {
  return m.title == failure.title && m.icon == failure.icon &&
         m.text.starts_with(failure.text + "\n") &&
         m.text.find(" damaged character") != std::string::npos &&
         m.text.ends_with("Check the cable and upload again.");
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A unit with every operation, and the session both programs run over a configuration, a
// table and a log folder of its own.
struct Bench {
  config::FieldStore fields = test::sampleFields();
  loctable::CellStore table;
  fs::path folder = makeFolder();
  int uploads = 0;
  // Each GPS log its own file, a second apart.
  testing_window::SessionRig rig{
      {&fields, &table, std::make_shared<logfile::DiskLogFolder>(folder.string(), "", [this] {
         return logfile::LogStamp{"12/05/08", "10:15:0" + std::to_string(uploads++)};
       })}};
  std::shared_ptr<sim::ConfigMemory> memory = sim::installConfigOperations(rig.unit);
  std::vector<std::string> log = sim::plausibleLog(kLogRecords);

  Bench() {
    *memory = sim::plausibleConfiguration();
    sim::installTableOperations(rig.unit, sim::plausibleTable());
    rig.unit.install<sim::LogOperation>('L', log);
  }
  ~Bench() { fs::remove_all(folder); }

  static fs::path makeFolder() {
    char name[] = "/tmp/gpstracking-hostile-XXXXXX";
    return ::mkdtemp(name);
  }

  // The lines the first `records` records make.
  std::string logLines(size_t records) const {
    std::string text;
    device::Hemisphere letters;
    for (size_t i = 0; i < records && i < log.size(); ++i)
      text += device::recordLine(log[i], letters);
    return text;
  }
};

std::string actName(Act act) {
  const char* names[] = {"None", "Noise", "High", "Nul", "Flood", "Stop", "Vanish"};
  return names[static_cast<int>(act)];
}

struct HostileCase {
  const Operation* operation;
  Act act;
  Stage stage;
  int after;

  std::string name() const {
    return std::string(operation->name) + "_" + actName(act) + "_" +
           (stage == Stage::Password ? std::string("AtThePassword")
                                     : "After" + std::to_string(after));
  }
  friend void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name(); }
};

class HostileUnit : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileUnit, EndsWithAMessageOfItsOwnAndTheNextExchangeWorks) {
  const HostileCase& c = GetParam();
  const Operation& op = *c.operation;
  Bench bench;
  testing_window::SessionRig& rig = bench.rig;
  rig.unit.hostile.settings = {c.act, c.stage, c.after, 4096, 7};

  // Handshake (at most 6 ticks), then at most the longest time-outs of a transfer (8 ticks of
  // silence, then 5 for the version text), with room to spare; never more.
  const int ticks = rig.exchange(op.code, 1, 40);
  ASSERT_TRUE(rig.unit.hostile.turned());
  ASSERT_FALSE(rig.link.busy()) << "still running after " << ticks << " ticks";
  EXPECT_LE(ticks, 25);

  ASSERT_EQ(rig.face.boxes.shown.size(), 1u);
  const Message shown = rig.face.boxes.shown.front();
  std::vector<Message> allowed = op.endings;
  if (c.stage == Stage::Password) allowed.push_back(kInvalidPassword);
  const bool upload = op.code == device::kConfigUpload || op.code == device::kTableUpload;
  const bool known = std::find(allowed.begin(), allowed.end(), shown) != allowed.end() ||
                     (op.code == device::kLogUpload && isSavedMessage(shown)) ||
                     (upload && isDamagedMessage(shown, op.endings.front()));
  EXPECT_TRUE(known) << shown.text << " / " << shown.title;
  // Noise in an upload's data is never called a success, and a configuration that arrived
  // garbled changes no field.
  const bool noise = c.act == Act::Noise || c.act == Act::High || c.act == Act::Nul;
  if (upload && noise && c.stage == Stage::Data) {
    EXPECT_FALSE(rig.result.finished());
    if (op.code == device::kConfigUpload) {
      EXPECT_EQ(bench.fields.versionText(), test::sampleFields().versionText());
    }
  }
  // A unit that falls silent or leaves the line mid-transfer fails the transfer.
  const bool cutOff = c.act == Act::Stop || c.act == Act::Vanish;
  if (cutOff && c.stage == Stage::Data) {
    EXPECT_EQ(shown, op.endings.front());
  }
  if (cutOff && c.stage == Stage::Password) {
    EXPECT_EQ(shown, kInvalidPassword);
  }
  // A refused password starts no transfer: no GPS log file is made.
  if (shown == kInvalidPassword) {
    EXPECT_TRUE(fs::is_empty(bench.folder));
  }
  for (const auto& [indicator, visible] : rig.face.shown) {
    EXPECT_FALSE(visible) << "indicator " << static_cast<int>(indicator) << " left shown";
  }
  EXPECT_FALSE(rig.port.isOpen());

  if (op.code == device::kLogUpload && c.stage == Stage::Data) {
    // Every record completed before the fault is in the file, whole and in order.
    std::vector<fs::path> files(fs::directory_iterator(bench.folder), fs::directory_iterator());
    ASSERT_EQ(files.size(), 1u);
    const std::string data = readFile(files.front());
    const std::string kept = bench.logLines(static_cast<size_t>(c.after) / 38);
    EXPECT_EQ(data.substr(0, kept.size()), kept);
    if (cutOff) {
      EXPECT_EQ(data, kept);
    }
  }

  // The unit is switched off and on again; the program answers as if nothing had happened.
  rig.unit.restart();
  rig.face.boxes.shown.clear();
  rig.exchange(op.code, 1, 40);
  ASSERT_FALSE(rig.link.busy());
  ASSERT_EQ(rig.face.boxes.shown.size(), 1u);
  const Message second = rig.face.boxes.shown.front();
  if (op.code == device::kLogUpload) {
    EXPECT_EQ(second.text, std::to_string(kLogRecords) + " GPS locations Saved !");
  } else {
    EXPECT_EQ(second, op.endings.back());
  }
}

std::vector<HostileCase> allCases() {
  std::vector<HostileCase> cases;
  for (const Operation& op : kOperations) {
    // At the first character of the data, in its middle, and at its last character.
    const std::set<int> points = {0, op.unitCharacters / 2, op.unitCharacters - 1};
    for (const Act act : {Act::Noise, Act::High, Act::Nul, Act::Flood, Act::Stop, Act::Vanish}) {
      cases.push_back({&op, act, Stage::Password, 0});
      for (const int after : points) cases.push_back({&op, act, Stage::Data, after});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Transfers, HostileUnit, ::testing::ValuesIn(allCases()),
                         [](const auto& info) { return info.param.name(); });

// A unit that turns hostile while it is being woken keeps the program polling, one "O" a
// tick, until the user cancels; nothing is shown, and the next exchange works.
TEST(HostileUnitAtWakeUp, KeepsThePollGoingUntilCancelled) {
  for (const Act act : {Act::Noise, Act::High, Act::Nul, Act::Flood, Act::Stop}) {
    for (const int after : {0, 3}) {
      SCOPED_TRACE(actName(act) + " after " + std::to_string(after));
      Bench bench;
      testing_window::SessionRig& rig = bench.rig;
      rig.unit.hostile.settings = {act, Stage::Wake, after, 4096, 7};
      rig.run(device::kLogUpload, 40, [&rig](int tick) {
        if (tick == 20) rig.link.cancel();
      });
      EXPECT_TRUE(rig.unit.hostile.turned());
      EXPECT_FALSE(rig.link.busy());
      EXPECT_TRUE(rig.face.boxes.shown.empty());
      EXPECT_GE(rig.unit.polls(), 19);
      EXPECT_FALSE(rig.port.isOpen());

      rig.unit.restart();
      rig.exchange(device::kLogUpload, 1, 40);
      ASSERT_EQ(rig.face.boxes.shown.size(), 1u);
      EXPECT_EQ(rig.face.boxes.shown.front().text,
                std::to_string(kLogRecords) + " GPS locations Saved !");
    }
  }
}

// The silence limit of an upload counts seconds without a character, not the seconds of the
// whole transfer: a slow unit whose data spans far more than 8 ticks, with something in every
// one of them, is read to the end.
TEST(SlowUnit, AnUploadSpanningManyTicksCompletes) {
  for (const Operation& op : kOperations) {
    if (op.code != device::kConfigUpload && op.code != device::kTableUpload) continue;
    SCOPED_TRACE(op.name);
    Bench bench;
    testing_window::SessionRig& rig = bench.rig;
    rig.unit.knobs.dataPerTick = 25;
    int operatingFrom = -1;
    const int ticks = rig.run(op.code, 200, [&](int tick) {
      if (operatingFrom < 0 && rig.unit.operating()) operatingFrom = tick;
    });
    EXPECT_GT(ticks - operatingFrom, 3 * 8);
    EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{op.endings.back()});
    if (op.code == device::kConfigUpload) {
      for (int i = 0; i < config::kUploadedBytes; ++i)
        ASSERT_EQ(rig.session.image().at(i), bench.memory->image[static_cast<size_t>(i)]) << i;
    } else {
      EXPECT_EQ(bench.table.cell(0, 1), "32.0851");
      EXPECT_EQ(bench.table.cell(9, 2), "149.0744");
    }
  }
}

// What each transfer reports for the status line: one poll, the two password stages, then its
// data counted up to the whole; the GPS log its positions and file. The result ends with the
// same counts.
TEST(Progress, EachTransferCountsItsDataUpToTheWhole) {
  struct Expected {
    int code;
    long long total;  // also the last count
    device::Counting counting;
  };
  const Expected expected[] = {
      {device::kConfigUpload, 736, device::Counting::Digits},
      {device::kConfigDownload, 738, device::Counting::Digits},
      {device::kLogUpload, 0, device::Counting::Characters},
      {device::kTableUpload, 1200, device::Counting::Digits},
      {device::kTableDownload, 1200, device::Counting::Bytes},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.code);
    Bench bench;
    testing_window::SessionRig& rig = bench.rig;
    rig.exchange(e.code, 1, 40);
    const std::vector<device::Progress>& reports = rig.reports;
    ASSERT_GE(reports.size(), 4u);
    EXPECT_EQ(reports[0].stage, device::Stage::Polling);
    EXPECT_EQ(reports[0].polls, 1);
    EXPECT_FALSE(reports[0].portLost);
    EXPECT_EQ(reports[1].stage, device::Stage::Password);
    EXPECT_EQ(reports[2].stage, device::Stage::Acceptance);
    long long done = 0;
    for (size_t i = 3; i < reports.size(); ++i) {
      ASSERT_EQ(reports[i].stage, device::Stage::Data);
      EXPECT_EQ(reports[i].total, e.total);
      EXPECT_EQ(reports[i].counting, e.counting);
      EXPECT_GE(reports[i].done, done);
      done = reports[i].done;
    }
    const device::Progress& last = reports.back();
    if (e.code == device::kLogUpload) {
      EXPECT_EQ(last.done, kLogRecords * 38 + 1);
      EXPECT_EQ(last.positions, kLogRecords);
      EXPECT_EQ(last.file, (bench.folder / "12-05-08L_10.15.00.csv").string());
    } else {
      EXPECT_EQ(last.done, e.total);
      EXPECT_EQ(last.positions, -1);
    }
    EXPECT_EQ(rig.result.ending, device::Ending::Finished);
    EXPECT_EQ(rig.result.moved, last.done);
    EXPECT_EQ(rig.result.counting, e.counting);
    EXPECT_EQ(rig.result.file, last.file);
  }
}

}  // namespace

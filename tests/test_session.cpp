// One session with the unit as both programs run it: what it refuses before the port is
// opened, the save of what an upload read, only when the upload finished, and its trace.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/field_store.h"
#include "config/field_table.h"
#include "loctable/cell_store.h"
#include "logfile/disk_log_folder.h"
#include "serial/com_ports.h"
#include "session/session.h"
#include "sim/config_operations.h"
#include "sim/log_operation.h"
#include "sim/sim_port.h"
#include "sim/table_operations.h"
#include "tests/config_samples.h"

namespace {

namespace fs = std::filesystem;

struct SessionBench {
  sim::Unit unit;
  sim::SimPort port{unit};
  config::FieldStore fields;
  loctable::CellStore cells;
  fs::path folder = temporaryFolder();
  session::Session session{
      port, {&fields, &cells, std::make_shared<logfile::DiskLogFolder>(folder.string())}, nullptr};
  std::optional<device::Result> ended;

  static fs::path temporaryFolder() {
    char name[] = "/tmp/gpstracking-session-XXXXXX";
    return ::mkdtemp(name);
  }

  SessionBench() {
    config::applyStartupValues(fields);
    *sim::installConfigOperations(unit) = sim::plausibleConfiguration();
    sim::installTableOperations(unit, sim::plausibleTable());
    session.onFinished(
        [this](const device::Result& result, std::exception_ptr) { ended = result; });
  }
  ~SessionBench() { fs::remove_all(folder); }

  device::Result run(int operation, std::string saveTo = {}, bool verify = false) {
    ended.reset();
    session.start({operation, serial::comDevicePath(1), std::move(saveTo), verify});
    for (int tick = 0; tick < 120 && session.busy(); ++tick) {
      unit.tick();
      session.link().timerTick();
    }
    EXPECT_TRUE(ended.has_value());
    return ended.value_or(device::Result{});
  }
};

TEST(Session, WhatCannotBeSentIsRefusedBeforeThePortOpens) {
  struct Case {
    const char* name;
    int operation;
    std::function<void(SessionBench&)> spoil;
  };
  const Case cases[] = {
      {"a configuration that fails its checks", device::kConfigDownload,
       [](SessionBench& b) { b.fields.setText(config::Field::setup1_Text9, "12"); }},
      {"a table cell the unit cannot hold", device::kTableDownload,
       [](SessionBench& b) { b.cells.setCell(0, 1, "north"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SessionBench bench;
    c.spoil(bench);
    const device::Result result = bench.run(c.operation);
    EXPECT_EQ(result.ending, device::Ending::Invalid);
    EXPECT_TRUE(!result.refusal.problems.empty() || result.refusal.cell);
    EXPECT_EQ(bench.port.opens, 0);
    EXPECT_EQ(bench.unit.heard(), "");
  }
}

TEST(Session, AnUploadIsSavedOnlyWhenItFinished) {
  struct Case {
    const char* name;
    int operation;
    bool silentMidway;
  };
  const Case cases[] = {
      {"configuration", device::kConfigUpload, false},
      {"configuration cut off", device::kConfigUpload, true},
      {"table", device::kTableUpload, false},
      {"table cut off", device::kTableUpload, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SessionBench bench;
    if (c.silentMidway) bench.unit.knobs.silentAfter = 100;
    const fs::path file = bench.folder / "read.txt";
    const device::Result result = bench.run(c.operation, file.string());
    EXPECT_EQ(result.finished(), !c.silentMidway);
    EXPECT_EQ(fs::exists(file), !c.silentMidway);
    EXPECT_EQ(result.file, c.silentMidway ? "" : file.string());
  }
}

// A download that gives the unit a new password is read back with that password: the unit
// takes no other once it holds the new configuration.
TEST(Session, TheReadBackSpeaksTheNewPassword) {
  SessionBench bench;
  config::copyFields(test::sampleFields(), bench.fields);
  bench.fields.setText(config::Field::setup1_Text9, "7391");
  bench.fields.setText(config::Field::setup1_Text14, "2468");
  bench.unit.knobs.takesDownloadedPassword = true;
  const device::Result written = bench.run(device::kConfigDownload, {}, true);
  ASSERT_TRUE(written.finished());
  ASSERT_EQ(bench.unit.knobs.password, "2468");
  const session::Session::ReadBack& proof = bench.session.readBack();
  EXPECT_TRUE(proof.ran);
  EXPECT_EQ(proof.result.ending, device::Ending::Finished);
  EXPECT_TRUE(proof.unconfirmed.empty());
}

// An exchange interrupted in its data (the cancel button, or the command line's Ctrl-C, which
// cancels the same way) leaves the unit in the middle of it; the unit gives it up after its
// silence and the next exchange, right after, gets through.
TEST(Session, TheUnitAnswersAgainAfterAnExchangeIsCancelledMidway) {
  for (int operation = 0; operation < device::kOperationCount; ++operation) {
    SCOPED_TRACE(operation);
    SessionBench bench;
    config::copyFields(test::sampleFields(), bench.fields);
    bench.unit.install<sim::LogOperation>('L', sim::plausibleLog(30));
    bench.session.onProgress([&](const device::Progress& report) {
      if (report.stage == device::Stage::Data && report.done >= 4) bench.session.link().cancel();
    });
    const device::Result cancelled = bench.run(operation);
    bench.session.onProgress(nullptr);
    ASSERT_EQ(cancelled.ending, device::Ending::Cancelled);
    ASSERT_EQ(cancelled.phase, device::Stage::Data);
    // The configuration download's stream runs to its last digit once started (only its pace
    // keeps the unit in step), so the cancel finds that unit done; the others are left midway.
    ASSERT_EQ(bench.unit.operating(), operation != device::kConfigDownload);
    const int polls = bench.unit.polls();
    EXPECT_TRUE(bench.run(operation).finished());
    EXPECT_GT(bench.unit.polls(), polls);
  }
}

// The data characters of one direction in a trace, a masked one as '*'.
std::string tracedData(const fs::path& trace, const std::string& who) {
  std::ifstream file(trace);
  std::string line, data;
  while (std::getline(file, line)) {
    std::istringstream words(line);
    std::string seconds, from, phase, value;
    words >> seconds >> from >> phase >> value;
    if (from != who || phase != "data") continue;
    data += value == "**" ? '*' : static_cast<char>(std::stoi(value, nullptr, 16));
  }
  return data;
}

std::string hexDigits(const std::string& text) {
  std::string digits;
  for (const unsigned char c : text) {
    static const char kDigits[] = "0123456789ABCDEF";
    digits += kDigits[c >> 4];
    digits += kDigits[c & 15];
  }
  return digits;
}

// A trace goes to support: no secret of a configuration can be read from its image's digits,
// going to the unit or coming from it, while the rest of the image can.
TEST(Trace, ShowsNoSecretOfAConfigurationImage) {
  SessionBench bench;
  config::copyFields(test::sampleFields(), bench.fields);
  using F = config::Field;
  const std::pair<F, std::string> secrets[] = {{F::setup1_Text14, "5283"},
                                               {F::setup1_Text19, "gprs-secret"},
                                               {F::setup3_Text4, "9081726354"},
                                               {F::setup3_Text25, "2468"}};
  for (const auto& [field, value] : secrets) bench.fields.setText(field, value);
  bench.fields.setText(F::setup1_Text21, "apn.example");
  bench.fields.setText(F::setup1_Text9, config::kInitialPassword);
  struct Case {
    const char* name;
    int operation;
    const char* from;
  };
  const Case cases[] = {{"download", device::kConfigDownload, "pc"},
                        {"upload", device::kConfigUpload, "unit"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path trace = bench.folder / (std::string(c.name) + ".trace");
    ASSERT_TRUE(bench.session.traceTo(trace.string()));
    ASSERT_EQ(bench.run(c.operation).ending, device::Ending::Finished);
    ASSERT_TRUE(bench.session.traceTo(""));
    const std::string data = tracedData(trace, c.from);
    for (const auto& [field, value] : secrets)
      EXPECT_EQ(data.find(hexDigits(value)), std::string::npos) << config::fieldCaption(field);
    EXPECT_NE(data.find(hexDigits("apn.example")), std::string::npos) << data;
  }
}

// A trace is a regular file of its own: what would hold the exchange, or is no file, is
// refused at once with the reason.
TEST(Trace, OnlyARegularFileIsATrace) {
  SessionBench bench;
  const fs::path fifo = bench.folder / "fifo", device = bench.folder / "zero",
                 kept = bench.folder / "kept.trace";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(kept) << "an earlier trace\n";
  // A device node of the test's own (as /dev/zero), when the test may make one.
  const bool node = ::geteuid() == 0 && ::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;
  struct Case {
    fs::path path;
    std::string refusal;  // empty: taken
  };
  std::vector<Case> cases = {
      {fifo, "it is a FIFO, not a regular file"},
      {bench.folder, "it is a folder"},
      {kept, ""},
      {bench.folder / "new.trace", ""},
  };
  if (node) cases.push_back({device, "it is a device, not a regular file"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string why;
    EXPECT_EQ(bench.session.traceTo(c.path.string(), &why), c.refusal.empty());
    EXPECT_EQ(why, c.refusal);
    EXPECT_EQ(bench.session.traceFailure(), "");
  }
  // A trace taken starts empty.
  ASSERT_TRUE(bench.session.traceTo(kept.string()));
  ASSERT_TRUE(bench.session.traceTo(""));
  EXPECT_EQ(fs::file_size(kept), 0u);
}

}  // namespace

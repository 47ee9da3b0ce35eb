// One session with the unit as both programs run it: what it refuses before the port is
// opened, and the save of what an upload read, only when the upload finished.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "config/field_store.h"
#include "config/field_table.h"
#include "link/com_ports.h"
#include "link/session.h"
#include "loctable/cell_store.h"
#include "logfile/disk_log_folder.h"
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
  device::Session session{
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
    session.start({operation, device::comDevicePath(1), std::move(saveTo), verify});
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
    EXPECT_FALSE(result.refusal.empty());
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
  const device::Session::ReadBack& proof = bench.session.readBack();
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

}  // namespace

// The GPS location table transfers against the simulated unit, with virtual link ticks.
#include <gtest/gtest.h>

#include "device/table_download.h"
#include "device/table_upload.h"
#include "loctable/cell_store.h"
#include "sim/rig.h"
#include "sim/table_operations.h"
#include "window_rig.h"

namespace {

using sim::CoordinateBytes;
using sim::TableEntry;
using testing_window::Indicator;
using words::Icon;
using words::Message;

const Message kUploadDone{"Upload succesful !", "Upload", Icon::Information};
const Message kUploadTimeOut{"Error upload !", "Invalid upload !", Icon::Critical};

// A table where every row differs, so a row that lands in the wrong place shows.
std::vector<TableEntry> distinctTable() {
  std::vector<TableEntry> entries(100);
  for (int n = 0; n < 100; ++n) {
    entries[n].latitude = {n, (n * 7) % 100, (n * 13) % 100};
    entries[n].longitude = {(n + 100) % 255, (n * 3) % 100, 99 - n % 100};
  }
  return entries;
}

std::string text(const CoordinateBytes& c) {
  if (c.whole == 255) return "255";
  auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return std::to_string(c.whole) + "." + two(c.first) + two(c.second);
}

struct Upload : ::testing::Test {
  testing_window::WindowRig rig;
  loctable::CellStore table;

  int run(int maxTicks = 600) {
    return rig.exchange(device::kTableUpload, device::tableUploadTransfer(&table), 1, maxTicks);
  }
};

struct CoordinateCase {
  CoordinateBytes bytes;
  std::string text;
};

TEST_F(Upload, CoordinateBytesBecomeTheirTexts) {
  const CoordinateCase cases[] = {
      {{32, 8, 51}, "32.0851"}, {{255, 0, 0}, "255"},        {{255, 99, 99}, "255"},
      {{255, 7, 200}, "255"},   {{5, 0, 7}, "5.0007"},       {{100, 10, 9}, "100.1009"},
      {{0, 0, 0}, "0.0000"},    {{254, 99, 99}, "254.9999"}, {{12, 150, 3}, "12.15003"},
      {{25, 50, 0}, "25.5000"},
  };
  std::vector<TableEntry> entries(100);
  for (size_t i = 0; i < std::size(cases); ++i) {
    entries[i].latitude = cases[i].bytes;
    entries[99 - i].longitude = cases[i].bytes;
  }
  rig.unit.install<sim::TableSend>('C', entries);
  table.setCell(50, 1, "12.5");
  table.setCell(50, 0, "id");
  run();
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kUploadDone});
  for (size_t i = 0; i < std::size(cases); ++i) {
    const int row = static_cast<int>(i);
    EXPECT_EQ(table.cell(row, 1), cases[i].text) << "row " << row;
    EXPECT_EQ(table.cell(99 - row, 2), cases[i].text) << "row " << 99 - row;
  }
  EXPECT_EQ(table.cell(50, 1), "255");
  EXPECT_EQ(table.cell(50, 0), "id");
  // One "N" after every character but the last, at 38400 baud; the progress button comes and
  // goes, and the exchange closes the port.
  EXPECT_EQ(rig.unit.dataHeard(), std::string(1199, 'N'));
  EXPECT_EQ(rig.port.settingsHistory,
            (std::vector<device::LineSettings>{device::kSettings9600, device::kSettings38400}));
  EXPECT_EQ(rig.face.visibilityChanges.back(), std::make_pair(Indicator::Command16, false));
  EXPECT_FALSE(rig.port.isOpen());
}

TEST_F(Upload, SilentUnitTimesOutKeepingTheRowsReceived) {
  // 600 characters are the first 50 rows; two more are the first byte of row 50.
  const auto entries = distinctTable();
  rig.unit.install<sim::TableSend>('C', entries);
  rig.unit.knobs.silentAfter = 602;
  for (int row = 50; row < 100; ++row) table.setCell(row, 2, "old");
  int silentSince = -1;
  const int ticks =
      rig.run(rig.exchangeTask(device::kTableUpload, device::tableUploadTransfer(&table)), 600,
              [&](int tick) {
                if (silentSince < 0 && rig.unit.dataHeard().size() == 602) silentSince = tick;
              });
  EXPECT_EQ(ticks - silentSince, 8);
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kUploadTimeOut});
  for (int row = 0; row < 50; ++row) {
    EXPECT_EQ(table.cell(row, 1), text(entries[row].latitude)) << "row " << row;
    EXPECT_EQ(table.cell(row, 2), text(entries[row].longitude)) << "row " << row;
  }
  // The coordinate being received shows its partial text; the rest is as it was.
  EXPECT_EQ(table.cell(50, 1), " 50.");
  for (int row = 50; row < 100; ++row) EXPECT_EQ(table.cell(row, 2), "old");
  EXPECT_FALSE(rig.face.visible(Indicator::Command16));
  EXPECT_FALSE(rig.port.isOpen());
}

// A character that is no upper-case hexadecimal digit is noise: the coordinate it falls in
// keeps its cell's text, even the bytes of it that came clean before; every other coordinate
// is written; the upload ends damaged with the count.
TEST_F(Upload, NoiseNeverReachesACell) {
  const auto entries = distinctTable();
  std::string digits = sim::tableDigits(entries);
  digits[6 * 4 + 3] = 'g';   // row 2's latitude, second byte
  digits[6 * 9 + 5] = '\0';  // row 4's longitude, third byte
  rig.unit.install<sim::TableSend>('C', digits);
  for (int row = 0; row < 100; ++row) {
    table.setCell(row, 1, "old");
    table.setCell(row, 2, "old");
  }
  run();
  EXPECT_EQ(rig.result.ending, device::Ending::Damaged);
  EXPECT_EQ(rig.result.damaged, 2);
  for (int row = 0; row < 100; ++row) {
    EXPECT_EQ(table.cell(row, 1), row == 2 ? "old" : text(entries[row].latitude)) << row;
    EXPECT_EQ(table.cell(row, 2), row == 4 ? "old" : text(entries[row].longitude)) << row;
  }
}

TEST_F(Upload, SecondCharacterOfOneReadIsDroppedAndTheUploadGoesOutOfStep) {
  const auto entries = distinctTable();
  auto& send = rig.unit.install<sim::TableSend>('C', entries);
  send.twoAt = 6;  // the first digit of row 0's longitude comes with the next one
  run();
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kUploadTimeOut});
  EXPECT_EQ(table.cell(0, 1), text(entries[0].latitude));
  EXPECT_NE(table.cell(0, 2), text(entries[0].longitude));
}

const Message kDownloadDone{"Download succesful !", "Download", Icon::Information};
const Message kDownloadTimeOut{"Error download !", "Invalid download !", Icon::Critical};

struct Download : ::testing::Test {
  testing_window::WindowRig rig;
  loctable::CellStore table;
  sim::TableReceive& unit = rig.unit.install<sim::TableReceive>('O');

  int run(int maxTicks = 600) {
    return rig.exchange(device::kTableDownload, device::tableDownloadTransfer(&table), 1, maxTicks);
  }
};

TEST_F(Download, UntouchedTableGoesOutAsEmptyMarkersThenPadding) {
  run();
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kDownloadDone});
  std::string expected;
  for (int i = 0; i < 200; ++i) expected += "FF0000";
  for (int i = 0; i < 200; ++i) expected += "000000";
  EXPECT_EQ(unit.characters(), expected);
  EXPECT_EQ(unit.bytes().size(), 1200u);
  // At 9600 baud throughout; the progress button comes and goes; the port is closed.
  EXPECT_EQ(rig.port.settingsHistory, std::vector<device::LineSettings>{device::kSettings9600});
  EXPECT_EQ(rig.face.visibilityChanges.back(), std::make_pair(Indicator::Command15, false));
  EXPECT_FALSE(rig.port.isOpen());
}

struct CellCase {
  std::string text;
  CoordinateBytes bytes;
};

// The transfer itself, run without the check before it: a text that is no number (one edited in
// while the table goes out) is sent as the empty marker, never as the number it starts with.
TEST_F(Download, CellTextsBecomeCoordinateBytes) {
  const CellCase cases[] = {
      {"32.0851", {32, 8, 51}},    {"115.5", {115, 50, 0}},
      {"255", {255, 0, 0}},        {"7", {7, 0, 0}},
      {"0.5", {0, 50, 0}},         {"32.99996", {32, 0, 0}},
      {"255.9999", {255, 99, 99}}, {"abc", {255, 0, 0}},
      {"", {255, 0, 0}},           {" 1 2.5", {255, 0, 0}},
      {"12,5", {255, 0, 0}},       {"0.0001", {0, 0, 1}},
      {"12.", {12, 0, 0}},         {"1.2.3", {255, 0, 0}},
      {"&H1F", {31, 0, 0}},        {"3.14159", {3, 14, 16}},
      {"0.00004", {0, 0, 0}},      {"99.99996", {99, 0, 0}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    table.setCell(static_cast<int>(i), 1, cases[i].text);
    table.setCell(99 - static_cast<int>(i), 2, cases[i].text);
  }
  run();
  ASSERT_EQ(rig.face.boxes.shown, std::vector<Message>{kDownloadDone});
  for (size_t i = 0; i < std::size(cases); ++i) {
    const int row = static_cast<int>(i);
    EXPECT_EQ(unit.coordinate(2 * row), cases[i].bytes) << '"' << cases[i].text << '"';
    EXPECT_EQ(unit.coordinate(2 * (99 - row) + 1), cases[i].bytes) << '"' << cases[i].text << '"';
  }
  // Upper-case hex, high digit first.
  EXPECT_EQ(unit.characters().substr(0, 12), "200833FF0000");
  EXPECT_EQ(unit.characters().substr(12, 6), "733200");
}

TEST_F(Download, OnlyOneUpperCaseNAloneAcknowledges) {
  for (const std::string answer : {"n", "N\r", "NN", ""}) {
    testing_window::WindowRig rig;
    loctable::CellStore table;
    rig.unit.install<sim::TableReceive>('O').answer = answer;
    rig.exchange(device::kTableDownload, device::tableDownloadTransfer(&table));
    EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kDownloadTimeOut}) << answer;
    EXPECT_EQ(rig.unit.dataHeard(), "FF") << answer;
    EXPECT_FALSE(rig.face.visible(Indicator::Command15));
    EXPECT_FALSE(rig.port.isOpen());
  }
}

TEST_F(Download, UnitThatStopsAnsweringEndsItEightTicksLaterAndNothingMoreIsSent) {
  // A unit that holds only the table's 600 bytes does not take the padding.
  rig.unit.knobs.silentAfter = 600;
  int lastAnswerTick = -1;
  const int ticks =
      rig.run(rig.exchangeTask(device::kTableDownload, device::tableDownloadTransfer(&table)), 600,
              [&](int tick) {
                if (lastAnswerTick < 0 && unit.bytes().size() == 601) {
                  lastAnswerTick = tick;
                }
              });
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kDownloadTimeOut});
  EXPECT_EQ(unit.bytes().size(), 601u);
  EXPECT_EQ(ticks - lastAnswerTick, 8);
}

struct RowCase {
  std::vector<std::pair<int, std::string>> cells;  // cell index, text
  std::optional<int> refusedRow;
  device::UnsendableCell::Reason reason = device::UnsendableCell::OutOfRange;
};

// What the numeric reading would quietly turn into another number is refused like a number
// outside the unit's range; the ID is never sent, so never looked at.
TEST(DownloadCheck, CellsTheUnitCannotHoldAreFoundBeforeSending) {
  using Reason = device::UnsendableCell::Reason;
  const RowCase cases[] = {
      {{}, std::nullopt},
      {{{3 * 7 + 1, "255.9999"}, {3 * 8 + 2, "0"}, {3 * 9 + 1, "-0"}}, std::nullopt},
      {{{3 * 7 + 1, " 32.5 "}, {3 * 8 + 2, "12."}, {3 * 9 + 1, ".5"}, {3 * 9 + 2, "&H1F"}},
       std::nullopt},
      {{{3 * 7 + 1, "-45.5"}, {3 * 9 + 2, "300"}}, 7},
      {{{3 * 9 + 2, "256"}}, 9},
      {{{3 * 0 + 2, "-0.0001"}}, 0},
      {{{3 * 99 + 2, "9E999"}}, 99},
      {{{3 * 42 + 0, "-5"}}, std::nullopt},
      {{{3 * 3 + 1, "abc"}, {3 * 9 + 2, "300"}}, 3, Reason::NotANumber},
      {{{3 * 4 + 2, "12,5"}}, 4, Reason::NotANumber},
      {{{3 * 5 + 1, "1.2.3"}}, 5, Reason::NotANumber},
      {{{3 * 6 + 1, "1 2"}}, 6, Reason::NotANumber},
      {{{3 * 6 + 2, ""}}, 6, Reason::NotANumber},
      {{{3 * 6 + 2, "1e"}}, 6, Reason::NotANumber},
      // The table's rules: a latitude within 90, a longitude within 180, whole degrees 255 for
      // no location, four decimals at most.
      {{{3 * 1 + 1, "90"}, {3 * 1 + 2, "180"}, {3 * 2 + 1, "255"}, {3 * 2 + 2, "12.3456"}},
       std::nullopt},
      {{{3 * 10 + 1, "90.0001"}}, 10},
      {{{3 * 11 + 2, "180.0001"}}, 11},
      {{{3 * 12 + 1, "120"}, {3 * 12 + 2, "120"}}, 12},
      {{{3 * 13 + 2, "254.9999"}}, 13},
      {{{3 * 14 + 1, "12.34567"}}, 14, Reason::TooPrecise},
  };
  for (const RowCase& c : cases) {
    loctable::CellStore table;
    for (const auto& [index, text] : c.cells) table.setCell(index, text);
    const std::optional<device::UnsendableCell> found = device::firstUnsendableCell(table);
    ASSERT_EQ(found.has_value(), c.refusedRow.has_value()) << c.cells.front().second;
    if (!found) continue;
    EXPECT_EQ(found->row, *c.refusedRow);
    EXPECT_EQ(found->reason, c.reason) << found->text;
  }
}

}  // namespace

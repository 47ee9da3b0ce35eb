// The GPS table file, saved from and loaded into the in-memory table.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "loctable/cell_store.h"
#include "loctable/table_file.h"
#include "tests/file_bytes.h"

namespace {

using Status = records::FileOutcome::Status;

struct TableFile : ::testing::Test {
  QTemporaryDir folder;
  loctable::CellStore table;

  std::string path(const char* name = "table.txt") {
    return folder.filePath(name).toLatin1().toStdString();
  }
  std::string read(const std::string& file) { return testing_files::readBytes(file); }
  void write(const std::string& file, const std::string& bytes) {
    testing_files::writeBytes(file, bytes);
  }
  // n lines "id","lat n","lon n".
  std::string lines(int n, const char* id = nullptr) {
    std::string out;
    for (int row = 0; row < n; ++row) {
      out += '"' + (id ? std::string(id) : std::to_string(row)) + "\",\"lat" + std::to_string(row) +
             "\",\"lon" + std::to_string(row) + "\"\r\n";
    }
    return out;
  }
};

TEST_F(TableFile, SavedRightAfterStartupHoldsTheStartupTable) {
  ASSERT_TRUE(loctable::saveTable(table, path()).done());
  std::string expected;
  for (int row = 0; row < 100; ++row)
    expected += '"' + std::to_string(row) + "\",\"255\",\"255\"\r\n";
  const std::string saved = read(path());
  EXPECT_EQ(saved, expected);
  EXPECT_TRUE(saved.starts_with("\"0\",\"255\",\"255\"\r\n\"1\","));
}

TEST_F(TableFile, SaveThenLoadGivesBackEveryText) {
  const std::string texts[] = {"32.0851", "115.5",  "",      "abc",   "12,5",   "-45.5",
                               " 7 ",     "12.",    "1.2.3", "300",   "032.50", "12\"5",
                               "a\",b",   "\"lead", "255",   "0.0000"};
  const int count = static_cast<int>(std::size(texts));
  for (int i = 0; i < count; ++i) {
    table.setCell(i, 1, texts[i]);
    table.setCell(99 - i, 2, texts[i]);
  }
  ASSERT_TRUE(loctable::saveTable(table, path()).done());
  loctable::CellStore loaded;
  for (int row = 0; row < 100; ++row) loaded.setCell(row, 0, "kept" + std::to_string(row));
  ASSERT_TRUE(loctable::loadTable(loaded, path()).done());
  for (int row = 0; row < 100; ++row) {
    EXPECT_EQ(loaded.cell(row, 0), "kept" + std::to_string(row));
    // A double quote cannot stand inside quotes: where the text would not read back bare, it is
    // saved with an apostrophe in its place, and every later field stays in step.
    auto expect = [](const std::string& text) {
      if (text == "a\",b") return std::string("a',b");
      if (text == "\"lead") return std::string("'lead");
      return text;
    };
    EXPECT_EQ(loaded.cell(row, 1), expect(table.cell(row, 1))) << "row " << row;
    EXPECT_EQ(loaded.cell(row, 2), expect(table.cell(row, 2))) << "row " << row;
  }
}

struct LoadCase {
  const char* name;
  std::string bytes;
  bool loads;
  // Expected coordinates of some rows after the load: row, latitude, longitude.
  std::vector<std::tuple<int, std::string, std::string>> rows;
};

TEST_F(TableFile, LoadingReadsFieldsAndKeepsEarlierRowsOnFailure) {
  auto fieldsOnLine = [](int row) {
    return "\"" + std::to_string(row) + "\",\"lat" + std::to_string(row) + "\",\"lon" +
           std::to_string(row) + "\"\r\n";
  };
  std::string twoFieldLine;
  for (int row = 0; row < 100; ++row) {
    twoFieldLine += row == 10 ? "\"10\",\"lat10\"\r\n" : fieldsOnLine(row);
  }
  const LoadCase cases[] = {
      {"HundredLines", lines(100), true, {{0, "lat0", "lon0"}, {99, "lat99", "lon99"}}},
      {"OtherIds", lines(100, "x"), true, {{5, "lat5", "lon5"}}},
      {"EmptyIds", lines(100, ""), true, {{42, "lat42", "lon42"}}},
      {"NinetyNineLines", lines(99), false, {{98, "lat98", "lon98"}, {99, "old", "old"}}},
      {"MoreThanHundredLines",
       lines(100) + "\"100\",\"x\",\"y\"\r\n",
       true,
       {{99, "lat99", "lon99"}}},
      {"TwoFieldsOnALine",
       twoFieldLine,
       false,
       {{9, "lat9", "lon9"}, {10, "lat10", "11"}, {11, "lon11", "12"}, {99, "old", "old"}}},
      {"UnquotedNumbers",
       "7,032.50,300\r\n8, -12 ,1E3\r\n9,abc , 12.5\r\n" + lines(97),
       true,
       {{0, "32.5", "300"}, {1, "-12", "1000"}, {2, "abc", "12.5"}, {3, "lat0", "lon0"}}},
      {"FieldsAcrossLines",
       "\"0\",\"1.5\"\r\n\"2.5\"\r\n" + lines(99),
       true,
       {{0, "1.5", "2.5"}, {1, "lat0", "lon0"}}},
      {"Empty", "", false, {{0, "old", "old"}}},
  };
  for (const LoadCase& c : cases) {
    loctable::CellStore loaded;
    for (int row = 0; row < 100; ++row) {
      loaded.setCell(row, 1, "old");
      loaded.setCell(row, 2, "old");
    }
    write(path(), c.bytes);
    const records::FileOutcome outcome = loctable::loadTable(loaded, path());
    EXPECT_EQ(outcome.status, c.loads ? Status::Done : Status::Malformed) << c.name;
    for (const auto& [row, latitude, longitude] : c.rows) {
      EXPECT_EQ(loaded.cell(row, 1), latitude) << c.name << " row " << row;
      EXPECT_EQ(loaded.cell(row, 2), longitude) << c.name << " row " << row;
    }
    for (int row = 0; row < 100; ++row) EXPECT_EQ(loaded.cell(row, 0), std::to_string(row));
  }
}

// A file too short says how far it went, so the command line can name the cause.
TEST_F(TableFile, AShortFileSaysHowManyFieldsItHolds) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "the file ends after 0 of 300 fields"},
      {lines(99), "the file ends after 297 of 300 fields"},
      {lines(99) + "\"99\",\"lat\"\r\n", "the file ends after 299 of 300 fields"},
      {lines(99) + "\"99\"\r\n", "the file ends after 298 of 300 fields"},
  };
  for (const auto& [bytes, why] : cases) {
    write(path(), bytes);
    const records::FileOutcome outcome = loctable::loadTable(table, path());
    EXPECT_EQ(outcome.status, Status::Malformed) << why;
    EXPECT_EQ(outcome.why, why);
  }
}

TEST_F(TableFile, BadPathsAreReported) {
  const std::string folderPath = folder.path().toLatin1().toStdString() + "/";
  for (const std::string& bad : {std::string(), folderPath, path("missing/table.txt")}) {
    // The file system refuses each, and says why.
    for (const records::FileOutcome& outcome :
         {loctable::saveTable(table, bad), loctable::loadTable(table, bad)}) {
      EXPECT_EQ(outcome.status, Status::Refused) << bad;
      EXPECT_FALSE(outcome.why.empty()) << bad;
    }
  }
  EXPECT_EQ(table.cell(0, 1), "255");
}

TEST_F(TableFile, SavingAfterAFailedLoadOfTheSameFileWorks) {
  write(path(), lines(99));
  EXPECT_FALSE(loctable::loadTable(table, path()).done());
  EXPECT_TRUE(loctable::saveTable(table, path()).done());
  EXPECT_EQ(read(path()), loctable::tableText(table));
  EXPECT_TRUE(read(path()).ends_with("\"99\",\"255\",\"255\"\r\n"));
}

}  // namespace

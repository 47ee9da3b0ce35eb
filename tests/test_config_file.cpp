// The configuration file: its records, saving and loading.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "config/config_file.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "records/safe_file.h"
#include "records/text_records.h"

namespace config {
namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    out.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return out;
}

std::string joined(const std::vector<std::string>& records, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count && i < records.size(); ++i) out += records[i] + "\r\n";
  return out;
}

class ConfigFile : public ::testing::Test {
 protected:
  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
  static std::string read(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().toStdString();
  }
  static void write(const std::string& path, const std::string& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  QTemporaryDir dir;
};

TEST_F(ConfigFile, SavedRightAfterStartup) {
  FieldStore fields;
  ASSERT_TRUE(saveConfiguration(fields, path("start.cfg")).done());
  const std::vector<std::string> records = lines(read(path("start.cfg")));
  ASSERT_EQ(records.size(), 71u);
  const std::vector<std::string> head{"\"XXXX\"", "0", "\"\"", "\"\"", "\"\"", "0"};
  EXPECT_EQ(std::vector<std::string>(records.begin(), records.begin() + 6), head);
  const std::pair<int, const char*> expected[] = {
      {29, "\"7391\""}, {39, "-1"}, {40, "-1"}, {45, "\"0\""}, {59, "\"4815062937\""}};
  for (auto [number, text] : expected) EXPECT_EQ(records[number - 1], text) << number;
}

TEST_F(ConfigFile, SaveThenLoadRestoresEveryField) {
  FieldStore saved;
  int n = 0;
  for (const FieldRow& row : fieldTable()) {
    if (row.kind == Kind::List) {
      saved.setIndex(row.field, static_cast<int>(row.items.size()) - 1);
    } else {
      saved.setText(row.field, "t" + std::to_string(++n) + " a,b");
    }
  }
  saved.setVersionText("V1.2");
  saved.setText(Field::setup1_Text9, "1234");
  saved.setText(Field::setup1_Text14, "5678");
  ASSERT_TRUE(saveConfiguration(saved, path("all.cfg")).done());

  FieldStore loaded;
  ASSERT_TRUE(loadConfiguration(loaded, path("all.cfg")).done());
  for (const FieldRow& row : fieldTable()) {
    const FieldStore start;
    const Fields& expected = row.hidden ? static_cast<const Fields&>(start) : saved;
    EXPECT_EQ(loaded.text(row.field), expected.text(row.field)) << row.control;
    EXPECT_EQ(loaded.index(row.field), expected.index(row.field)) << row.control;
  }
  EXPECT_EQ(loaded.versionText(), "V1.2");
}

TEST_F(ConfigFile, PartialAndFaultyFiles) {
  const std::vector<std::string> start = lines(configurationText(FieldStore()));
  struct Case {
    const char* what;
    std::function<std::string(std::vector<std::string>)> file;
    bool loads;
    std::function<void(const FieldStore&)> check;
  };
  const Case cases[] = {
      {"70 records: all applied, then the failure",
       [](auto r) {
         r[69] = "1";  // setup1 Combo17
         return joined(r, 70);
       },
       false, [](const FieldStore& f) { EXPECT_EQ(f.index(Field::setup1_Combo17), 1); }},
      {"records after the 71st are ignored",
       [](auto r) { return joined(r, 71) + "garbage\r\n\"more\"\r\n"; }, true, nullptr},
      {"a text longer than its field is cut",
       [](auto r) {
         r[2] = "\"" + std::string(20, '7') + "\"";
         return joined(r, 71);
       },
       true,
       [](const FieldStore& f) { EXPECT_EQ(f.text(Field::setup1_Text2), std::string(16, '7')); }},
      {"an index naming no item stops the load there",
       [](auto r) {
         r[4] = "\"5 changed\"";  // setup1 Text4, before
         r[5] = "5";              // setup1 Combo3 has two items
         r[6] = "\"7 changed\"";  // setup1 Text6, after
         return joined(r, 71);
       },
       false,
       [](const FieldStore& f) {
         EXPECT_EQ(f.text(Field::setup1_Text4), "5 changed");
         EXPECT_EQ(f.index(Field::setup1_Combo3), 0);
         EXPECT_EQ(f.text(Field::setup1_Text6), "");
       }},
      {"an index that is no number",
       [](auto r) {
         r[1] = "x";
         return joined(r, 71);
       },
       false, nullptr},
      {"records 42 and 49 are dropped, 63 wins over 44",
       [](auto r) {
         r[41] = "x";
         r[48] = "7";
         r[43] = "2";
         r[62] = "1";
         return joined(r, 71);
       },
       true,
       [](const FieldStore& f) {
         EXPECT_EQ(f.index(Field::setup1_Combo1), 0);
         EXPECT_EQ(f.index(Field::setup3_Combo3), 1);
       }},
      {"fractions and quotes in index records, several records on one line",
       [](auto r) {
         r[1] = "2.5, \"3\"";  // records 2 and 3 on one line
         r.erase(r.begin() + 2);
         r[5] = " 0.5 ";
         return joined(r, 70);
       },
       true,
       [](const FieldStore& f) {
         EXPECT_EQ(f.index(Field::setup1_Combo2), 2);
         EXPECT_EQ(f.text(Field::setup1_Text2), "3");
         EXPECT_EQ(f.index(Field::setup1_Combo3), 0);
       }},
  };
  for (const Case& c : cases) {
    write(path("case.cfg"), c.file(start));
    FieldStore fields;
    fields.setIndex(Field::setup1_Combo15, 3);
    const records::FileOutcome loaded = loadConfiguration(fields, path("case.cfg"));
    EXPECT_EQ(loaded.done(), c.loads) << c.what;
    if (c.loads) {
      EXPECT_EQ(fields.index(Field::setup1_Combo15), -1) << c.what;
    } else {
      // The file was read; what it holds is the cause.
      EXPECT_EQ(loaded.status, records::FileOutcome::Status::Malformed) << c.what;
      EXPECT_FALSE(loaded.why.empty()) << c.what;
    }
    if (c.check) c.check(fields);
  }
}

TEST_F(ConfigFile, BadPaths) {
  FieldStore fields;
  const std::string folder = dir.path().toStdString() + "/";
  // The file system refuses each, and says why.
  for (const std::string& p : {std::string(), folder, path("missing/x.cfg")}) {
    for (const records::FileOutcome& outcome :
         {saveConfiguration(fields, p), loadConfiguration(fields, p)}) {
      EXPECT_EQ(outcome.status, records::FileOutcome::Status::Refused) << p;
      EXPECT_FALSE(outcome.why.empty()) << p;
    }
  }
}

TEST_F(ConfigFile, FailedSaveKeepsTheOldFile) {
  const std::string old = "\"old\"\r\n";
  write(path("keep.cfg"), old);
  // Writing fails past 100 bytes.
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit saved = limit;
  limit.rlim_cur = 100;
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const records::FileOutcome outcome = saveConfiguration(FieldStore(), path("keep.cfg"));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);

  EXPECT_EQ(outcome.status, records::FileOutcome::Status::Refused);
  EXPECT_EQ(read(path("keep.cfg")), old);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.cfg"});
}

TEST_F(ConfigFile, ReplacingKeepsPermissionsAndFollowsLinks) {
  const std::string file = path("mode.cfg");
  write(file, "old");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(records::replaceFile(file, "new"));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(read(file), "new");

  const std::string link = path("link.cfg");
  ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
  ASSERT_TRUE(records::replaceFile(link, "through the link"));
  ASSERT_EQ(::lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(read(file), "through the link");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 2);
}

TEST(ConfigFileRecords, TextsWithDoubleQuotesLoadBack) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},  {"", ""},          {"a\"b", "a\"b"}, {"say \"hi\"", "say \"hi\""},
      {"\"lead", "'lead"}, {"a,\"b", "a,'b"}, {" \"x", " 'x"},  {"x\" ", "x' "},
  };
  for (const auto& [text, loaded] : cases) {
    records::RecordReader reader(textRecord(text) + "0\r\n");
    ASSERT_EQ(reader.next().value().text, loaded) << text;
    EXPECT_EQ(reader.next().value().text, "0") << text;  // the next record stays in step
  }
}

}  // namespace
}  // namespace config

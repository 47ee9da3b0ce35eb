// A CSV file as spreadsheets write it: its cells with quotes undone, its rows by line number, the
// cells the file leaves in doubt, whether it is UTF-8, and a cell's text in Latin-1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/csv.h"

namespace {

struct Row {
  int line;
  std::vector<std::string> cells;
  std::vector<std::string> problems{};
};

struct Case {
  const char* name;
  std::string bytes;
  std::vector<Row> rows;
  bool utf8 = true;
};

TEST(Csv, CellsRowsAndTextAsSpreadsheetsWriteThem) {
  const Case cases[] = {
      {"a doubled quote is one", "\"+2782\"\"0002\",x", {{1, {"+2782\"0002", "x"}}}},
      {"blanks around cells go, inside quotes stay", " a ,\t\" b \" ,c", {{1, {"a", " b ", "c"}}}},
      {"CR LF, CR and LF each end a line; a trailing comma leaves an empty cell",
       "a\r\nb\rc\nd,",
       {{1, {"a"}}, {2, {"b"}}, {3, {"c"}}, {4, {"d", ""}}}},
      {"a quoted line break is refused, and the lines after it keep their numbers",
       "p,\"x\r\ny\",z\r\nnext\n",
       {{1, {"p", "x\ny", "z"}, {"column 2 holds a line break inside its quotes (lines 1 to 2)"}},
        {3, {"next"}}}},
      {"a NUL byte",
       std::string("a,b\0c\r\nd", 8),
       {{1, {"a", std::string("b\0c", 3)}, {"column 2 holds a NUL byte"}}, {2, {"d"}}}},
      {"text after the closing quote",
       "\"a\"b,c",
       {{1, {"a", "c"}, {"column 1 goes on after its closing quote"}}}},
      {"UTF-8", "caf\xC3\xA9", {{1, {"caf\xC3\xA9"}}}},
      {"UTF-8 with its byte order mark", "\xEF\xBB\xBF\xC3\xA9,x", {{1, {"\xC3\xA9", "x"}}}},
      {"Latin-1", "caf\xE9", {{1, {"caf\xE9"}}}, false},
      // One byte that is not UTF-8 makes the whole file Latin-1, what looks like UTF-8 included.
      {"a file is UTF-8 throughout or Latin-1",
       "\xC3\xA9,\xE9",
       {{1, {"\xC3\xA9", "\xE9"}}},
       false},
      {"an overlong form is not UTF-8", "\xC0\xAF", {{1, {"\xC0\xAF"}}}, false},
      {"a surrogate is not UTF-8", "\xED\xA0\x80", {{1, {"\xED\xA0\x80"}}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const auto file = records::readCsv(c.bytes, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->utf8, c.utf8);
    ASSERT_EQ(file->rows.size(), c.rows.size());
    for (size_t i = 0; i < c.rows.size(); ++i) {
      EXPECT_EQ(file->rows[i].line, c.rows[i].line) << i;
      EXPECT_EQ(file->rows[i].cells, c.rows[i].cells) << i;
      EXPECT_EQ(file->rows[i].problems, c.rows[i].problems) << i;
    }
  }
}

TEST(Csv, ACellInLatin1OrWhyNot) {
  struct Text {
    std::string cell;
    bool utf8;
    std::string latin1;  // empty: refused
    std::string why;
  };
  const Text cases[] = {
      {"caf\xC3\xA9", true, "caf\xE9", ""},
      {"caf\xE9", false, "caf\xE9", ""},
      {"ab\xE2\x82\xAC\xC3\xA9", true, "", "\"\xE2\x82\xAC\" (U+20AC) is not a Latin-1 character"},
      {"\xF0\x9F\x9A\x97", true, "", "\"\xF0\x9F\x9A\x97\" (U+1F697) is not a Latin-1 character"},
      {"\xE9", true, "", "not UTF-8"},
  };
  for (const Text& c : cases) {
    std::string why;
    const auto text = records::latin1Text(c.cell, c.utf8, why);
    EXPECT_EQ(text.value_or(""), c.latin1) << c.cell;
    EXPECT_EQ(why, c.why) << c.cell;
  }
}

TEST(Csv, AFileWhoseRowsCannotBeToldApartIsRefusedWithItsLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\r\nb,\"c\r\nd,e\r\n", "line 2: the quote that opens column 2 is never closed"},
      {"\xEF\xBB\xBF"
       "a\r\nb\r\n\xE9\r\n",
       "line 3: not UTF-8, though the file begins with UTF-8's byte order mark"},
  };
  for (const auto& [bytes, said] : cases) {
    std::string error;
    EXPECT_FALSE(records::readCsv(bytes, error)) << bytes;
    EXPECT_EQ(error, said);
  }
}

}  // namespace

// A GPS log file's line: what the upload writes is what the track reads back.
#include <gtest/gtest.h>

#include "logline/logline.h"

namespace {

using logline::Groups;
using logline::Line;

// Lines written and read back: the line's text (CR LF taken off) gives the fields again.
TEST(LogLine, WrittenAndReadBack) {
  const struct {
    const char* name;
    Line line;
    const char* text;
  } cases[] = {
      {"Whole",
       {"12/05/08", "10:15:30", "3204.5678", "N", "03527.6543", "E", "012.5", "270.0"},
       R"("12/05/08","10:15:30","3204.5678","N","03527.6543","E","012.5","270.0")"},
      {"LettersNeverSet",
       {"15/03/24", "06:00:00", "5130.1234", "", "00007.5000", "", "000.0", "000.0"},
       R"("15/03/24","06:00:00","5130.1234",,"00007.5000",,"000.0","000.0")"},
      {"FirstAndLastEmpty",
       {"", "07:59:30", "1", "S", "2", "W", "3", ""},
       R"(,"07:59:30","1","S","2","W","3",)"},
      {"AllEmpty", {}, ",,,,,,,"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(logline::write(c.line), std::string(c.text) + "\r\n");
    EXPECT_EQ(logline::read(c.text), c.line);
  }
}

// Lines of other files or damaged ones: how many fields they hold, and which are lines.
TEST(LogLine, OddLinesAreCountedByTheirFields) {
  const struct {
    const char* text;
    size_t fields;
  } cases[] = {
      {R"("a,b","c",d,"",e,f,g,h)", 8},  // a comma between quotes belongs to its field
      {R"("1","12.5","100.25")", 3},     // a GPS table file's row
      {"", 1},
      {R"("a",b,c,d,e,f,g)", 7},
      {R"(a,b,c,d,e,f,g,h,i)", 9},
      {R"("a,b,c,d,e,f,g,h)", 1},  // a quote never closed takes the rest
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(logline::fields(c.text).size(), c.fields);
    EXPECT_EQ(logline::read(c.text).has_value(), c.fields == logline::kFields);
  }
  EXPECT_EQ(logline::fields(R"("a,b","c")"), (std::vector<std::string>{"a,b", "c"}));
}

// A date's and a time's groups, read and written: two digits each between the separators.
TEST(LogLine, DateAndTimeGroups) {
  const struct {
    const char* text;
    std::optional<Groups> date, time;
  } cases[] = {
      {"15/03/24", Groups{15, 3, 24}, std::nullopt},
      {"07:58:30", std::nullopt, Groups{7, 58, 30}},
      {"31/02/24", Groups{31, 2, 24}, std::nullopt},  // no real day: the track's to judge
      {"12:-5:-1", std::nullopt, std::nullopt},
      {"7:05:00", std::nullopt, std::nullopt},
      {"07:05:00 ", std::nullopt, std::nullopt},
      {"15-03-24", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(logline::dateGroups(c.text), c.date);
    EXPECT_EQ(logline::timeGroups(c.text), c.time);
    if (c.date) {
      EXPECT_EQ(logline::date(*c.date), c.text);
    }
    if (c.time) {
      EXPECT_EQ(logline::time(*c.time), c.text);
    }
  }
  EXPECT_EQ(logline::date("12", "05", "08"), "12/05/08");
  EXPECT_EQ(logline::time("10", "15", "30"), "10:15:30");
  EXPECT_EQ(logline::decimal("0352", "76543"), "0352.76543");
}

TEST(LogLine, DegreesAndMinutesBecomeSignedDegrees) {
  const std::tuple<const char*, const char*, double, std::optional<double>> cases[] = {
      {"5130.0000", "N", 90, 51.5},         {"5130.0000", "S", 90, -51.5},
      {"00007.5000", "W", 180, -0.125},     {"17959.9999", "E", 180, 179.9999983333},
      {"0000.0000", "N", 90, 0.0},          {"5160.0000", "N", 90, std::nullopt},
      {"9100.0000", "N", 90, std::nullopt}, {"5130.0000", "", 90, std::nullopt},
      {"51a0.0000", "N", 90, std::nullopt}, {"5130.0000", "X", 90, std::nullopt},
      {"-130.0000", "N", 90, std::nullopt}, {"nan", "N", 90, std::nullopt},
  };
  for (const auto& [text, letter, limit, expected] : cases) {
    SCOPED_TRACE(std::string(text) + letter);
    const auto degrees = logline::degrees(text, letter, limit);
    ASSERT_EQ(degrees.has_value(), expected.has_value());
    if (expected) {
      EXPECT_NEAR(*degrees, *expected, 1e-7);
    }
  }
}

TEST(LogLine, ValuesAreNumbersOrNone) {
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"012.5", 12.5},         {"270.0", 270.0},      {"", std::nullopt},
      {"nan", std::nullopt},   {"inf", std::nullopt}, {"1.2.3", std::nullopt},
      {" 12.5", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(logline::number(text), expected) << text;
}

}  // namespace

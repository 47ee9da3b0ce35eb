// The field table, the in-memory field store and the record reader.
#include <gtest/gtest.h>

#include <set>

#include "config/field_store.h"
#include "config/field_table.h"
#include "records/text_records.h"

namespace config {
namespace {

TEST(FieldTable, EveryFieldOnceWithConsistentValues) {
  std::set<std::pair<Window, std::string>> names;
  for (const FieldRow& row : fieldTable()) {
    EXPECT_TRUE(names.insert({row.window, row.control}).second) << row.control;
    EXPECT_EQ(&fieldRow(row.field), &row);
    EXPECT_EQ(findField(row.window, row.control), &row);
    if (row.kind == Kind::List) {
      EXPECT_FALSE(row.items.empty()) << row.control;
      EXPECT_GE(row.initialIndex, -1);
      EXPECT_LT(row.initialIndex, static_cast<int>(row.items.size())) << row.control;
      EXPECT_EQ(row.maxLength, 0);
      EXPECT_EQ(row.control.rfind("Combo", 0), 0u) << row.control;
    } else {
      EXPECT_TRUE(row.items.empty()) << row.control;
      if (row.maxLength > 0) {
        EXPECT_LE(row.initialText.size(), std::size_t(row.maxLength));
      }
      EXPECT_EQ(row.control.rfind("Text", 0), 0u) << row.control;
    }
  }
  EXPECT_EQ(names.size(), std::size_t(kFieldCount));
  EXPECT_EQ(findField(Window::setup1, "Text1"), nullptr);  // the path box is no field
}

TEST(FieldTable, VoltageListsFollowTheirRule) {
  const auto low = fieldRow(Field::setup1_Combo15).items;
  const auto high = fieldRow(Field::setup1_Combo16).items;
  ASSERT_EQ(low.size(), 31u);
  ASSERT_EQ(high.size(), 91u);
  const std::pair<int, const char*> expected[] = {
      {0, "5.0"},    {1, "5.33"},   {2, "5.66"},   {3, "6.0"},    {15, "10.0"},
      {16, "10.33"}, {17, "10.66"}, {18, "11.00"}, {19, "11.33"}, {30, "15.00"}};
  for (auto [k, text] : expected) EXPECT_EQ(low[k], text) << k;
  EXPECT_EQ(high[90], "35.00");
  EXPECT_TRUE(std::equal(low.begin(), low.end(), high.begin()));
}

TEST(FieldTable, ListsOfTwoStates) {
  EXPECT_EQ(fieldRow(Field::setup1_Combo14).items,
            (std::vector<std::string>{"Enabled", "Disabled"}));
  for (Field f : {Field::setup1_Combo17, Field::setup3_Combo5, Field::setup3_Combo20,
                  Field::setup3_Combo15, Field::setup3_Combo1}) {
    EXPECT_EQ(fieldRow(f).items, (std::vector<std::string>{"Disabled", "Enabled"}));
  }
}

TEST(FieldStore, StartsWithTheStartupValues) {
  FieldStore store;
  for (const FieldRow& row : fieldTable()) {
    if (row.kind == Kind::List) {
      const bool voltage = row.field == Field::setup1_Combo15 || row.field == Field::setup1_Combo16;
      EXPECT_EQ(store.index(row.field), voltage ? -1 : 0) << row.control;
    }
  }
  const std::pair<Field, const char*> texts[] = {
      {Field::setup1_Text9, "7391"}, {Field::setup3_Text2, "0"},
      {Field::setup3_Text3, "0"},    {Field::setup3_Text28, "0"},
      {Field::setup3_Text15, "0"},   {Field::setup3_Text4, "4815062937"},
      {Field::setup1_Text2, ""},     {Field::setup1_Text13, ""}};
  for (auto [field, text] : texts) EXPECT_EQ(store.text(field), text);
  EXPECT_EQ(store.versionText(), "XXXX");
}

TEST(FieldStore, CutsTextsAndRefusesUnknownItems) {
  FieldStore store;
  store.setText(Field::setup1_Text2, std::string(20, '1'));
  EXPECT_EQ(store.text(Field::setup1_Text2), std::string(16, '1'));
  store.setText(Field::setup1_Text3, std::string(300, '9'));  // no maximum
  EXPECT_EQ(store.text(Field::setup1_Text3).size(), 300u);

  EXPECT_TRUE(store.setIndex(Field::setup1_Combo3, 1));
  EXPECT_FALSE(store.setIndex(Field::setup1_Combo3, 2));
  EXPECT_FALSE(store.setIndex(Field::setup1_Combo3, -2));
  EXPECT_EQ(store.index(Field::setup1_Combo3), 1);
  EXPECT_EQ(store.text(Field::setup1_Combo3), "Pulse Activated");
  EXPECT_TRUE(store.setIndex(Field::setup1_Combo3, -1));
  EXPECT_EQ(store.index(Field::setup1_Combo3), -1);
  EXPECT_FALSE(store.setIndex(Field::setup1_Text2, 0));

  // Typing into a list's text portion leaves no item selected.
  store.setText(Field::setup1_Combo13, "3");
  EXPECT_EQ(store.index(Field::setup1_Combo13), -1);
  EXPECT_EQ(store.text(Field::setup1_Combo13), "3");
}

std::vector<records::Record> readAll(std::string bytes) {
  records::RecordReader reader(std::move(bytes));
  std::vector<records::Record> records;
  while (auto record = reader.next()) records.push_back(*record);
  return records;
}

TEST(RecordReader, ReadsRecords) {
  struct Case {
    const char* bytes;
    std::vector<records::Record> records;
  };
  const Case cases[] = {
      {"\"XXXX\"\r\n0\r\n\"\"\r\n-1\r\n",
       {{"XXXX", true}, {"0", false}, {"", true}, {"-1", false}}},
      {"\"0\",\"255\",\"255\"\r\n\"1\",\"255\",\"255\"\r\n",
       {{"0", true}, {"255", true}, {"255", true}, {"1", true}, {"255", true}, {"255", true}}},
      {"   12  \r\n\t\"a b\"  junk, 7\n", {{"12", false}, {"a b", true}, {"7", false}}},
      {"\"a,b\"\r\n", {{"a,b", true}}},
      {"\"two\r\nlines\"\r\nx", {{"two\r\nlines", true}, {"x", false}}},
      {"a\"b\r\n", {{"a\"b", false}}},
      {"\"ab\"c\"\r\nnext\r\n", {{"ab", true}, {"next", false}}},
      {"1\r2\n3", {{"1", false}, {"2", false}, {"3", false}}},
      {"\r\n\"\"", {{"", false}, {"", true}}},
      {"\"unterminated", {{"unterminated", true}}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(readAll(c.bytes), c.records) << c.bytes;
}

TEST(RecordReader, IndexRecords) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"0", 0},   {"4", 4},    {"-1", -1},  {" 3 ", 3},    {"+2", 2},    {"2.5", 2},
      {"3.5", 4}, {"-0.5", 0}, {"1.4", 1},  {"1e1", 10},   {"", {}},     {"abc", {}},
      {"1a", {}}, {"--1", {}}, {"+-1", {}}, {"9E999", {}}, {"1e10", {}}, {"nan", {}},
  };
  for (auto [text, expected] : cases) {
    EXPECT_EQ(records::recordIndex(records::Record{text, false}), expected) << text;
    EXPECT_EQ(records::recordIndex(records::Record{text, true}), expected) << text;
  }
}

}  // namespace
}  // namespace config

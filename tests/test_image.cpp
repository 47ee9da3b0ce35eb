// The configuration image, its layout, the voltage code tables and the decoding.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "config/decoding.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "config/image.h"
#include "config/layout.h"

namespace config {
namespace {

TEST(Image, EveryAccessOutsideItsBytesIsAnError) {
  Image image;
  EXPECT_EQ(image.at(0), 0);
  EXPECT_EQ(image.at(400), 0);
  for (const int index : {-1, 401, 32767}) {
    EXPECT_THROW((void)image.at(index), ImageError) << index;
    EXPECT_THROW(image.set(index, 1), ImageError) << index;
  }
  image.set(400, 255);
  EXPECT_EQ(image.at(400), 255);
  // A value that is no byte leaves the byte as it was.
  for (const long long value : {-1LL, 256LL, 912LL}) {
    EXPECT_THROW(image.set(400, value), ImageError) << value;
    EXPECT_EQ(image.at(400), 255);
  }
}

TEST(Layout, CoversEveryIndexOnceAndPlacesEveryFieldButTheExistingPassword) {
  int next = 0;
  std::map<Field, int> places;
  for (const Slot& slot : layout()) {
    EXPECT_EQ(slot.index, next) << "gap or overlap before " << slot.index;
    EXPECT_GT(slot.width, 0);
    EXPECT_LE(slot.readWidth(), slot.width);
    next = slot.index + slot.width;
    if (slot.field) ++places[*slot.field];
  }
  EXPECT_EQ(next, kImageSize);
  for (int f = 0; f < kFieldCount; ++f) {
    const Field field = static_cast<Field>(f);
    // setup3 Combo3 has its position and its flag.
    const int expected = field == Field::setup1_Text9 ? 0 : field == Field::setup3_Combo3 ? 2 : 1;
    EXPECT_EQ(places[field], expected) << fieldRow(field).control;
  }
  EXPECT_EQ(findSlot(Field::setup1_Text9), nullptr);
}

TEST(Layout, ReadsEveryFieldBackButThePasswordsFromTheUploadedBytes) {
  std::set<Field> decoded;
  for (const Slot& slot : layout()) {
    if (!readBack(slot)) continue;
    EXPECT_TRUE(decoded.insert(*slot.field).second) << fieldRow(*slot.field).control;
    EXPECT_LT(slot.index + slot.readWidth() - 1, kUploadedBytes);
    const bool list = slot.format == Format::ListPosition || slot.format == Format::VoltageCode;
    EXPECT_EQ(list, fieldRow(*slot.field).kind == Kind::List) << fieldRow(*slot.field).control;
  }
  EXPECT_EQ(decoded.size(), static_cast<size_t>(kFieldCount - 2));
  EXPECT_FALSE(decoded.contains(Field::setup1_Text9));
  EXPECT_FALSE(decoded.contains(Field::setup1_Text14));
}

TEST(Layout, TheWriteOrderWritesEveryFieldSlotOnce) {
  std::map<const Slot*, int> writes;
  for (const Write& step : writeOrder()) {
    if (step.kind == Write::FieldSlot || step.kind == Write::Constant) ++writes[step.slot];
  }
  for (const Slot& slot : layout()) {
    const bool written =
        slot.field.has_value() || (slot.format == Format::Constant && slot.index > kHeaderIndex);
    EXPECT_EQ(writes[&slot], written ? 1 : 0) << slot.index;
  }
}

TEST(VoltageCodes, LookupTakesTheFirstEqualEntryAndZeroForUnknownCodes) {
  const std::pair<int, int> cases[] = {{166, 0}, {228, 34}, {239, 51}, {253, 83}, {255, 90},
                                       {0, 0},   {100, 0},  {167, 0},  {169, 0},  {240, 52}};
  for (const auto& [code, position] : cases) EXPECT_EQ(voltageCodeLookup(code), position) << code;
}

TEST(VoltageCodes, ReadBackOfEveryPosition) {
  VoltageCodeTable table;
  EXPECT_THROW((void)table.codeAt(0), ImageError);  // not built yet
  table.build();
  EXPECT_EQ(table.codeAt(0), 166);
  EXPECT_EQ(table.codeAt(90), 255);
  EXPECT_THROW((void)table.codeAt(-1), ImageError);
  EXPECT_THROW((void)table.codeAt(91), ImageError);

  const std::set<int> unchanged = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                   16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                                   32, 33, 34, 36, 37, 39, 40, 42, 43, 45, 46, 47, 49, 51, 86, 90};
  const std::map<int, int> moved = {{35, 34}, {52, 51}, {53, 52}, {54, 52}, {74, 73},
                                    {75, 73}, {76, 73}, {77, 73}, {84, 83}, {85, 83},
                                    {87, 86}, {88, 86}, {89, 86}};
  for (int position = 0; position < VoltageCodeTable::kPositions; ++position) {
    const int back = voltageCodeLookup(table.codeAt(position));
    if (unchanged.contains(position)) {
      EXPECT_EQ(back, position);
    } else {
      EXPECT_LT(back, position) << position;
    }
    if (moved.contains(position)) {
      EXPECT_EQ(back, moved.at(position)) << position;
    }
  }
}

// An image as an unconfigured unit holds it: every byte 255.
Image blankImage() {
  Image image;
  image.fill(0, kImageSize - 1, 255);
  return image;
}

void putText(Image& image, int at, std::string_view text) {
  for (const char c : text) image.set(at++, static_cast<unsigned char>(c));
}

struct DecodeCase {
  const char* name;
  std::map<int, int> bytes;
  std::map<int, std::string> texts;
  Field field;
  std::string expected;
  friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, GivesTheFieldItsText) {
  const DecodeCase& c = GetParam();
  Image image = blankImage();
  for (const auto& [index, value] : c.bytes) image.set(index, value);
  for (const auto& [index, text] : c.texts) putText(image, index, text);
  FieldStore fields;
  decodeImage(image, fields);
  EXPECT_EQ(fields.text(c.field), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Image, Decoding,
    ::testing::Values(
        DecodeCase{"EmptyLatitude", {{4, 255}}, {}, Field::setup1_Text25, "0.0000"},
        DecodeCase{"Latitude", {{4, 5}, {5, 0}, {6, 7}}, {}, Field::setup1_Text25, "5.0007"},
        DecodeCase{
            "Longitude", {{89, 18}, {90, 42}, {91, 41}}, {}, Field::setup1_Text23, "18.4241"},
        DecodeCase{"ByteWithBlank", {{33, 5}}, {}, Field::setup1_Text3, " 5"},
        DecodeCase{"BytePlain", {{222, 0}}, {}, Field::setup1_Text30, "0"},
        DecodeCase{"Word", {{218, 1}, {219, 44}}, {}, Field::setup1_Text22, " 300"},
        DecodeCase{"SpeedExact", {{94, 54}}, {}, Field::setup1_Text29, "100"},
        DecodeCase{"SpeedRounded", {{94, 55}}, {}, Field::setup1_Text29, "102"},
        DecodeCase{"NoPin", {{155, 0}}, {}, Field::setup3_Text25, ""},
        DecodeCase{"UnsetPin", {}, {}, Field::setup3_Text25, ""},
        DecodeCase{"Pin", {}, {{155, "0815"}}, Field::setup3_Text25, "0815"},
        DecodeCase{"SecurityId", {}, {{144, "1234567890"}}, Field::setup3_Text4, "1234567890"},
        DecodeCase{"FilledEndsAt255", {}, {{96, "my"}, {99, "host"}}, Field::setup1_Text11, "my"},
        DecodeCase{"FilledToTheEnd", {}, {{64, "65535"}}, Field::setup1_Text12, "65535"},
        DecodeCase{"Terminated", {}, {{256, "+2782#123"}}, Field::setup1_Text34, "+2782"},
        DecodeCase{"EmptyTerminated", {{304, 35}}, {}, Field::setup3_Text1, ""},
        DecodeCase{"FirstNumberStopsAtItsSlotEnd",
                   {},
                   {{16, "1234567890123456"}},
                   Field::setup1_Text2,
                   "1234567890123456"},
        DecodeCase{"SmscReadsFifteen",
                   {},
                   {{272, "+12345678901234567"}},
                   Field::setup1_Text35,
                   "+12345678901234"}),
    [](const auto& info) { return info.param.name; });

TEST(Decoding, ListsTakeTheBytesPositionOrKeepTheirSelection) {
  Image image = blankImage();
  image.set(1, 3);     // Combo13: 3 days
  image.set(88, 1);    // Combo10: "W"
  image.set(216, 9);   // setup3 Combo2: 9 rings
  image.set(54, 228);  // Combo15: position 34, which it does not have
  image.set(55, 228);  // Combo16: position 34
  FieldStore fields;
  fields.setIndex(Field::setup1_Combo2, 3);
  fields.setIndex(Field::setup1_Combo15, 5);
  decodeImage(image, fields);
  EXPECT_EQ(fields.index(Field::setup1_Combo13), 3);
  EXPECT_EQ(fields.index(Field::setup1_Combo10), 1);
  EXPECT_EQ(fields.index(Field::setup3_Combo2), 9);
  EXPECT_EQ(fields.index(Field::setup1_Combo16), 34);
  EXPECT_EQ(fields.index(Field::setup1_Combo15), 5);  // kept
  EXPECT_EQ(fields.index(Field::setup1_Combo2), 3);   // byte 10 is 255: kept
  // Nothing touches the passwords.
  EXPECT_EQ(fields.text(Field::setup1_Text9), "7391");
}

}  // namespace
}  // namespace config

// The numeric reading and the check of the configuration.
#include <gtest/gtest.h>

#include <cmath>

#include "config/field_store.h"
#include "config/validation.h"
#include "records/numeric.h"
#include "words/boxes.h"

namespace config {
namespace {

TEST(NumericReading, Texts) {
  const std::pair<const char*, double> cases[] = {
      {"12", 12},       {" 1 2", 12},  {"240abc", 240}, {"abc", 0},     {"", 0},
      {"52.5,1", 52.5}, {"-3", -3},    {"+7", 7},       {"\t1\n0", 10}, {"1.5E2", 150},
      {"1.5d2", 150},   {"2e-1", 0.2}, {"1e", 1},       {"1e+", 1},     {".5", 0.5},
      {"5.", 5},        {"-.", 0},     {"&H1F", 31},    {"&hff", 255},  {"&O17", 15},
      {"&o8", 0},       {"&H", 0},     {"&X12", 0},     {"1.2.3", 1.2}, {"0.5", 0.5},
      {"240.5", 240.5}, {"1E-999", 0}, {"0.000e5", 0},  {"12a4", 12},   {"--1", 0},
  };
  for (auto [text, expected] : cases) {
    const std::optional<double> value = records::readNumber(text);
    ASSERT_TRUE(value.has_value()) << text;
    EXPECT_DOUBLE_EQ(*value, expected) << text;
  }
}

TEST(NumericReading, TooLargeForADoubleFails) {
  for (const std::string& text :
       {std::string("9E999"), std::string("-9E999"), std::string("1D400"), std::string(400, '9')}) {
    EXPECT_FALSE(records::readNumber(text).has_value()) << text;
  }
  EXPECT_TRUE(records::readNumber("1E308").has_value());
  EXPECT_TRUE(records::readNumber("0.001E310").has_value());
}

// A configuration that breaks no rule.
FieldStore validFields() {
  FieldStore f;
  f.setText(Field::setup1_Text2, "+4412345");
  f.setText(Field::setup1_Text32, "10");
  for (Field lat : {Field::setup1_Text25, Field::setup1_Text24}) f.setText(lat, "52.3456");
  for (Field lon : {Field::setup1_Text26, Field::setup1_Text23}) f.setText(lon, "104.8954");
  f.setText(Field::setup1_Text11, "10.0.0.1");
  for (Field t :
       {Field::setup1_Text3, Field::setup1_Text4, Field::setup1_Text6, Field::setup1_Text8}) {
    f.setText(t, "30");
  }
  return f;
}

std::vector<std::string> check(const Fields& fields, CheckOutcome* outcome = nullptr) {
  const FieldCheck result = checkFields(fields);
  if (outcome) *outcome = result.outcome;
  std::vector<std::string> texts;
  for (const words::Message& m : words::checkBoxes(result)) {
    if (m.text == "Configuration is OK") {
      EXPECT_EQ(m.title, "Valid Configuration");
      EXPECT_EQ(m.icon, words::Icon::None);
    } else {
      EXPECT_EQ(m.title, "Error");
      EXPECT_EQ(m.icon, words::Icon::Critical);
    }
    texts.push_back(m.text);
  }
  return texts;
}

TEST(Validation, StartValuesShowFifteenBoxes) {
  const FieldStore start;
  CheckOutcome outcome;
  EXPECT_EQ(check(start, &outcome),
            (std::vector<std::string>{
                "Invalid Base Phone number 1 (max 16)", "Vibration sensitivity ",
                "Invalid LAT1 Value", "Invalid LAT2 Value", "Invalid LONG1 Value",
                "Invalid LONG2 Value", "Invalid LAT1 Value", "Invalid LAT2 Value",
                "Invalid LONG1 Value", "Invalid LONG2 Value", "Invalid IP address or Domain name",
                "Invalid GEO fencing delay", "Invalid GEO fencing sensitivity",
                "Invalid Alarm input delay time", "Invalid GPS reading interval"}));
  EXPECT_EQ(outcome, CheckOutcome::Invalid);
  EXPECT_EQ(check(validFields(), &outcome), std::vector<std::string>{"Configuration is OK"});
  EXPECT_EQ(outcome, CheckOutcome::Valid);
}

// One changed field on a valid configuration, and the boxes it brings.
TEST(Validation, SingleFields) {
  using V = std::vector<std::string>;
  const V ok{"Configuration is OK"};
  struct Case {
    Field field;
    std::string text;
    V boxes;
  };
  const Case cases[] = {
      // Empty and non-numeric texts read as 0.
      {Field::setup1_Text29, "", ok},
      {Field::setup1_Text12, "", ok},
      {Field::setup1_Text22, "", ok},
      {Field::setup1_Text7, "", ok},
      {Field::setup1_Text33, "", ok},
      {Field::setup3_Text28, "", ok},
      {Field::setup1_Text29, "abc", ok},
      {Field::setup1_Text3, "", {"Invalid GEO fencing delay"}},
      {Field::setup1_Text4, "", {"Invalid GEO fencing sensitivity"}},
      {Field::setup1_Text6, "", {"Invalid Alarm input delay time"}},
      {Field::setup1_Text8, "abc", {"Invalid GPS reading interval"}},
      {Field::setup1_Text32, "", {"Vibration sensitivity "}},
      // Bounds are inclusive and fractions count.
      {Field::setup1_Text3, "240", ok},
      {Field::setup1_Text3, "1", ok},
      {Field::setup1_Text3, "240.5", {"Invalid GEO fencing delay"}},
      {Field::setup1_Text3, "0.5", {"Invalid GEO fencing delay"}},
      {Field::setup1_Text29, "183", ok},
      {Field::setup1_Text29, "183.01", {"Invalid Speed limit"}},
      {Field::setup1_Text29, "-1", {"Invalid Speed limit"}},
      {Field::setup1_Text30, "256", {"Speed "}},
      {Field::setup1_Text32, "2", {"Vibration sensitivity "}},
      {Field::setup1_Text22, "16384", {"Invalid SMS tracking interval ONLINE"}},
      {Field::setup1_Text31, "16383", ok},
      {Field::setup3_Text15, "65536", {"Invalid Prescale Value"}},
      {Field::setup1_Text10, "65536", {"Invalid TCP destination port"}},
      {Field::setup1_Text20, "-1", {"Invalid UDP OS upload port"}},
      {Field::setup1_Text33, "256", {"Invalid Delay time input volt.low or high"}},
      {Field::setup1_Text7, "241", {"Invalid Power failure delay time"}},
      // Lengths.
      {Field::setup1_Text2, "12", {"Invalid Base Phone number 1 (max 16)"}},
      {Field::setup1_Text2, "123", ok},
      {Field::setup3_Text25, "", ok},
      {Field::setup3_Text25, "123", {"Invalid SIM PIN Code (must be 4 digits long)"}},
      {Field::setup3_Text25, "1234", ok},
      {Field::setup3_Text25, "12a4", {"Invalid SIM PIN Code (Digits ONLY)"}},
      {Field::setup3_Text25, "ab12", {"Invalid SIM PIN Code (Digits ONLY)"}},
      {Field::setup1_Text35, "", ok},
      {Field::setup1_Text35, "+4479", ok},
      {Field::setup1_Text35, "4479", {"Invalid SMSC number(max 16 - first number + sign)"}},
      {Field::setup1_Text11, "1.2.", {"Invalid IP address or Domain name"}},
      {Field::setup1_Text9, "739", {"Invalid Existing Password"}},
      {Field::setup1_Text9, "73911", {"Invalid Existing Password"}},
      {Field::setup1_Text14, "", ok},
      {Field::setup1_Text14, "1", ok},
      {Field::setup1_Text14, "1234", ok},
      {Field::setup1_Text14, "12345", {"Invalid New Password"}},
      {Field::setup1_Text13, std::string(17, 'a'), {"Primary DNS to long!"}},
      {Field::setup1_Text15, std::string(16, 'a'), ok},
      // Coordinates: length, value and point.
      {Field::setup1_Text25, "52.34", {"Invalid LAT1 Value"}},
      {Field::setup1_Text25, "523456", {"Invalid LAT1 Value", "Invalid LAT1 Value"}},
      {Field::setup1_Text25, "90.000", ok},
      {Field::setup1_Text25, "90.0001", {"Invalid LAT1 Value"}},
      {Field::setup1_Text24, "52.34567", {"Invalid LAT2 Value"}},
      {Field::setup1_Text26, "104.8954", ok},
      {Field::setup1_Text26, "-4.8954", {"Invalid LONG1 Value"}},
      {Field::setup1_Text23, "180.0001", {"Invalid LONG2 Value"}},
  };
  for (const Case& c : cases) {
    FieldStore fields = validFields();
    fields.setText(c.field, c.text);
    EXPECT_EQ(check(fields), c.boxes) << static_cast<int>(c.field) << " '" << c.text << "'";
  }
}

TEST(Validation, SwitchesAskForPhoneNumbers) {
  FieldStore fields = validFields();
  fields.setIndex(Field::setup3_Combo5, 1);
  fields.setIndex(Field::setup3_Combo6, 1);
  EXPECT_EQ(check(fields), (std::vector<std::string>{"Need to configure Base 2 phone number",
                                                     "Need to configure Base 3 phone number"}));
  fields.setText(Field::setup1_Text34, "+441");
  fields.setIndex(Field::setup3_Combo6, 0);
  EXPECT_EQ(check(fields), std::vector<std::string>{"Configuration is OK"});
}

TEST(Validation, DigitRuleOnlyWhileNothingBroke) {
  FieldStore fields = validFields();
  fields.setText(Field::setup3_Text4, "123456789");
  fields.setText(Field::setup3_Text25, "12a4");
  EXPECT_EQ(check(fields),
            std::vector<std::string>{"Invalid Security ID code (Must be 10 Char long)"});
}

TEST(Validation, NumberTooLargeEndsTheRun) {
  for (Field field : {Field::setup1_Text29, Field::setup1_Text25, Field::setup1_Text8}) {
    FieldStore fields;  // start values: boxes before the failing field are shown
    fields.setText(field, "9E999");
    CheckOutcome outcome;
    const std::vector<std::string> boxes = check(fields, &outcome);
    EXPECT_EQ(outcome, CheckOutcome::Failed);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "Invalid Configuration");
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), "Invalid GPS reading interval"), 0);
  }
}

}  // namespace
}  // namespace config

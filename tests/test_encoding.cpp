// Encoding the configuration fields into the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/encoding.h"
#include "config/field_store.h"
#include "config/problems.h"
#include "config/validation.h"
#include "tests/config_samples.h"
#include "words/boxes.h"

namespace config {
namespace {

using F = Field;
using words::Icon;
using words::Message;

const Message kInvalid{"Invalid Configuration", "Error", Icon::Critical};
const Message kPinLength{"Invalid SIM PIN Code (must be 4 digits long)", "Error", Icon::Critical};
const Message kPinDigits{"Invalid SIM PIN Code (Digits ONLY)", "Error", Icon::Critical};

Message error(const char* text) {
  return {text, "Error", Icon::Critical};
}
// A box that names the field, then "Invalid Configuration".
std::vector<Message> named(const char* text) {
  return {error(text), kInvalid};
}

struct Encoded {
  bool ok;
  Image image;
  std::vector<Message> shown;
};

// Encodes the sample configuration changed by `change` into an image whose bytes were 7.
Encoded encodeWith(const std::function<void(FieldStore&)>& change) {
  FieldStore fields = test::sampleFields();
  if (change) change(fields);
  Encoded result{false, {}, {}};
  result.image.fill(0, kImageSize - 1, 7);
  VoltageCodeTable codes;
  const EncodingOutcome outcome = encodeConfiguration(fields, result.image, codes);
  result.ok = outcome.encoded;
  // The boxes the window shows for the refusal.
  if (!result.ok) result.shown = words::refusalBoxes({outcome.problems, 0, std::nullopt});
  return result;
}

std::function<void(FieldStore&)> setText(F field, std::string text) {
  return [=](FieldStore& f) { f.setText(field, text); };
}

TEST(Encoding, ConstantsAndSpareBytesAfterAnyEncoding) {
  for (const auto& change : {std::function<void(FieldStore&)>{}, setText(F::setup1_Text31, "16383"),
                             setText(F::setup1_Text2, "")}) {
    const Encoded e = encodeWith(change);
    if (!e.ok) {
      ASSERT_EQ(e.shown, std::vector<Message>{kInvalid});  // the empty phone number
      continue;
    }
    EXPECT_EQ(e.image.at(0), 76);
    for (const int i : {32, 37, 41, 43, 76, 165, 166, 210, 320, 321, 322, 323, 324, 325, 326})
      EXPECT_EQ(e.image.at(i), 0) << i;
    EXPECT_EQ(e.image.at(42), 16);
    EXPECT_EQ(e.image.at(44), 20);
    EXPECT_EQ(e.image.at(45), 10);
    for (const int i : {49, 51, 80, 81, 82, 83, 84, 154, 159, 215, 223, 327, 330, 335, 368})
      EXPECT_EQ(e.image.at(i), 255) << i;
    // Beyond what is sent, nothing is written.
    for (const int i : {369, 400}) EXPECT_EQ(e.image.at(i), 7) << i;
  }
}

struct BytesCase {
  const char* name;
  std::function<void(FieldStore&)> change;
  std::map<int, int> bytes;
  friend void PrintTo(const BytesCase& c, std::ostream* os) { *os << c.name; }
};

class EncodedBytes : public ::testing::TestWithParam<BytesCase> {};

TEST_P(EncodedBytes, Are) {
  const BytesCase& c = GetParam();
  const Encoded e = encodeWith(c.change);
  ASSERT_TRUE(e.ok);
  EXPECT_TRUE(e.shown.empty());
  for (const auto& [index, value] : c.bytes) EXPECT_EQ(e.image.at(index), value) << index;
}

std::map<int, int> textAt(int at, std::string_view text, std::map<int, int> more = {}) {
  for (const char c : text) more[at++] = static_cast<unsigned char>(c);
  return more;
}

INSTANTIATE_TEST_SUITE_P(
    Encoding, EncodedBytes,
    ::testing::Values(
        BytesCase{"Coordinate", setText(F::setup1_Text25, "32.0567"), {{4, 32}, {5, 5}, {6, 67}}},
        BytesCase{"SouthernLatitude",
                  [](FieldStore& f) {
                    f.setText(F::setup1_Text25, "32.5678");
                    f.setIndex(F::setup1_Combo8, 1);
                  },
                  {{4, 32}, {5, 56}, {6, 78}, {7, 1}}},
        BytesCase{"ThreeDecimals", setText(F::setup1_Text24, "32.123"), {{11, 32}, {12, 12}, {13, 3}}},
        BytesCase{"Longitude", setText(F::setup1_Text26, "018.4241"), {{85, 18}, {86, 42}, {87, 41}}},
        BytesCase{"Speed100", setText(F::setup1_Text29, "100"), {{94, 54}}},
        BytesCase{"Speed183", setText(F::setup1_Text29, "183"), {{94, 99}}},
        BytesCase{"Interval300", setText(F::setup1_Text22, "300"), {{218, 1}, {219, 44}}},
        BytesCase{"Interval255", setText(F::setup1_Text22, "255"), {{218, 0}, {219, 255}}},
        BytesCase{"Interval16383", setText(F::setup1_Text31, "16383"), {{2, 63}, {3, 255}}},
        BytesCase{"Prescale", setText(F::setup3_Text15, "65535"), {{208, 255}, {209, 255}}},
        BytesCase{"HalfToEvenDown", setText(F::setup1_Text3, "2.5"), {{33, 2}}},
        BytesCase{"HalfToEvenUp", setText(F::setup1_Text3, "3.5"), {{33, 4}}},
        BytesCase{"NumberAmidBlanks", setText(F::setup1_Text8, " 1 2"), {{39, 12}}},
        BytesCase{"PhoneNumber", setText(F::setup1_Text2, "+2782123456"),
                  textAt(16, "+2782123456#", {{28, 255}, {29, 255}, {30, 255}, {31, 255}})},
        BytesCase{"FullPhoneNumberHasNoTerminator", setText(F::setup1_Text2, "+123456789012345"),
                  textAt(16, "+123456789012345", {{32, 0}})},
        BytesCase{"FullPanicNumberLeavesTheConstants", setText(F::setup3_Text1, "1234567890123456"),
                  textAt(304, "1234567890123456", {{320, 0}})},
        BytesCase{"EmptyTerminatedText", setText(F::setup1_Text34, ""), {{256, 35}, {257, 255}}},
        BytesCase{"BlankInsidePort", setText(F::setup1_Text12, "80 81"),
                  textAt(64, "80", textAt(67, "81", {{66, 255}}))},
        BytesCase{"BlanksOutOfTheAddress", setText(F::setup1_Text11, "my host"),
                  textAt(96, "my", textAt(99, "host", {{98, 255}, {103, 255}}))},
        BytesCase{"ApnKeepsBlanks", setText(F::setup1_Text21, "a b"), textAt(224, "a b", {{227, 255}})},
        BytesCase{"ShortPrimaryDnsIsNotWritten",
                  [](FieldStore& f) {
                    f.setText(F::setup1_Text13, "1.2");
                    f.setText(F::setup1_Text15, "10.0.0.2");
                  },
                  {{336, 255}, {351, 255}, {352, 255}, {367, 255}}},
        BytesCase{"BothDns",
                  [](FieldStore& f) {
                    f.setText(F::setup1_Text13, "10.0.0.1");
                    f.setText(F::setup1_Text15, "10.0.0.2");
                  },
                  textAt(336, "10.0.0.1", textAt(352, "10.0.0.2", {{344, 255}, {360, 255}}))},
        BytesCase{"NoPin", setText(F::setup3_Text25, ""),
                  {{155, 0}, {156, 255}, {157, 255}, {158, 255}}},
        BytesCase{"Pin", setText(F::setup3_Text25, "0815"), textAt(155, "0815")},
        BytesCase{"ShortNewPasswordSendsTheExistingOne", setText(F::setup1_Text14, "12"),
                  textAt(211, "7391")},
        BytesCase{"NewPassword", setText(F::setup1_Text14, "1234"), textAt(211, "1234")},
        BytesCase{"PickupFlag", [](FieldStore& f) { f.setIndex(F::setup3_Combo3, 1); },
                  {{48, 1}, {217, 1}}},
        BytesCase{"PulseCounterIsNoPickup", [](FieldStore& f) { f.setIndex(F::setup3_Combo3, 2); },
                  {{48, 2}, {217, 0}}},
        BytesCase{"Voltages",
                  [](FieldStore& f) {
                    f.setIndex(F::setup1_Combo15, 0);
                    f.setIndex(F::setup1_Combo16, 90);
                  },
                  {{54, 166}, {55, 255}}},
        BytesCase{"Lists",
                  [](FieldStore& f) {
                    f.setIndex(F::setup1_Combo13, 7);
                    f.setIndex(F::setup3_Combo14, 1);
                    f.setIndex(F::setup3_Combo11, 5);
                  },
                  {{1, 7}, {8, 1}, {50, 5}}}),
    [](const auto& info) { return info.param.name; });

struct RefusalCase {
  const char* name;
  std::function<void(FieldStore&)> change;
  std::vector<Message> shown;
  bool imageTouched;  // a value that could not be encoded after the image fill had begun
  // Such a value: the configuration window's check names it in a box of its own.
  const char* named = nullptr;
  friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, EndInInvalidConfiguration) {
  const RefusalCase& c = GetParam();
  const Encoded e = encodeWith(c.change);
  EXPECT_FALSE(e.ok);
  EXPECT_EQ(e.shown, c.shown);
  EXPECT_EQ(e.image.at(0), c.imageTouched ? 76 : 7);
}

const std::vector<Message> kJustInvalid{kInvalid};

INSTANTIATE_TEST_SUITE_P(
    Encoding, Refusals,
    ::testing::Values(
        RefusalCase{
            "PinWithLetter", setText(F::setup3_Text25, "12a4"), {kPinDigits, kInvalid}, false},
        RefusalCase{"PinTooShort", setText(F::setup3_Text25, "123"), {kPinLength, kInvalid}, false},
        RefusalCase{"PinWithTwoLetters",
                    [](FieldStore& f) {
                      f.setText(F::setup3_Text25, "ab12");
                      f.setText(F::setup1_Text29, "999");
                    },
                    {kPinDigits, kInvalid},
                    false},
        RefusalCase{"SpeedAbove183", setText(F::setup1_Text29, "183.5"), kJustInvalid, false},
        RefusalCase{"LatitudeWithoutPoint", setText(F::setup1_Text25, "320567"), kJustInvalid,
                    false},
        RefusalCase{"CustomMessageWithoutNumber2",
                    [](FieldStore& f) {
                      f.setText(F::setup1_Text34, "");
                      f.setIndex(F::setup3_Combo5, 1);
                    },
                    kJustInvalid, false},
        RefusalCase{"SmscWithoutPlus", setText(F::setup1_Text35, "2782"), kJustInvalid, false},
        RefusalCase{"ExistingPasswordLength", setText(F::setup1_Text9, "739"), kJustInvalid, false},
        RefusalCase{"NumberTooLargeForADouble", setText(F::setup1_Text33, "1e999"), kJustInvalid,
                    false},
        // Texts that would spill into the following field's bytes.
        RefusalCase{"Number3OfSixteen", setText(F::setup1_Text5, "+123456789012345"),
                    named("Invalid Base Phone number 3 (max 15)"), false},
        RefusalCase{"SmscOfSixteen", setText(F::setup1_Text35, "+123456789012345"),
                    named("Invalid SMSC number (max 15)"), false},
        RefusalCase{"AddressOver48", setText(F::setup1_Text11, std::string(49, 'a')),
                    named("Invalid IP address or Domain name (max 48 characters)"), false},
        // The blank keeps its byte, so the last digit would land in the next field's.
        RefusalCase{"PortOfSixCharacters", setText(F::setup1_Text20, "0 8080"),
                    named("Invalid UDP OS upload port (max 5 characters)"), false},
        RefusalCase{"PortWithLeadingZeros", setText(F::setup1_Text12, "000001"),
                    named("Invalid UDP destination port (max 5 characters)"), false},
        RefusalCase{"SecondaryDnsOver16",
                    [](FieldStore& f) {
                      f.setText(F::setup1_Text13, "10.0.0.1");
                      f.setText(F::setup1_Text15, std::string(17, '1'));
                    },
                    named("Invalid Secondary DNS (max 16)"), false},
        RefusalCase{"DnsOver16",
                    setText(F::setup1_Text13,
                            "100.100.100.1001"
                            "0"),
                    named("Invalid Primary DNS (max 16)"), false},
        // Run-time errors after the image fill has begun: the box names the field.
        RefusalCase{"NoLowVoltage", [](FieldStore& f) { f.setIndex(F::setup1_Combo15, -1); },
                    kJustInvalid, true,
                    "Invalid Input voltage low trigger level (nothing selected)"},
        RefusalCase{"NoListSelection", [](FieldStore& f) { f.setIndex(F::setup3_Combo8, -1); },
                    kJustInvalid, true,
                    "Invalid Send data using SMS if GPRS fails (nothing selected)"},
        RefusalCase{"NoHemisphere", [](FieldStore& f) { f.setIndex(F::setup1_Combo9, -1); },
                    kJustInvalid, true, "Invalid LAT2 hemisphere (nothing selected)"},
        RefusalCase{"NoChoiceUnderATwoLineCaption",
                    [](FieldStore& f) { f.setIndex(F::setup3_Combo6, -1); }, kJustInvalid, true,
                    "Invalid Send Panic, Alarm, GEO or Power loss activated to Base Phone "
                    "Number 3 (nothing selected)"},
        RefusalCase{"NegativeDecimals", setText(F::setup1_Text25, "12.-512"), kJustInvalid, true,
                    "Invalid LAT1 (digits only after the point)"},
        RefusalCase{"AdcLevelAbove255", setText(F::setup3_Text2, "256"), kJustInvalid, true,
                    "Invalid ADC input trigger level (0-255)"},
        RefusalCase{"AdcDelayTooLargeForADouble", setText(F::setup3_Text3, "1e999"), kJustInvalid,
                    true, "Invalid ADC delay time (0-255 sec)"},
        // 255.6 rounds to 256, which is no byte.
        RefusalCase{"IntervalRoundingPastAByte", setText(F::setup1_Text22, "255.6"), kJustInvalid,
                    true, "Invalid Real Time track int. ONLINE(0-16383)"}),
    [](const auto& info) { return info.param.name; });

// Each check the download makes without a box of its own refuses with "Invalid Configuration"
// alone, before the image is touched.
struct SilentCase {
  F field;
  const char* text;
  int index = -2;  // a list's position to set with it (-2: none)
  F list = F::setup3_Combo5;
};

TEST(Encoding, EachSilentCheckRefusesWithTheClosingBoxAlone) {
  const SilentCase cases[] = {
      {F::setup3_Text4, "123456789"},
      {F::setup3_Text28, "256"},
      {F::setup1_Text29, "-1"},
      {F::setup1_Text30, "256"},
      {F::setup1_Text25, "91.0000"},
      {F::setup1_Text25, "1.000"},
      {F::setup1_Text24, "12.00000"},
      {F::setup1_Text26, "181.0000"},
      {F::setup1_Text23, "-1.0000"},
      {F::setup1_Text24, "1234567"},
      {F::setup1_Text26, "12345678"},
      {F::setup1_Text23, "1234567"},
      {F::setup1_Text12, "65536"},
      {F::setup1_Text20, "70000"},
      {F::setup1_Text10, "99999"},
      {F::setup1_Text32, "2"},
      {F::setup1_Text22, "16384"},
      {F::setup1_Text31, "-1"},
      {F::setup3_Text15, "65536"},
      {F::setup1_Text2, "12"},
      {F::setup1_Text5, "", 1, F::setup3_Combo6},
      {F::setup1_Text3, "0"},
      {F::setup1_Text4, "241"},
      {F::setup1_Text33, "-1"},
      {F::setup1_Text6, "241"},
      {F::setup1_Text7, "-0.6"},
      {F::setup1_Text8, "0"},
      {F::setup1_Text14, "12345"},
  };
  for (const SilentCase& c : cases) {
    const Encoded e = encodeWith([&c](FieldStore& f) {
      f.setText(c.field, c.text);
      if (c.index != -2) f.setIndex(c.list, c.index);
    });
    EXPECT_FALSE(e.ok) << static_cast<int>(c.field) << " " << c.text;
    EXPECT_EQ(e.shown, kJustInvalid) << static_cast<int>(c.field) << " " << c.text;
    EXPECT_EQ(e.image.at(0), 7) << static_cast<int>(c.field) << " " << c.text;
  }
}

// A port below 0 is the window's to refuse: the download has no lower bound for it.
TEST(Encoding, APortBelowZeroIsNotRefusedByTheDownload) {
  EXPECT_TRUE(encodeWith(setText(F::setup1_Text10, "-5")).ok);
}

// Whatever the download refuses, the configuration window's check refuses too, so "Configuration
// is OK" is never followed by "Invalid Configuration".
TEST_P(Refusals, AreReportedByTheCheck) {
  const RefusalCase& c = GetParam();
  FieldStore fields = test::sampleFields();
  c.change(fields);
  const FieldCheck check = checkFields(fields, encodingProblems);
  EXPECT_NE(check.outcome, CheckOutcome::Valid);
  const std::vector<Message> shown = words::checkBoxes(check);
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown.back().text, "Configuration is OK");
  if (c.named) {
    EXPECT_NE(std::find(shown.begin(), shown.end(), error(c.named)), shown.end());
  }
}

// What the download refuses is there as facts, for the boxes, the status line and reports, and
// a valid configuration has none; a value the encoding cannot take is named by its check's box.
TEST_P(Refusals, AreDownloadProblems) {
  const RefusalCase& c = GetParam();
  FieldStore fields = test::sampleFields();
  Image image;
  VoltageCodeTable codes;
  EXPECT_TRUE(encodeConfiguration(fields, image, codes).problems.empty());
  c.change(fields);
  const std::vector<config::Problem> problems =
      counted(encodeConfiguration(fields, image, codes).problems);
  EXPECT_FALSE(problems.empty());
  if (c.named) {
    EXPECT_TRUE(std::any_of(problems.begin(), problems.end(), [&](const config::Problem& p) {
      return p.message == c.named;
    })) << c.named;
  }
}

// How the download met each problem: named in a box of its own, a number it could not read,
// a field named again.
TEST(Encoding, ARefusalSaysHowTheDownloadMetEachProblem) {
  struct Met {
    F field;
    bool ownBox, unreadable, again;
    bool operator==(const Met&) const = default;
  };
  const struct {
    const char* name;
    std::function<void(FieldStore&)> change;
    std::vector<Met> met;
  } cases[] = {
      {"too large for its rule and too long for its bytes",
       setText(F::setup1_Text12, "1000000"),
       {{F::setup1_Text12, false, false, false}, {F::setup1_Text12, true, false, true}}},
      {"too long for its bytes only",
       setText(F::setup1_Text5, std::string(16, '1')),
       {{F::setup1_Text5, true, false, false}}},
      {"too large for a double",
       setText(F::setup1_Text29, "1e999"),
       {{F::setup1_Text29, false, true, false}}},
      {"a PIN too short",
       setText(F::setup3_Text25, "12"),
       {{F::setup3_Text25, true, false, false}}},
  };
  for (const auto& c : cases) {
    FieldStore fields = test::sampleFields();
    c.change(fields);
    Image image;
    VoltageCodeTable codes;
    std::vector<Met> met;
    for (const Problem& p : encodeConfiguration(fields, image, codes).problems)
      met.push_back({p.field, p.ownBox, p.unreadable, p.again});
    EXPECT_EQ(met, c.met) << c.name;
  }
}

// Blanks the encoding leaves out at the end of a text take no byte, so they do not count.
TEST(Encoding, TrailingBlanksTakeNoByte) {
  for (const auto& change :
       {setText(F::setup1_Text12, " 8080 "), setText(F::setup1_Text20, "8080     "),
        setText(F::setup1_Text11, std::string(48, 'a') + "  ")}) {
    const Encoded e = encodeWith(change);
    EXPECT_TRUE(e.ok);
    EXPECT_TRUE(e.shown.empty());
  }
  const Encoded e = encodeWith(setText(F::setup1_Text12, " 8080 "));
  EXPECT_EQ(e.image.at(64), 255);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(e.image.at(65 + i), "8080"[i]);
  EXPECT_EQ(e.image.at(69), '9');  // the next field's first digit, untouched
}

TEST(Encoding, ARunTimeErrorLeavesWhatWasWrittenBeforeIt) {
  // LAT1 is written after the speed and before LONG1.
  const Encoded e = encodeWith([](FieldStore& f) {
    f.setText(F::setup1_Text29, "100");
    f.setText(F::setup1_Text25, "12.-512");
  });
  ASSERT_FALSE(e.ok);
  EXPECT_EQ(e.image.at(94), 54);
  EXPECT_EQ(e.image.at(4), 12);
  EXPECT_EQ(e.image.at(5), 255);
  EXPECT_EQ(e.image.at(85), 255);
  EXPECT_EQ(e.image.at(369), 7);
}

}  // namespace
}  // namespace config

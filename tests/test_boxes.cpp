// Which box the window shows for which fact: a refused download, the configuration window's
// check, a file's load and save. Facts in, boxes out.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config/validation.h"
#include "words/boxes.h"

namespace words {
namespace {

using config::Field;
using config::Problem;

Message error(std::string text) {
  return {std::move(text), "Error", Icon::Critical};
}
const Message kInvalid = error("Invalid Configuration");

Problem silent(const char* message) {
  return {Field::setup1_Text2, "\"1\"", message, "3 to 16 characters"};
}
Problem boxed(const char* message) {
  Problem problem = silent(message);
  problem.ownBox = true;
  return problem;
}

TEST(Boxes, ARefusedConfiguration) {
  Problem unreadable = silent("Invalid Speed limit");
  unreadable.unreadable = true;
  Problem again = boxed("Invalid Base Phone number 1 (max 16)");
  again.again = true;
  const struct {
    const char* name;
    std::vector<Problem> problems;
    std::vector<Message> boxes;
  } cases[] = {
      {"only the encoding failed", {}, {kInvalid}},
      {"silent rules", {silent("a"), silent("b")}, {kInvalid}},
      {"named rules among silent ones",
       {boxed("Invalid SIM PIN Code (must be 4 digits long)"), silent("b"), boxed("c")},
       {error("Invalid SIM PIN Code (must be 4 digits long)"), error("c"), kInvalid}},
      {"a field named again keeps its box",
       {silent("Invalid Base Phone number 1 (max 16)"), again},
       {error("Invalid Base Phone number 1 (max 16)"), kInvalid}},
      {"a number too large for a double ends the look",
       {boxed("a"), unreadable, boxed("b")},
       {error("a"), kInvalid}},
  };
  for (const auto& c : cases) {
    device::Refusal refusal;
    refusal.problems = c.problems;
    EXPECT_EQ(refusalBoxes(refusal), c.boxes) << c.name;
  }
}

TEST(Boxes, ARefusedTableNamesItsFirstCell) {
  using Cell = device::UnsendableCell;
  const std::string advice =
      "), which the GPS TRACKING system cannot store. Type a latitude from 0 to 90 or a longitude "
      "from 0 to 180, with at most 4 decimals, or 255 for no location. Nothing has been sent.";
  const struct {
    Cell cell;
    std::string text;
  } cases[] = {
      {{5, 1, "north", Cell::NotANumber},
       "Row 5 holds a coordinate that is not a number (latitude \"north\"" + advice},
      {{0, 2, "181", Cell::OutOfRange},
       "Row 0 holds a coordinate outside 0 to 180 (longitude \"181\"" + advice},
      {{99, 1, "1.23456", Cell::TooPrecise},
       "Row 99 holds a coordinate with more than 4 decimals (latitude \"1.23456\"" + advice},
  };
  for (const auto& c : cases) {
    device::Refusal refusal;
    refusal.cell = c.cell;
    refusal.problems = {boxed("a configuration's problem is not the table's")};
    EXPECT_EQ(refusalBoxes(refusal),
              (std::vector<Message>{{c.text, "Invalid GPS Table", Icon::Critical}}));
  }
}

TEST(Boxes, TheConfigurationWindowsCheck) {
  const config::Rule* first = &config::validationRules()[0];
  const config::Rule* second = &config::validationRules()[3];
  const config::EncodingProblem hemisphere{Field::setup1_Combo9,
                                           config::Unencodable::NothingSelected};
  using config::CheckOutcome;
  const struct {
    const char* name;
    config::FieldCheck check;
    std::vector<Message> boxes;
  } cases[] = {
      {"valid",
       {CheckOutcome::Valid, {}, {}},
       {{"Configuration is OK", "Valid Configuration", Icon::None}}},
      {"broken rules",
       {CheckOutcome::Invalid, {first, second}, {}},
       {error(first->message), error(second->message)}},
      {"a number too large for a double",
       {CheckOutcome::Failed, {first}, {}},
       {error(first->message), kInvalid}},
      {"a value the encoding cannot take",
       {CheckOutcome::Invalid, {}, {hemisphere}},
       {error("Invalid LAT2 hemisphere (nothing selected)")}},
  };
  for (const auto& c : cases) EXPECT_EQ(checkBoxes(c.check), c.boxes) << c.name;
}

TEST(Boxes, TheFiles) {
  using Status = records::FileOutcome::Status;
  const Message saved{"Configuration has been Saved", "Saved", Icon::Information};
  const Message loadFailed = error("Error loading file");
  const struct {
    FileKind kind;
    Status status;
    Message save;
    std::optional<Message> load;
  } cases[] = {
      {FileKind::Configuration, Status::Done, saved, std::nullopt},
      {FileKind::Configuration, Status::Refused, error("Invalid Path"), loadFailed},
      {FileKind::Configuration, Status::Malformed, error("Invalid Path"), loadFailed},
      {FileKind::Table, Status::Done, saved, std::nullopt},
      {FileKind::Table, Status::Refused, error("Error saving File !"), loadFailed},
      {FileKind::Table, Status::Malformed, error("Error saving File !"), loadFailed},
  };
  for (const auto& c : cases) {
    const records::FileOutcome outcome{c.status, c.status == Status::Done ? "" : "why"};
    EXPECT_EQ(saveBox(c.kind, outcome), c.save) << static_cast<int>(c.status);
    EXPECT_EQ(loadBox(outcome), c.load) << static_cast<int>(c.status);
    RecordedMessages shown;
    EXPECT_EQ(showLoadBox(outcome, shown), c.status == Status::Done);
    EXPECT_EQ(showSaveBox(c.kind, outcome, shown), c.status == Status::Done);
    std::vector<Message> expected;
    if (c.load) expected.push_back(*c.load);
    expected.push_back(c.save);
    EXPECT_EQ(shown.shown, expected);
  }
}

}  // namespace
}  // namespace words

// The main window's view of an exchange, read as a table: a result in, the indicator changes
// and boxes out, in the order the window shows them.
#include <gtest/gtest.h>

#include <variant>

#include "device/exchange.h"
#include "window_rig.h"
#include "words/exchange_view.h"

namespace {

using device::Ending;
using words::Icon;
using words::Indicator;
using words::Message;

// One step the window takes: an indicator hidden, or a box shown.
using Step = std::variant<Indicator, Message>;

struct Recorder : words::Face {
  void setIndicator(Indicator indicator, bool visible) override {
    if (!visible) steps.emplace_back(indicator);
  }
  void setCount(long long) override {}
  void showBox(const Message& message) override { steps.emplace_back(message); }
  std::vector<Step> steps;
};

device::Result ended(Ending ending) {
  device::Result result;
  result.ending = ending;
  result.phase = device::Stage::Data;
  return result;
}

const Message kFailed{"Error download !", "Invalid download !", Icon::Critical};
const Message kDownloaded{"Download succesful !", "Download", Icon::Information};

struct Case {
  const char* name;
  int operation;
  device::Result result;
  std::vector<Step> steps;
};

TEST(ExchangeView, EachResultEndsWithItsBoxesInTheWindowsOrder) {
  device::Result damagedLog = ended(Ending::Finished);
  damagedLog.positions = 7;
  damagedLog.damaged = 2;
  device::Result cutLog = damagedLog;
  cutLog.damaged = 1;
  cutLog.endedInsideRecord = true;
  device::Result emptyLog = ended(Ending::Finished);
  device::Result missing = ended(Ending::PortUnavailable);
  missing.portDetail = "Device /dev/ttyUSB4 is not present.";
  device::Result damagedUpload = ended(Ending::Damaged);
  damagedUpload.damaged = 3;
  device::Result refused = ended(Ending::Invalid);
  refused.refusal.problems = {{config::Field::setup3_Text25, "\"12\"", "a", "", true}};

  const Case cases[] = {
      {"config upload done",
       device::kConfigUpload,
       ended(Ending::Finished),
       {Indicator::Command8, Message{"Upload complete", "Upload", Icon::Information}}},
      {"config upload silent",
       device::kConfigUpload,
       ended(Ending::TimedOut),
       {Indicator::Command8, kFailed}},
      {"config download done",
       device::kConfigDownload,
       ended(Ending::Finished),
       {Indicator::Command9, kDownloaded}},
      {"config download unconfirmed",
       device::kConfigDownload,
       ended(Ending::Unconfirmed),
       {Indicator::Command9, kFailed}},
      {"table upload done: the box shows over its button",
       device::kTableUpload,
       ended(Ending::Finished),
       {Message{"Upload succesful !", "Upload", Icon::Information}, Indicator::Command16}},
      {"table upload silent",
       device::kTableUpload,
       ended(Ending::TimedOut),
       {Indicator::Command16, Message{"Error upload !", "Invalid upload !", Icon::Critical}}},
      {"table download done",
       device::kTableDownload,
       ended(Ending::Finished),
       {kDownloaded, Indicator::Command15}},
      {"table download silent",
       device::kTableDownload,
       ended(Ending::TimedOut),
       {Indicator::Command15, kFailed}},
      {"empty log",
       device::kLogUpload,
       emptyLog,
       {Indicator::Command11, Indicator::Label4, Indicator::Label3,
        Message{"No GPS locations to download !", "", Icon::Information}}},
      {"log with damaged records: done, with a warning",
       device::kLogUpload,
       damagedLog,
       {Indicator::Command11, Indicator::Label4, Indicator::Label3,
        Message{"7 GPS locations Saved !\n2 damaged records were left out of the file: what "
                "arrived cannot be a GPS location (characters other than digits, or a record "
                "of the wrong length). Check the cable and upload again.",
                "Saved", Icon::Warning}}},
      {"log that ended inside a record: the damaged-records warning, and that the log may go on",
       device::kLogUpload,
       cutLog,
       {Indicator::Command11, Indicator::Label4, Indicator::Label3,
        Message{"7 GPS locations Saved !\n1 damaged record was left out of the file: what "
                "arrived cannot be a GPS location (characters other than digits, or a record "
                "of the wrong length). Check the cable and upload again.\nThe log ended inside a "
                "record: it may be incomplete, the unit may hold more positions.",
                "Saved", Icon::Warning}}},
      {"log silent",
       device::kLogUpload,
       ended(Ending::TimedOut),
       {Indicator::Command11, Indicator::Label4, Indicator::Label3,
        Message{"Error GPS Data download !", "Invalid download !", Icon::Critical}}},
      {"log file failed: the box shows over the button",
       device::kLogUpload,
       ended(Ending::FileFailed),
       {Message{"Download ", "Error", Icon::Critical}, Indicator::Command11, Indicator::Label4,
        Indicator::Label3}},
      {"log cancelled",
       device::kLogUpload,
       ended(Ending::Cancelled),
       {Indicator::Command11, Indicator::Label4, Indicator::Label3}},
      {"wrong password",
       device::kTableUpload,
       ended(Ending::WrongPassword),
       {Indicator::Command16, Message{"Invalid Password", "Password Invalid !", Icon::Critical}}},
      {"missing port",
       device::kConfigUpload,
       missing,
       {Message{"COM: not available. Change the CommPort property to another port.\nDevice "
                "/dev/ttyUSB4 is not present.",
                "ERROR", Icon::None}}},
      {"garbled configuration upload",
       device::kConfigUpload,
       damagedUpload,
       {Indicator::Command8,
        Message{"Error download !\n3 damaged characters arrived (not hexadecimal digits); nothing "
                "garbled was kept. Check the cable and upload again.",
                "Invalid download !", Icon::Critical}}},
      {"garbled table upload",
       device::kTableUpload,
       damagedUpload,
       {Indicator::Command16,
        Message{"Error upload !\n3 damaged characters arrived (not hexadecimal digits); nothing "
                "garbled was kept. Check the cable and upload again.",
                "Invalid upload !", Icon::Critical}}},
      {"refused before sending",
       device::kConfigDownload,
       refused,
       {Message{"a", "Error", Icon::Critical},
        Message{"Invalid Configuration", "Error", Icon::Critical}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder face;
    words::ExchangeView view(c.operation, face);
    // The data phase has shown the operation's progress button and labels; a missing port or
    // a refusal never gets that far.
    if (c.result.ending != Ending::PortUnavailable && c.result.ending != Ending::Invalid)
      view.progress(device::dataPhase(0, device::Counting::Digits));
    face.steps.clear();
    const std::vector<Message> told = view.end(c.result);
    const std::vector<Step>& expected = c.steps;
    EXPECT_EQ(face.steps, expected);
    std::vector<Message> boxes;
    for (const Step& step : expected) {
      if (const auto* box = std::get_if<Message>(&step)) boxes.push_back(*box);
    }
    EXPECT_EQ(told, boxes);
  }
}

// The progress reports show Command5 while the unit is polled and the password goes out, hide
// it once the password is out, and show the operation's button (and for the GPS log its count)
// when the data flows.
// The status line's first word: a log kept with records lost is not "Done".
TEST(ExchangeView, TheStatusLineSaysHowItEnded) {
  device::Result damagedLog = ended(Ending::Finished);
  damagedLog.damaged = 2;
  device::Result cutLog = ended(Ending::Finished);
  cutLog.endedInsideRecord = true;
  const std::pair<device::Result, words::Ending> cases[] = {
      {ended(Ending::Finished), words::Ending::Done},
      {damagedLog, words::Ending::Incomplete},
      {cutLog, words::Ending::Incomplete},
      {ended(Ending::Cancelled), words::Ending::Cancelled},
      {ended(Ending::TimedOut), words::Ending::Failed},
      {ended(Ending::Damaged), words::Ending::Failed},
  };
  for (const auto& [result, ending] : cases) {
    SCOPED_TRACE(static_cast<int>(result.ending));
    EXPECT_EQ(words::endingOf(result), ending);
  }
}

TEST(ExchangeView, ProgressShowsOneButtonAtATime) {
  testing_window::RecordingFace face;
  words::ExchangeView view(device::kLogUpload, face);
  view.progress(device::atStage(device::Stage::Polling));
  view.progress(device::atStage(device::Stage::Polling));
  view.progress(device::atStage(device::Stage::Password));
  view.progress(device::atStage(device::Stage::Acceptance));
  device::Progress data = device::dataPhase(0, device::Counting::Characters);
  data.positions = 0;
  view.progress(data);
  data.positions = 1;
  view.progress(data);
  EXPECT_EQ(face.visibilityChanges,
            (std::vector<std::pair<Indicator, bool>>{{Indicator::Command5, true},
                                                     {Indicator::Command5, false},
                                                     {Indicator::Command11, true},
                                                     {Indicator::Label4, true},
                                                     {Indicator::Label3, true}}));
  EXPECT_EQ(face.counts, std::vector<long long>{1});
}

}  // namespace

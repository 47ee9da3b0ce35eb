// The words of the main menu's status line, from the exchange's progress reports in virtual
// time.
#include <gtest/gtest.h>

#include <functional>

#include "device/exchange.h"
#include "words/status_text.h"

namespace {

using device::Counting;
using device::Progress;
using device::Stage;
using words::Ending;
using words::StatusText;

Progress polling(int polls, bool lost = false) {
  Progress p;
  p.polls = polls;
  p.portLost = lost;
  return p;
}

Progress data(long long done, long long total, Counting counting) {
  Progress p = device::dataPhase(total, counting);
  p.done = done;
  return p;
}

Progress logData(long long characters, long long positions) {
  Progress p = device::dataPhase(0, Counting::Characters);
  p.done = characters;
  p.positions = positions;
  p.file = "08-12-2026L_13.32.57.csv";
  return p;
}

struct Case {
  const char* name;
  int operation;
  std::function<void(StatusText&)> events;  // after start() at 0 s
  double now;
  std::string expected;
};

const std::string kPort = "COM1 (/dev/ttyUSB0, FT232R USB UART)";

const Case kCases[] = {
    {"FirstPoll", device::kConfigUpload, [](StatusText& s) { s.progress(polling(1), 0); }, 0.2,
     kPort + ": trying to connect; 0 s, 1 poll sent."},
    {"UnansweredPollsGiveTheHint", device::kConfigUpload,
     [](StatusText& s) {
       for (int n = 1; n <= 3; ++n) s.progress(polling(n), n - 1);
     },
     2.5,
     kPort + ": trying to connect; 2 s, 3 polls sent. No answer: check the cable, the unit's "
             "power and the chosen port."},
    {"PortLost", device::kLogUpload, [](StatusText& s) { s.progress(polling(2, true), 1); }, 1.5,
     kPort + ": device lost, opening it again at each poll; 1 s, 2 polls sent."},
    {"Password", device::kLogUpload,
     [](StatusText& s) {
       s.progress(polling(1), 0);
       s.progress(device::atStage(Stage::Password), 0.5);
     },
     1, "COM1: the unit answered; checking the password."},
    {"ConfigUploadWithRate", device::kConfigUpload,
     [](StatusText& s) {
       s.progress(data(0, 736, Counting::Digits), 2);
       s.progress(data(480, 736, Counting::Digits), 3.9);
     },
     4, "Configuration upload: 480 of 736 digits, 240 digits/s."},
    {"NoRateInTheFirstSecond", device::kConfigDownload,
     [](StatusText& s) { s.progress(data(5, 738, Counting::Digits), 2); }, 2.5,
     "Configuration download: 5 of 738 digits."},
    {"Stalled", device::kTableDownload,
     [](StatusText& s) {
       s.progress(data(0, 1200, Counting::Bytes), 1);
       s.progress(data(300, 1200, Counting::Bytes), 2);
     },
     5.2, "GPS table download: 300 of 1200 bytes, 71 bytes/s. No data for 3 s."},
    {"LogPositionsAndFile", device::kLogUpload,
     [](StatusText& s) {
       s.progress(logData(0, 0), 1);
       s.progress(logData(760, 20), 3);
     },
     3, "GPS log upload: 20 positions saved to 08-12-2026L_13.32.57.csv, 380 characters/s."},
    {"Cancelled", device::kLogUpload,
     [](StatusText& s) {
       s.progress(polling(4), 3);
       s.end(Ending::Cancelled, "14:02:11", "", "");
     },
     9, "Cancelled at 14:02:11."},
    {"DoneWithTheFileWritten", device::kLogUpload,
     [](StatusText& s) {
       s.progress(logData(760, 20), 3);
       s.end(Ending::Done, "14:02:11", "20 GPS locations Saved !", "/home/tech/08-12.csv");
     },
     9, "Done at 14:02:11: 20 GPS locations Saved ! File: /home/tech/08-12.csv"},
    {"FailedOnTwoLines", device::kConfigUpload,
     [](StatusText& s) {
       s.end(Ending::Failed, "14:02:11", "COM: not available.\nDevice /dev/x is not present.", "");
     },
     0, "Failed at 14:02:11: COM: not available. Device /dev/x is not present."},
};

class StatusTexts : public ::testing::TestWithParam<Case> {};

TEST_P(StatusTexts, SayWhatTheExchangeIsDoing) {
  const Case& c = GetParam();
  StatusText status;
  EXPECT_EQ(status.text(0), "");
  status.start(c.operation, "COM1", "/dev/ttyUSB0", "FT232R USB UART", 0);
  c.events(status);
  EXPECT_EQ(status.text(c.now), c.expected);
}

INSTANTIATE_TEST_SUITE_P(StatusLine, StatusTexts, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The configuration download and upload against the simulated unit, with virtual link ticks.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "config/encoding.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "device/config_download.h"
#include "device/config_upload.h"
#include "serial/com_ports.h"
#include "sim/config_operations.h"
#include "sim/rig.h"
#include "tests/config_samples.h"
#include "window_rig.h"

namespace {

using config::Field;
using testing_window::Indicator;
using words::Icon;
using words::Message;

const Message kDownloaded{"Download succesful !", "Download", Icon::Information};
const Message kFailed{"Error download !", "Invalid download !", Icon::Critical};
const Message kUploaded{"Upload complete", "Upload", Icon::Information};

struct ConfigRig : testing_window::WindowRig {
  std::shared_ptr<sim::ConfigMemory> memory = std::make_shared<sim::ConfigMemory>();
  sim::ConfigSend& send = unit.install<sim::ConfigSend>('U', memory);
  sim::ConfigReceive& receive = unit.install<sim::ConfigReceive>('D', memory);
  config::Image image;
  config::FieldStore fields;

  void download() { exchange(device::kConfigDownload, device::configDownloadTransfer(&image)); }
  void upload() {
    exchange(device::kConfigUpload, device::configUploadTransfer({&image, &fields}));
  }
};

TEST(ConfigDownload, AnAllZeroImageGoesOutAs738Zeros) {
  ConfigRig rig;
  rig.image.set(369, 1);  // beyond what is sent
  rig.download();
  EXPECT_EQ(rig.unit.dataHeard(), std::string(738, '0'));
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kDownloaded});
  EXPECT_FALSE(rig.face.visible(Indicator::Command9));
  EXPECT_FALSE(rig.port.isOpen());
  // One pause before the stream and one after every character.
  EXPECT_EQ(rig.link.pausedTotal(), 739 * device::kDownloadPause);
}

// The pace of the download against a timer that wakes late, in virtual time: each digit
// leaves no sooner than its fixed time (k pauses after the first), lateness does not add up
// from one digit to the next, and no digit follows the one before by less than kShortestGap.
struct PaceCase {
  const char* name;
  std::function<std::chrono::microseconds(int wake)> lateness;
  friend void PrintTo(const PaceCase& c, std::ostream* os) { *os << c.name; }
};

class DownloadPace : public ::testing::TestWithParam<PaceCase> {};

TEST_P(DownloadPace, KeepsToFixedTimes) {
  using std::chrono::microseconds;
  struct TimedPort : sim::SimPort {
    using SimPort::SimPort;
    void write(std::string_view text) override {
      if (text.size() == 1) writes.push_back(*clock);
      SimPort::write(text);
    }
    const microseconds* clock = nullptr;
    std::vector<microseconds> writes;
  };
  sim::Unit unit;
  sim::installConfigOperations(unit);
  TimedPort port(unit);
  device::Link link(port);
  sim::RecordingHost host;
  device::Result result;
  config::Image image;

  microseconds clock{0};
  port.clock = &clock;
  std::deque<std::pair<microseconds, std::function<void()>>> wakes;
  int wake = 0;
  link.setClock([&clock] { return clock; });
  link.setSleeper([&](microseconds length, std::function<void()> done) {
    wakes.emplace_back(clock + length + GetParam().lateness(wake++), std::move(done));
  });
  link.start(device::runExchange(
      {&link, &host, &result},
      {device::kConfigDownload, serial::comDevicePath(1), device::configDownloadTransfer(&image)}));
  for (int tick = 0; tick < 60 && link.busy(); ++tick) {
    while (!wakes.empty()) {
      auto [at, done] = std::move(wakes.front());
      wakes.pop_front();
      clock = std::max(clock, at);
      done();
    }
    unit.tick();
    link.timerTick();
  }
  ASSERT_EQ(result.ending, device::Ending::Finished);
  ASSERT_GE(port.writes.size(), 738u);
  const std::vector<microseconds> digits(port.writes.end() - 738, port.writes.end());
  for (size_t k = 1; k < digits.size(); ++k) {
    EXPECT_GE(digits[k] - digits[0], static_cast<int>(k) * device::kDownloadPause) << k;
    EXPECT_GE(digits[k] - digits[k - 1], device::kShortestGap) << k;
  }
  EXPECT_LE(digits.back() - digits.front(), 737 * device::kDownloadPause + microseconds(100));
}

INSTANTIATE_TEST_SUITE_P(
    ConfigDownload, DownloadPace,
    ::testing::Values(PaceCase{"OnTime", [](int) { return std::chrono::microseconds(0); }},
                      // A timer that wakes 60 us late each time, as the program's does.
                      PaceCase{"WakingLate", [](int) { return std::chrono::microseconds(60); }},
                      // One wake 20 ms late: the digits after it catch up without a burst.
                      PaceCase{"OneStall",
                               [](int wake) {
                                 return std::chrono::microseconds(wake == 100 ? 20000 : 60);
                               }}),
    [](const auto& info) { return info.param.name; });

TEST(ConfigDownload, BytesGoAsTwoUpperCaseDigits) {
  ConfigRig rig;
  const std::pair<int, const char*> bytes[] = {{255, "FF"}, {16, "10"},  {9, "09"},
                                               {10, "0A"},  {172, "AC"}, {5, "05"}};
  for (int i = 0; i < 6; ++i) rig.image.set(i, bytes[i].first);
  rig.image.set(368, 255);
  rig.download();
  const std::string& heard = rig.unit.dataHeard();
  ASSERT_EQ(heard.size(), 738u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(heard.substr(2 * i, 2), bytes[i].second);
  EXPECT_EQ(heard.substr(736), "FF");
  EXPECT_EQ(rig.memory->lastDownload.size(), 369u);
  EXPECT_EQ(rig.memory->image[0], 255);
}

struct ReplyCase {
  const char* name;
  std::string reply;
  int pieces;
  int after;  // digits received before the unit replies
  bool confirmed;
  friend void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }
};

class DownloadReplies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(DownloadReplies, OnlyUpperCaseOkConfirms) {
  const ReplyCase& c = GetParam();
  ConfigRig rig;
  rig.receive.reply = c.reply;
  rig.receive.replyPieces = c.pieces;
  rig.receive.replyAfter = c.after;
  rig.download();
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{c.confirmed ? kDownloaded : kFailed});
  EXPECT_FALSE(rig.face.visible(Indicator::Command9));
  EXPECT_FALSE(rig.port.isOpen());
}

INSTANTIATE_TEST_SUITE_P(ConfigDownload, DownloadReplies,
                         ::testing::Values(ReplyCase{"Ok", "OK", 1, 738, true},
                                           ReplyCase{"OkInTwoPieces", "OK", 2, 738, true},
                                           ReplyCase{"OkAmidText", "xxOKyy", 3, 738, true},
                                           ReplyCase{"OkBeforeTheLastDigit", "OK", 1, 700, true},
                                           ReplyCase{"LowerCase", "ok", 1, 738, false},
                                           ReplyCase{"Nothing", "", 1, 738, false}),
                         [](const auto& info) { return info.param.name; });

TEST(ConfigDownload, NoReplyWaitsFourTicks) {
  ConfigRig rig;
  rig.receive.reply = "";
  int sentAt = -1;
  const int ticks =
      rig.run(rig.exchangeTask(device::kConfigDownload, device::configDownloadTransfer(&rig.image)),
              100, [&](int tick) {
                if (sentAt < 0 && rig.unit.dataHeard().size() == 738) sentAt = tick;
              });
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kFailed});
  EXPECT_EQ(ticks - sentAt, 4);
}

TEST(ConfigDownload, CancelWhileWaitingForOkEndsSilentlyWithTheButtonHidden) {
  ConfigRig rig;
  rig.receive.reply = "";
  rig.run(rig.exchangeTask(device::kConfigDownload, device::configDownloadTransfer(&rig.image)),
          100, [&](int) {
            if (rig.unit.dataHeard().size() == 738) rig.link.cancel();
          });
  EXPECT_TRUE(rig.face.boxes.shown.empty());
  EXPECT_FALSE(rig.face.visible(Indicator::Command9));
  EXPECT_FALSE(rig.port.isOpen());
}

TEST(ConfigUpload, AnswersEveryDigitButNotTheLateP) {
  ConfigRig rig;
  *rig.memory = sim::plausibleConfiguration();
  rig.send.lateP = true;
  rig.upload();
  EXPECT_EQ(rig.unit.dataHeard(), std::string(736, '1'));
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kUploaded});
  EXPECT_FALSE(rig.face.visible(Indicator::Command8));
  EXPECT_FALSE(rig.port.isOpen());
  for (int i = 0; i < config::kUploadedBytes; ++i) {
    EXPECT_EQ(rig.image.at(i), rig.memory->image[i]) << i;
  }
  EXPECT_EQ(rig.fields.versionText(), "2.14");
  EXPECT_EQ(rig.fields.text(Field::setup1_Text2), "+27821234567");
  EXPECT_EQ(rig.fields.text(Field::setup1_Text25), "33.9245");
  EXPECT_EQ(rig.fields.index(Field::setup1_Combo15), 18);
  // What the demonstration unit holds passes the checks and can be downloaded again.
  config::Image again;
  config::VoltageCodeTable codes;
  EXPECT_TRUE(config::encodeConfiguration(rig.fields, again, codes).encoded);
}

struct DigitsCase {
  const char* name;
  std::string digits;
  int previous;  // byte 0 before the upload
  int byte0;
  friend void PrintTo(const DigitsCase& c, std::ostream* os) { *os << c.name; }
};

class UploadDigits : public ::testing::TestWithParam<DigitsCase> {};

TEST_P(UploadDigits, MakeBytes) {
  const DigitsCase& c = GetParam();
  ConfigRig rig;
  rig.image.set(0, c.previous);
  rig.unit.install<sim::ConfigSend>('U', rig.memory, c.digits + std::string(734, '0'));
  rig.upload();
  EXPECT_EQ(rig.image.at(0), c.byte0);
  // Anything but an upper-case hexadecimal digit is noise: the upload ends damaged and the
  // fields keep what they held.
  const bool clean = c.digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
  EXPECT_EQ(rig.result.ending, clean ? device::Ending::Finished : device::Ending::Damaged);
  EXPECT_EQ(rig.result.damaged, clean ? 0 : 1);
  EXPECT_EQ(rig.fields.versionText() == config::FieldStore().versionText(), !clean);
}

INSTANTIATE_TEST_SUITE_P(
    ConfigUpload, UploadDigits,
    ::testing::Values(DigitsCase{"FourC", "4C", 0, 76}, DigitsCase{"FF", "FF", 0, 255},
                      DigitsCase{"ZeroA", "0A", 0, 10}, DigitsCase{"LowerCaseDigit", "0a", 0, 42},
                      // 'Z' makes 16 * 35: the byte keeps 7, then the low digit adds 1.
                      DigitsCase{"HighDigitOutOfRange", "Z1", 7, 8},
                      // 240 + 35 is no byte: 240 stays.
                      DigitsCase{"LowDigitOutOfRange", "FZ", 0, 240}),
    [](const auto& info) { return info.param.name; });

struct EndCase {
  const char* name;
  std::function<void(sim::ConfigSend&, sim::Unit&)> setUp;
  bool completes;
  friend void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }
};

class UploadEnds : public ::testing::TestWithParam<EndCase> {};

TEST_P(UploadEnds, TimeOutsLeaveTheFieldsAlone) {
  const EndCase& c = GetParam();
  ConfigRig rig;
  *rig.memory = sim::plausibleConfiguration();
  c.setUp(rig.send, rig.unit);
  rig.fields.setText(Field::setup1_Text2, "untouched");
  rig.upload();
  EXPECT_FALSE(rig.face.visible(Indicator::Command8));
  EXPECT_FALSE(rig.port.isOpen());
  if (c.completes) {
    EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kUploaded});
    EXPECT_EQ(rig.fields.text(Field::setup1_Text2), "+27821234567");
  } else {
    EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kFailed});
    EXPECT_EQ(rig.fields.text(Field::setup1_Text2), "untouched");
    EXPECT_EQ(rig.fields.versionText(), "XXXX");
  }
}

INSTANTIATE_TEST_SUITE_P(
    ConfigUpload, UploadEnds,
    ::testing::Values(
        EndCase{"PauseOf7Ticks",
                [](sim::ConfigSend& s, sim::Unit&) {
                  s.pauseAt = 300;
                  s.pauseTicks = 7;
                },
                true},
        EndCase{"PauseOf8Ticks",
                [](sim::ConfigSend& s, sim::Unit&) {
                  s.pauseAt = 300;
                  s.pauseTicks = 8;
                },
                false},
        EndCase{"SilentAfter100", [](sim::ConfigSend&, sim::Unit& u) { u.knobs.silentAfter = 100; },
                false},
        // A port may hand over the version's characters in one read.
        EndCase{"VersionInOnePiece",
                [](sim::ConfigSend& s, sim::Unit&) { s.versionInOnePiece = true; }, true},
        EndCase{"VersionCutShort",
                [](sim::ConfigSend&, sim::Unit& u) { u.knobs.silentAfter = 738; }, false},
        // The second digit of the joined read is lost, so the version's first
        // character is taken as the last digit and only three version reads follow.
        EndCase{"TwoDigitsInOneRead", [](sim::ConfigSend& s, sim::Unit&) { s.joinAt = 10; },
                false}),
    [](const auto& info) { return info.param.name; });

TEST(ConfigUpload, TwoDigitsInOneReadGetOneAnswer) {
  ConfigRig rig;
  rig.send.joinAt = 0;
  rig.memory->image[0] = 0x4C;
  rig.memory->image[1] = 0x21;
  rig.upload();
  // "4C" arrives in one read: only "4" counts and one "1" answers it; the next read's "2"
  // becomes the low digit of byte 0.
  EXPECT_EQ(rig.image.at(0), 0x42);
  EXPECT_EQ(rig.unit.dataHeard(), std::string(735, '1'));
}

TEST(ConfigUpload, CancelEndsSilently) {
  for (const bool inVersionStage : {false, true}) {
    ConfigRig rig;
    if (inVersionStage) {
      rig.unit.knobs.silentAfter = 738;  // two version characters: the stage waits for more
    } else {
      rig.send.pauseAt = 100;
      rig.send.pauseTicks = 7;
    }
    rig.fields.setText(Field::setup1_Text2, "untouched");
    rig.run(rig.exchangeTask(device::kConfigUpload,
                             device::configUploadTransfer({&rig.image, &rig.fields})),
            100, [&](int) {
              if (rig.unit.dataHeard().size() >= 100) rig.link.cancel();
            });
    EXPECT_FALSE(rig.link.busy());
    EXPECT_TRUE(rig.face.boxes.shown.empty());
    EXPECT_FALSE(rig.face.visible(Indicator::Command8));
    EXPECT_EQ(rig.fields.text(Field::setup1_Text2), "untouched");
  }
}

// Fields -> encoding -> download into the unit -> upload back -> fields.
TEST(ConfigRoundTrip, FieldsComeBackExceptWhereTheFormsDiffer) {
  using F = Field;
  config::FieldStore sent = test::sampleFields();
  sent.setText(F::setup1_Text29, "101");      // km/h to knots and back
  sent.setText(F::setup1_Text25, "05.5678");  // leading zero of the degrees
  sent.setText(F::setup1_Text24, "32.123");   // three decimals
  sent.setIndex(F::setup1_Combo16, 35);       // a code that occurs twice
  sent.setText(F::setup1_Text11, "my host");  // blanks left out
  sent.setText(F::setup1_Text13, "abc");      // too short to be stored
  sent.setText(F::setup1_Text15, "10.0.0.2");
  sent.setText(F::setup1_Text5, "+27831234567");
  sent.setText(F::setup1_Text2, "+123456789012345");  // fills its slot
  sent.setText(F::setup1_Text14, "1234");
  sent.setText(F::setup3_Text25, "0815");
  sent.setText(F::setup3_Text1, "1234567890123456");
  sent.setIndex(F::setup3_Combo3, 1);
  sent.setIndex(F::setup3_Combo11, 4);
  sent.setIndex(F::setup1_Combo13, 6);

  ConfigRig rig;
  config::VoltageCodeTable codes;
  ASSERT_TRUE(config::encodeConfiguration(sent, rig.image, codes).encoded);
  rig.download();
  ASSERT_EQ(rig.face.boxes.shown, std::vector<Message>{kDownloaded});
  rig.face.boxes.shown.clear();
  rig.image = config::Image{};
  rig.upload();
  ASSERT_EQ(rig.face.boxes.shown, std::vector<Message>{kUploaded});

  const std::map<F, std::string> changedTexts = {
      {F::setup1_Text3, " 30"},  {F::setup1_Text4, " 10"},     {F::setup1_Text32, " 20"},
      {F::setup1_Text6, " 5"},   {F::setup1_Text7, " 10"},     {F::setup1_Text8, " 5"},
      {F::setup1_Text33, " 10"}, {F::setup1_Text22, " 60"},    {F::setup1_Text31, " 240"},
      {F::setup3_Text2, " 0"},   {F::setup3_Text3, " 0"},      {F::setup3_Text15, " 0"},
      {F::setup1_Text29, "102"}, {F::setup1_Text25, "5.5678"}, {F::setup1_Text24, "32.1203"},
      {F::setup1_Text11, "my"},  {F::setup1_Text13, ""},       {F::setup1_Text15, ""},
      {F::setup1_Text9, "7391"}, {F::setup1_Text14, ""},
  };
  const std::map<F, int> changedLists = {{F::setup1_Combo16, 34}};
  for (const config::FieldRow& row : config::fieldTable()) {
    if (row.kind == config::Kind::List) {
      const auto found = changedLists.find(row.field);
      EXPECT_EQ(rig.fields.index(row.field),
                found != changedLists.end() ? found->second : sent.index(row.field))
          << row.control;
    } else {
      const auto found = changedTexts.find(row.field);
      EXPECT_EQ(rig.fields.text(row.field),
                found != changedTexts.end() ? found->second : sent.text(row.field))
          << config::windowName(row.window) << " " << row.control;
    }
  }
  EXPECT_EQ(rig.fields.versionText(), rig.memory->version);
}

}  // namespace

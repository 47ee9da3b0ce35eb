// The device exchange against the simulated unit, with virtual link ticks.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "device/exchange.h"
#include "device/port_failure.h"
#include "serial/com_ports.h"
#include "sim/rig.h"
#include "window_rig.h"

namespace {

using testing_window::Indicator;
using words::Icon;
using words::Message;

const Message kInvalidPassword{"Invalid Password", "Password Invalid !", Icon::Critical};

// A transfer that only notes that it ran.
device::Transfer noting(int& runs) {
  return [&runs](device::Context) -> device::Task {
    ++runs;
    co_return;
  };
}

struct WakeCase {
  const char* name;
  std::string answer;
  int pieces;
  bool accepted;
  friend void PrintTo(const WakeCase& c, std::ostream* os) { *os << c.name; }
};

class WakeAnswers : public ::testing::TestWithParam<WakeCase> {};

TEST_P(WakeAnswers, AreRecognisedOnlyWithCrLfInUpperCase) {
  const WakeCase& c = GetParam();
  testing_window::WindowRig rig;
  rig.unit.knobs.wakeAnswer = c.answer;
  rig.unit.knobs.wakePieces = c.pieces;
  int runs = 0;
  const int ticks = rig.exchange(device::kConfigUpload, noting(runs), 1, 20);
  if (c.accepted) {
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(rig.unit.polls(), 1);
    EXPECT_LT(ticks, 10);
    EXPECT_TRUE(rig.face.boxes.shown.empty());
  } else {
    // Still polling, one "O" a tick, and nothing else was sent.
    EXPECT_TRUE(rig.link.busy());
    EXPECT_EQ(runs, 0);
    EXPECT_GE(rig.unit.polls(), 19);
    EXPECT_EQ(rig.unit.heard(), std::string(static_cast<size_t>(rig.unit.polls()), 'O'));
  }
}

INSTANTIATE_TEST_SUITE_P(Exchange, WakeAnswers,
                         ::testing::Values(WakeCase{"OK0", "OK0\r\n", 1, true},
                                           WakeCase{"OK1", "OK1\r\n", 1, true},
                                           WakeCase{"InThreePieces", "OK0\r\n", 3, true},
                                           WakeCase{"EachCharacterAlone", "OK1\r\n", 5, true},
                                           WakeCase{"AmidOtherText", "xxOK1\r\nyy", 1, true},
                                           WakeCase{"WithoutCrLf", "OK0", 1, false},
                                           WakeCase{"WithoutLf", "OK0\r", 1, false},
                                           WakeCase{"LowerCase", "ok0\r\n", 1, false},
                                           WakeCase{"OtherDigit", "OK2\r\n", 1, false}),
                         [](const auto& info) { return info.param.name; });

struct AcceptCase {
  const char* name;
  std::string reply;
  bool accepted;
  friend void PrintTo(const AcceptCase& c, std::ostream* os) { *os << c.name; }
};

class PasswordReplies : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(PasswordReplies, AnyLowerCasePAccepts) {
  const AcceptCase& c = GetParam();
  testing_window::WindowRig rig;
  rig.unit.knobs.accept = c.reply;
  int runs = 0;
  rig.exchange(device::kLogUpload, noting(runs));
  EXPECT_FALSE(rig.link.busy());
  EXPECT_EQ(runs, c.accepted ? 1 : 0);
  EXPECT_EQ(rig.face.boxes.shown,
            c.accepted ? std::vector<Message>{} : std::vector<Message>{kInvalidPassword});
  EXPECT_FALSE(rig.face.visible(Indicator::Command5));
  EXPECT_FALSE(rig.port.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Exchange, PasswordReplies,
                         ::testing::Values(AcceptCase{"p", "p", true},
                                           AcceptCase{"pInsideText", "xxpyy", true},
                                           AcceptCase{"UpperCaseP", "P", false},
                                           AcceptCase{"Nothing", "", false}),
                         [](const auto& info) { return info.param.name; });

TEST(Exchange, SendsThePasswordTwiceAroundTheOperationLetter) {
  const std::string letters = "UDLCO";
  for (int operation = 0; operation < device::kOperationCount; ++operation) {
    for (const std::string password : {"7391", ""}) {
      testing_window::WindowRig rig;
      rig.host.passwordText = password;
      rig.unit.knobs.password = password;
      int runs = 0;
      rig.exchange(operation, noting(runs));
      EXPECT_EQ(rig.unit.heard(), "O" + password + "\r" + letters[operation] + password + "\r");
      EXPECT_EQ(rig.unit.letter(), letters[operation]);
      EXPECT_EQ(runs, 1);
    }
  }
}

TEST(Exchange, WrongPasswordIsReportedAndThePortClosed) {
  testing_window::WindowRig rig;
  rig.unit.knobs.password = "1234";
  rig.exchange(device::kConfigUpload);
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{kInvalidPassword});
  EXPECT_FALSE(rig.port.isOpen());
}

TEST(Exchange, CancelWhilePollingEndsAtOnceSilentlyWithThePortClosed) {
  testing_window::WindowRig rig;
  rig.unit.knobs.silent = true;
  bool portWasOpen = false;
  const int ticks = rig.run(rig.exchangeTask(device::kConfigUpload), 100, [&](int tick) {
    if (tick == 5) {
      portWasOpen = rig.port.isOpen();
      rig.link.cancel();
    }
  });
  EXPECT_TRUE(portWasOpen);
  EXPECT_EQ(ticks, 5);
  EXPECT_FALSE(rig.link.busy());
  EXPECT_FALSE(rig.port.isOpen());
  EXPECT_TRUE(rig.face.boxes.shown.empty());
  EXPECT_EQ(rig.unit.polls(), 6);  // one at the start and one at the end of each tick
}

TEST(Exchange, CancelWhileWaitingAfterTheLetterSendsNoSecondPassword) {
  testing_window::WindowRig rig;
  rig.run(rig.exchangeTask(device::kConfigUpload), 100, [&](int tick) {
    if (tick == 2) rig.link.cancel();
  });
  EXPECT_EQ(rig.unit.heard(), "O7391\rU");
  EXPECT_FALSE(rig.port.isOpen());
  EXPECT_TRUE(rig.face.boxes.shown.empty());
}

TEST(Exchange, MissingPortIsReportedAndNothingShown) {
  testing_window::WindowRig rig;
  rig.port.existing = {serial::comDevicePath(1)};
  rig.exchange(device::kConfigUpload, {}, 12);
  EXPECT_EQ(rig.port.lastDevice, serial::comDevicePath(12));
  // The fixed text, and under it the device and why it could not be opened.
  const Message notAvailable{
      std::string(words::kPortNotAvailable) + "\n" +
          device::portFailureLine(serial::comDevicePath(12) + " of the simulated unit",
                                  device::PortFault::NotPresent),
      "ERROR", Icon::None};
  EXPECT_EQ(rig.face.boxes.shown, std::vector<Message>{notAvailable});
  EXPECT_TRUE(rig.face.visibilityChanges.empty());
  EXPECT_FALSE(rig.port.isOpen());
  EXPECT_EQ(rig.unit.heard(), "");
}

TEST(Exchange, EveryExchangeOpensAt9600EvenAfterATransferSwitchedTo38400) {
  testing_window::WindowRig rig;
  device::Transfer fast = [](device::Context s) -> device::Task {
    s.link->port().setSettings(device::kSettings38400);
    co_return;
  };
  rig.exchange(device::kLogUpload, fast);
  EXPECT_FALSE(rig.port.isOpen());
  rig.exchange(device::kTableUpload, fast);
  EXPECT_EQ(rig.port.settingsHistory,
            (std::vector<device::LineSettings>{device::kSettings9600, device::kSettings38400,
                                               device::kSettings9600, device::kSettings38400}));
  EXPECT_EQ(rig.port.opens, 2);
}

TEST(Exchange, AbortWhileWaitingClosesThePort) {
  testing_window::WindowRig rig;
  rig.unit.knobs.silent = true;
  rig.run(rig.exchangeTask(device::kConfigUpload), 3);
  ASSERT_TRUE(rig.link.busy());
  ASSERT_TRUE(rig.port.isOpen());
  rig.link.abort();
  EXPECT_FALSE(rig.link.busy());
  EXPECT_FALSE(rig.port.isOpen());
}

// A port whose input the test fills, with or without telling the link (readyRead).
struct FilledPort : device::Port {
  std::string input;
  bool isOpen() const override { return true; }
  bool open(const std::string&, const device::LineSettings&) override { return true; }
  bool setSettings(const device::LineSettings&) override { return true; }
  void close() override {}
  void discardInput() override { input.clear(); }
  int waiting() override { return static_cast<int>(input.size()); }
  std::string read() override { return std::exchange(input, {}); }
  void write(std::string_view) override {}
  void arrive(std::string_view text) {
    input += text;
    arrived();
  }
};

// One wait for the unit. What came before it: `quiet` characters no one was told of, `told`
// characters whose arrival came while the exchange was running.
device::Task listenOnce(device::Link* link, FilledPort* port, device::Listen listen,
                        std::string quiet, std::string told, std::optional<device::Heard>* heard) {
  link->setTick(0);
  port->input += quiet;
  if (!told.empty()) port->arrive(told);
  *heard = co_await link->hear(listen);
}

// How a wait for the unit ends, event by event: "t" a link tick, "c" a cancel click, any other
// character arriving. It ends after `endsAfter` events (-1: it is still waiting after all).
TEST(Link, AWaitForTheUnitEndsAtCharactersSilenceOrCancel) {
  using K = device::Heard::Kind;
  const struct {
    const char* name;
    device::Listen listen;
    const char* quiet;
    const char* told;
    const char* events;
    int endsAfter;
    K kind;
    const char* piece;
    const char* left;  // still in the port afterwards
  } cases[] = {
      {"TicksBelowTheLimitGoOn", {.ticks = 3}, "", "", "tt", -1, K::Silence, "", ""},
      {"SilenceAtTheLimit", {.ticks = 3}, "", "", "tttt", 3, K::Silence, "", ""},
      {"OneReadIsOnePiece", {.ticks = 3}, "", "", "tNt", 2, K::Characters, "N", ""},
      {"CancelClick", {.ticks = 3}, "", "", "cN", 1, K::Cancelled, "", ""},
      {"CancelBeforeCharacters", {.ticks = 3}, "p", "", "c", 1, K::Cancelled, "", "p"},
      {"CancelIgnored", {.ticks = 3, .cancels = false}, "", "", "ccN", 3, K::Characters, "N", ""},
      {"CancelIgnoredSilence",
       {.ticks = 2, .cancels = false},
       "",
       "",
       "ctt",
       3,
       K::Silence,
       "",
       ""},
      {"CharactersLeftWaiting",
       {.ticks = 2, .reads = false},
       "",
       "",
       "ptt",
       3,
       K::Silence,
       "",
       "p"},
      {"CharactersLeftCancel",
       {.ticks = 2, .reads = false},
       "",
       "",
       "pc",
       2,
       K::Cancelled,
       "",
       "p"},
      {"ArrivalWhileRunningIsRemembered", {.ticks = 3}, "", "OK", "t", 0, K::Characters, "OK", ""},
      {"QuietCharactersWaitForAnEvent", {.ticks = 3}, "OK", "", "t", 1, K::Characters, "OK", ""},
      {"QuietCharactersLookedAtFirst",
       {.ticks = 3, .looksFirst = true},
       "OK",
       "",
       "t",
       0,
       K::Characters,
       "OK",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FilledPort port;
    device::Link link(port);
    std::optional<device::Heard> heard;
    link.start(listenOnce(&link, &port, c.listen, c.quiet, c.told, &heard));
    int events = 0;
    for (const char* e = c.events; *e && !heard; ++e, ++events) {
      if (*e == 't') {
        link.timerTick();
      } else if (*e == 'c') {
        link.cancel();
      } else {
        port.arrive(std::string(1, *e));
      }
    }
    if (c.endsAfter < 0) {
      EXPECT_FALSE(heard.has_value());
      EXPECT_TRUE(link.busy());
      continue;
    }
    ASSERT_TRUE(heard.has_value());
    EXPECT_EQ(events, c.endsAfter);
    EXPECT_EQ(heard->kind, c.kind);
    EXPECT_EQ(heard->piece, c.piece);
    EXPECT_EQ(port.input, c.left);
    EXPECT_FALSE(link.busy());
  }
}

// A read that fails throws inside the exchange, where it waits, not into whoever woke the link
// (readyRead, Timer1): the transfer's own handling ends it.
TEST(Link, AReadThatThrowsEndsTheWaitInsideTheExchange) {
  struct FailingPort : FilledPort {
    std::string read() override { throw std::runtime_error("the device is gone"); }
  } port;
  device::Link link(port);
  std::exception_ptr escaped;
  link.onFinished([&escaped](std::exception_ptr error) { escaped = error; });
  std::optional<device::Heard> heard;
  link.start(listenOnce(&link, &port, {.ticks = 3}, "", "", &heard));
  EXPECT_NO_THROW(port.arrive("N"));
  EXPECT_FALSE(link.busy());
  EXPECT_FALSE(heard.has_value());
  EXPECT_EQ(device::errorDetail(escaped), ": the device is gone");
}

TEST(Exchange, LinkTickWrapsAtSixty) {
  testing_window::WindowRig rig;
  rig.link.setTick(58);
  rig.link.timerTick();
  EXPECT_EQ(rig.link.tick(), 59);
  rig.link.timerTick();
  EXPECT_EQ(rig.link.tick(), 0);
}

// A device that hangs up while the unit is polled (a USB adapter pulled) closes the port; the
// port is opened again at each poll until the device is back, and the unit is then reached
// without a cancel.
TEST(Exchange, APortLostWhilePollingIsOpenedAgainWhenTheDeviceIsBack) {
  testing_window::WindowRig rig;
  rig.unit.knobs.silent = true;
  int runs = 0;
  rig.run(rig.exchangeTask(device::kLogUpload, noting(runs), 3), 30, [&rig](int tick) {
    if (tick == 3) {
      rig.port.hangUp();
      rig.port.existing = {serial::comDevicePath(1)};  // COM3 is gone
    }
    if (tick == 6) rig.port.existing.clear();  // and back
    if (tick == 8) rig.unit.knobs.silent = false;
  });
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(rig.link.busy());
  EXPECT_TRUE(rig.face.boxes.shown.empty());
  EXPECT_EQ(rig.port.opens, 2);
  EXPECT_EQ(rig.port.lastDevice, serial::comDevicePath(3));
  // Polls while the device was gone went nowhere; the status said so.
  EXPECT_NE(rig.port.writtenWhileClosed.find('O'), std::string::npos);
  bool saidLost = false, saidBack = false;
  for (const device::Progress& report : rig.host.reports) {
    if (report.stage != device::Stage::Polling) continue;
    if (report.portLost) saidLost = true;
    if (saidLost && !report.portLost) saidBack = true;
  }
  EXPECT_TRUE(saidLost);
  EXPECT_TRUE(saidBack);
}

}  // namespace

// The configuration transfers from the main menu's buttons, on a simulated unit.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>
#include <functional>

#include "app/main_window.h"
#include "config/config_file.h"
#include "config/field_store.h"
#include "device/config_download.h"
#include "forms/config_windows.h"
#include "sim/config_operations.h"
#include "sim/sim_port.h"
#include "tests/config_samples.h"
#include "tests/main_menu_fixture.h"
#include "ui/file_browser.h"
#include "ui/help.h"
#include "words/messages.h"

namespace {

using words::Icon;
using words::Message;

std::vector<Message> only(std::string text, std::string title, Icon icon) {
  return {Message{std::move(text), std::move(title), icon}};
}

struct ConfigMenu : MainMenuFixture {
  std::shared_ptr<sim::ConfigMemory> memory = sim::installConfigOperations(unit);

  // A link tick every 20 ms of real time, so the download's timed pauses run as in the
  // program.
  void runExchange() { MainMenuFixture::runExchange(20); }
};

TEST_F(ConfigMenu, AConfigurationThatFailsItsChecksIsNeverSent) {
  // At startup no voltage level is chosen and the coordinates are empty.
  click("Command1");
  EXPECT_EQ(boxes.shown, only("Invalid Configuration", "Error", Icon::Critical));
  EXPECT_FALSE(window.serialLink().busy());
  EXPECT_EQ(port.opens, 0);
  EXPECT_TRUE(unit.heard().empty());
  EXPECT_EQ(window.configImage().at(0), 0);
}

// A refused download shows the one box the download has for it; the status line names every
// cause, in place of what the last exchange said.
TEST_F(ConfigMenu, ARefusalNamesItsCausesInTheStatusLine) {
  struct Case {
    std::function<void(config::Fields&)> change;
    std::string said;
  };
  const Case cases[] = {
      {[](config::Fields& f) { f.setIndex(config::Field::setup1_Combo15, -1); },
       "Refused: Input voltage low trigger level: nothing selected."},
      {[](config::Fields& f) {
         f.setText(config::Field::setup1_Text29, "200");
         f.setText(config::Field::setup1_Text32, "2");
       },
       "Refused (2 problems): Speed Limit (0-183 km/h): \"200\" (allowed: 0 to 183); "
       "Vibration sensitivity (3-255): \"2\" (allowed: 3 to 255)."},
      // A short server address is the check's rule alone: the counts differ, and the line says so.
      {[](config::Fields& f) {
         f.setText(config::Field::setup1_Text29, "200");
         f.setText(config::Field::setup1_Text11, "a.b");
       },
       "Refused (1 problem by the download's rules; the check finds 2): Speed Limit (0-183 "
       "km/h): \"200\" (allowed: 0 to 183)."},
  };
  config::copyFields(test::sampleFields(), window.configFields());
  click("Command1");
  runExchange();
  for (const Case& c : cases) {
    config::copyFields(test::sampleFields(), window.configFields());
    c.change(window.configFields());
    boxes.shown.clear();
    click("Command1");
    EXPECT_EQ(boxes.shown, only("Invalid Configuration", "Error", Icon::Critical));
    EXPECT_EQ(window.statusText(), c.said);
  }
}

// The status line says how an exchange ended when it ends, not when its box is closed.
TEST_F(ConfigMenu, TheStatusLineEndsBeforeTheBoxShows) {
  config::copyFields(test::sampleFields(), window.configFields());
  std::string atTheBox;
  boxes.whenShown = [&] { atTheBox = window.statusText(); };
  click("Command1");
  runExchange();
  EXPECT_EQ(atTheBox.substr(0, 8), "Done at ") << atTheBox;
}

TEST_F(ConfigMenu, DownloadSendsTheEncodedConfigurationAtItsPace) {
  config::copyFields(test::sampleFields(), window.configFields());
  QElapsedTimer elapsed;
  elapsed.start();
  click("Command1");
  runExchange();
  EXPECT_EQ(boxes.shown, only("Download succesful !", "Download", Icon::Information));
  EXPECT_GE(elapsed.elapsed(), 738 * device::kDownloadPause.count() / 1000);
  ASSERT_EQ(memory->lastDownload.size(), 369u);
  for (int i = 0; i < 369; ++i) EXPECT_EQ(memory->lastDownload[i], window.configImage().at(i));
  EXPECT_EQ(window.operationCode(), device::kConfigDownload);
  EXPECT_FALSE(window.control("Command9")->isVisible());
  EXPECT_FALSE(port.isOpen());
}

// The window's own proof of a download: the status line says what the read-back showed; the
// boxes are the download's, and only they.
TEST_F(ConfigMenu, AReadBackAfterADownloadSpeaksInTheStatusLineOnly) {
  config::copyFields(test::sampleFields(), window.configFields());
  window.setReadBack(true);
  const std::pair<int, std::string> cases[] = {
      {-1, "Download succesful ! Read back: verified (unit version 2.14)."},
      {16,
       "Download succesful ! Read back otherwise, not verified: Base phone number 1 (unit "
       "version 2.14)."},
  };
  for (const auto& [wrong, said] : cases) {
    unit.knobs.storeWrong = wrong;
    boxes.shown.clear();
    const std::string sent = window.configFields().text(config::Field::setup1_Text2);
    click("Command1");
    runExchange();
    EXPECT_EQ(boxes.shown, only("Download succesful !", "Download", Icon::Information)) << wrong;
    const std::string status = window.statusText();
    EXPECT_TRUE(status.ends_with(said)) << status;
    // The windows keep what was meant, whatever came back.
    EXPECT_EQ(window.configFields().text(config::Field::setup1_Text2), sent);
  }
}

TEST_F(ConfigMenu, ExitDuringTheDownloadsPausesEndsItCleanly) {
  config::copyFields(test::sampleFields(), window.configFields());
  click("Command1");
  for (int i = 0; i < 3; ++i) {
    unit.tick();
    window.serialLink().timerTick();
  }
  QElapsedTimer elapsed;
  elapsed.start();
  while (elapsed.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const size_t sent = unit.dataHeard().size();
  EXPECT_GT(sent, 0u);
  EXPECT_LT(sent, 738u);
  window.exitProgram();
  elapsed.restart();
  while (elapsed.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_FALSE(window.serialLink().busy());
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(unit.dataHeard().size(), sent);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ConfigMenu, UploadFillsBothWindowsAndTheVersion) {
  *memory = sim::plausibleConfiguration();
  click("Command7");
  runExchange();
  EXPECT_EQ(boxes.shown, only("Upload complete", "Upload", Icon::Information));
  config::Fields& fields = window.configFields();
  EXPECT_EQ(fields.versionText(), "2.14");
  EXPECT_EQ(fields.text(config::Field::setup1_Text11), "tracker.example.net");
  EXPECT_EQ(fields.index(config::Field::setup1_Combo16), 30);
  EXPECT_EQ(fields.index(config::Field::setup3_Combo2), 3);
  EXPECT_EQ(fields.text(config::Field::setup3_Text4), "4815062937");
  EXPECT_FALSE(window.control("Command8")->isVisible());
}

// A load from setup1 says in the status line what it did: the texts it cut to fit, and after a
// failure which records were applied.
TEST_F(ConfigMenu, ALoadSaysWhatItDidInTheStatusLine) {
  QTemporaryDir folder;
  config::FieldStore sample;
  sample.setText(config::Field::setup1_Text21, std::string(40, 'a'));
  std::string text = config::configurationText(sample);
  // The APN is cut only by the load: the file says 40 characters.
  const std::string apn = "\"" + sample.text(config::Field::setup1_Text21) + "\"";
  text.replace(text.find(apn), apn.size(), "\"" + std::string(40, 'a') + "\"");
  const std::string whole = (folder.path() + "/long.cfg").toStdString();
  const std::string cutShort = (folder.path() + "/short.cfg").toStdString();
  std::ofstream(whole, std::ios::binary) << text;
  std::size_t end = 0;
  for (int line = 0; line < 40; ++line) end = text.find("\r\n", end) + 2;
  std::ofstream(cutShort, std::ios::binary) << text.substr(0, end);

  forms::Setup1& setup1 = window.configWindows().setup1();
  struct Case {
    std::string path;
    std::string said;
  };
  const Case cases[] = {
      {whole,
       "Loaded long.cfg. Cut to fit: APN (access point Name) 32 Max (40 characters, 32 "
       "kept)."},
      {cutShort,
       "Loaded records 1 to 40 of 71 from short.cfg; the other fields keep their earlier "
       "values. Download would send this mix. (the file ends after 40 of 71 records, the last "
       "on line 40.) Cut to fit: APN (access point Name) 32 Max (40 characters, 32 kept)."},
  };
  for (const Case& c : cases) {
    setup1.fileBrowser().setPath(c.path);
    qobject_cast<QPushButton*>(setup1.control("Command1"))->click();
    EXPECT_EQ(window.statusText(), c.said);
  }
}

}  // namespace

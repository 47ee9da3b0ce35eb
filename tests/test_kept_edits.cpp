// The technician's unsaved edits: kept on disk as they are made, offered back in the status line
// at the next start and after an upload over them, and kept no longer once saved or downloaded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <regex>

#include "app/edit_keeper.h"
#include "config/config_file.h"
#include "config/field_store.h"
#include "forms/config_windows.h"
#include "forms/setup2.h"
#include "sim/config_operations.h"
#include "tests/config_samples.h"
#include "tests/main_menu_fixture.h"
#include "ui/file_browser.h"

namespace {

using app::KeptEdits;
using config::Field;

constexpr char kEdit[] = "edited.example";

struct KeptEditsTest : MainMenuFixture {
  QTemporaryDir state;
  std::shared_ptr<sim::ConfigMemory> memory = sim::installConfigOperations(unit);
  KeptEdits files{state.path().toStdString()};

  KeptEditsTest() {
    window.keepEditsIn(state.path().toStdString());
    config::copyFields(test::sampleFields(), window.configFields());
    // The sample is what the technician started from: no edit of theirs yet.
    window.editKeeper()->replaced(KeptEdits::Part::Configuration);
  }

  // Lets the windows stay unchanged long enough for their edits to be kept.
  static void pause(int ms = app::EditKeeper::kQuietMs + 200) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  std::optional<std::string> keptText(KeptEdits::Part part) const {
    const auto kept = files.kept(part);
    return kept ? std::optional(kept->text) : std::nullopt;
  }
  static QPushButton* restoreLink(app::GPStracking& w) {
    for (QPushButton* b : w.findChildren<QPushButton*>()) {
      if (b->text() == "Restore") return b;
    }
    return nullptr;
  }
  static bool offersKeptEdits(app::GPStracking& w) {
    static const std::regex offer(
        "Unsaved edits from \\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d were kept:");
    return std::regex_match(w.statusText(), offer) && restoreLink(w)->isVisibleTo(&w);
  }
};

// Edits of both parts are on disk once the windows have been still a moment; a program killed
// then (destroyed without EXIT) offers them back at its next start, and Restore fills the
// windows with them.
TEST_F(KeptEditsTest, EditsSurviveAKillAndComeBackWithRestore) {
  window.configFields().setText(Field::setup1_Text2, kEdit);
  window.locationTable().setCell(7, 1, "51.5");
  EXPECT_EQ(keptText(KeptEdits::Part::Configuration), std::nullopt);
  pause();
  EXPECT_EQ(keptText(KeptEdits::Part::Configuration),
            config::configurationText(window.configFields()));
  EXPECT_NE(keptText(KeptEdits::Part::Table), std::nullopt);
  EXPECT_FALSE(offersKeptEdits(window));

  app::GPStracking next({&port, &boxes, &help});
  next.keepEditsIn(state.path().toStdString());
  ASSERT_TRUE(offersKeptEdits(next)) << next.statusText();
  EXPECT_NE(next.configFields().text(Field::setup1_Text2), kEdit);
  restoreLink(next)->click();
  EXPECT_EQ(next.configFields().text(Field::setup1_Text2), kEdit);
  EXPECT_EQ(next.locationTable().cell(7, 1), "51.5");
  EXPECT_FALSE(restoreLink(next)->isVisibleTo(&next));
  EXPECT_NE(next.statusText().find("restored"), std::string::npos);
  EXPECT_TRUE(boxes.shown.empty());
}

// EXIT keeps the edit being typed, however quick.
TEST_F(KeptEditsTest, ExitKeepsTheLastEditAtOnce) {
  window.configFields().setText(Field::setup1_Text2, kEdit);
  window.exitProgram();
  EXPECT_NE(keptText(KeptEdits::Part::Configuration).value_or("").find(kEdit), std::string::npos);
}

// An upload fills the windows as before, and offers back the edits it replaced; they stay kept
// when what the upload brought is saved or downloaded, and go once they are.
TEST_F(KeptEditsTest, AnUploadOverEditsOffersThemBack) {
  window.configFields().setText(Field::setup1_Text2, kEdit);
  pause();
  click("Command7");
  runExchange(20);
  ASSERT_TRUE(offersKeptEdits(window)) << window.statusText();
  EXPECT_NE(window.configFields().text(Field::setup1_Text2), kEdit);

  // What the upload brought, written back: the edits are not those, and stay.
  config::copyFields(test::sampleFields(), window.configFields());
  window.editKeeper()->replaced(KeptEdits::Part::Configuration);
  click("Command1");
  runExchange(20);
  ASSERT_NE(keptText(KeptEdits::Part::Configuration), std::nullopt);

  window.keepEditsIn(state.path().toStdString());
  ASSERT_TRUE(offersKeptEdits(window)) << window.statusText();
  restoreLink(window)->click();
  EXPECT_EQ(window.configFields().text(Field::setup1_Text2), kEdit);
  click("Command1");
  runExchange(20);
  EXPECT_EQ(keptText(KeptEdits::Part::Configuration), std::nullopt);
}

// A save of the windows takes their edits: nothing is kept or offered after it.
TEST_F(KeptEditsTest, ASaveTakesTheEdits) {
  QTemporaryDir folder;
  window.configFields().setText(Field::setup1_Text2, kEdit);
  pause();
  ASSERT_NE(keptText(KeptEdits::Part::Configuration), std::nullopt);
  forms::Setup1& setup1 = window.configWindows().setup1();
  setup1.fileBrowser().setPath((folder.path() + "/unit.cfg").toStdString());
  qobject_cast<QPushButton*>(setup1.control("Command4"))->click();
  EXPECT_EQ(keptText(KeptEdits::Part::Configuration), std::nullopt);
  pause();
  EXPECT_EQ(keptText(KeptEdits::Part::Configuration), std::nullopt);
}

}  // namespace

// The GPS location table as the main menu creates, opens and transfers it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>

#include "app/main_window.h"
#include "forms/setup2.h"
#include "loctable/cell_store.h"
#include "loctable/table_file.h"
#include "sim/sim_port.h"
#include "sim/table_operations.h"
#include "tests/main_menu_fixture.h"
#include "ui/file_browser.h"
#include "ui/help.h"
#include "words/messages.h"

namespace {

using words::Icon;
using words::Message;

struct TableFromMenu : MainMenuFixture {
  forms::Setup2& table = window.locationTable();
};

TEST_F(TableFromMenu, StartupFillsTheHiddenTable) {
  EXPECT_FALSE(table.isVisible());
  EXPECT_EQ(table.parentWidget(), &window);
  for (int row = 0; row < 100; ++row) {
    EXPECT_EQ(table.cell(row, 0), std::to_string(row));
    EXPECT_EQ(table.cell(row, 1), "255");
    EXPECT_EQ(table.cell(row, 2), "255");
  }
}

TEST_F(TableFromMenu, Command12OpensItModallyAndRestoresThePointer) {
  window.show();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool modal = false;
  QTimer::singleShot(0, [&] {
    modal = QApplication::activeModalWidget() == &table;
    table.startEdit(3, 1);
    table.editBox()->setText("32.0851");
    table.findChild<QPushButton*>("Command2")->click();
  });
  click("Command12");
  EXPECT_TRUE(modal);
  EXPECT_FALSE(table.isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(table.cell(3, 1), "32.0851");
}

TEST_F(TableFromMenu, UploadAndDownloadUseTheGrid) {
  sim::installTableOperations(unit, sim::plausibleTable());
  click("Command13");
  runExchange();
  EXPECT_EQ(table.cell(0, 1), "32.0851");
  EXPECT_EQ(table.cell(0, 2), "115.5000");

  table.setCell(0, 1, "7");
  click("Command14");
  runExchange();
  EXPECT_EQ(boxes.shown,
            (std::vector<Message>{{"Upload succesful !", "Upload", Icon::Information},
                                  {"Download succesful !", "Download", Icon::Information}}));
  EXPECT_EQ(unit.dataHeard().substr(0, 6), "070000");
  EXPECT_FALSE(port.isOpen());
}

// A cell the numeric reading would quietly turn into another number (0 for "abc", 12 for
// "12,5") is refused like a number out of range: named with its row, nothing sent. Texts read
// whole go out, blanks around them allowed.
TEST_F(TableFromMenu, CellThatIsNoNumberIsRefusedBeforeThePortOpens) {
  sim::installTableOperations(unit, sim::plausibleTable());
  struct Case {
    int row, column;
    std::string text;
    std::string refusal;  // empty: the table goes out
  };
  const std::string tail =
      ", which the GPS TRACKING system cannot store. Type a latitude from 0 to 90 or a longitude "
      "from 0 to 180, with at most 4 decimals, or 255 for no location. Nothing has been sent.";
  const Case cases[] = {
      {5, 1, "abc", "Row 5 holds a coordinate that is not a number (latitude \"abc\")" + tail},
      {17, 2, "12,5", "Row 17 holds a coordinate that is not a number (longitude \"12,5\")" + tail},
      {99, 1, "1.2.3",
       "Row 99 holds a coordinate that is not a number (latitude \"1.2.3\")" + tail},
      {0, 2, "", "Row 0 holds a coordinate that is not a number (longitude \"\")" + tail},
      {3, 1, "300", "Row 3 holds a coordinate outside 0 to 90 (latitude \"300\")" + tail},
      {4, 2, "180.5", "Row 4 holds a coordinate outside 0 to 180 (longitude \"180.5\")" + tail},
      {6, 1, "12.34567",
       "Row 6 holds a coordinate with more than 4 decimals (latitude \"12.34567\")" + tail},
      {5, 1, " 32.5 ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    loctable::fillStartupContent(table);
    table.setCell(c.row, c.column, c.text);
    boxes.shown.clear();
    const int opens = port.opens;
    const size_t heard = unit.heard().size();
    click("Command14");
    if (c.refusal.empty()) {
      runExchange();
      EXPECT_EQ(boxes.shown,
                (std::vector<Message>{{"Download succesful !", "Download", Icon::Information}}));
      EXPECT_EQ(unit.dataHeard().substr(6 * (2 * c.row + c.column - 1), 6), "203200");
      continue;
    }
    EXPECT_EQ(boxes.shown,
              (std::vector<Message>{{c.refusal, "Invalid GPS Table", Icon::Critical}}));
    EXPECT_FALSE(window.serialLink().busy());
    EXPECT_EQ(port.opens, opens);
    EXPECT_EQ(unit.heard().size(), heard);
  }
}

TEST_F(TableFromMenu, UnsendableTableIsRefusedWithoutOpeningThePort) {
  table.setCell(42, 2, "-45.5");
  table.setCell(60, 1, "300");
  click("Command14");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("Row 42 "), std::string::npos);
  EXPECT_EQ(boxes.shown[0].icon, Icon::Critical);
  EXPECT_FALSE(window.serialLink().busy());
  EXPECT_EQ(port.opens, 0);
  EXPECT_EQ(unit.heard(), "");
}

// The table window's loads and saves, and a refused download, each replace what the status
// line said last; a failed load says which rows it set.
TEST_F(TableFromMenu, FilesAndRefusalsSayWhatTheyDidInTheStatusLine) {
  QTemporaryDir folder;
  const std::string saved = folder.filePath("t.gps").toStdString();
  const std::string cut = folder.filePath("cut.gps").toStdString();
  const std::string text = loctable::tableText(table);
  std::size_t end = 0;
  for (int row = 0; row < 30; ++row) end = text.find('\n', end) + 1;
  std::ofstream(cut, std::ios::binary) << text.substr(0, end);
  struct Step {
    std::function<void()> act;
    std::string said;
  };
  const Step steps[] = {
      {[&] {
         table.fileBrowser().setPath(saved);
         qobject_cast<QPushButton*>(table.control("Command4"))->click();
       },
       "GPS location table saved to " + saved + "."},
      {[&] {
         table.fileBrowser().setPath(cut);
         qobject_cast<QPushButton*>(table.control("Command1"))->click();
       },
       "Loaded rows 1 to 30 of 100 from cut.gps; the other rows keep their earlier values. "
       "Download would send this mix."},
      {[&] {
         table.setCell(60, 1, "300");
         click("Command14");
       },
       "Refused: row 60 latitude \"300\": outside 0 to 90."},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(window.statusText(), step.said);
  }
}

}  // namespace

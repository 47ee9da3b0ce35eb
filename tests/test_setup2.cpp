// setup2, the GPS location table window, built offscreen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "forms/setup2.h"
#include "loctable/cell_store.h"
#include "tests/layout_checks.h"
#include "ui/file_browser.h"
#include "ui/help.h"
#include "ui/window_look.h"
#include "words/messages.h"

namespace {

using words::Icon;
using words::Message;

const Message kInvalidNumber{"Invalid number", "Error", Icon::Critical};

struct CountingHelp : ui::HelpLauncher {
  void open() override { ++opened; }
  int opened = 0;
};

struct Setup2Window : ::testing::Test {
  words::RecordedMessages boxes;
  CountingHelp help;
  loctable::CellStore store;
  forms::Setup2 window{nullptr, boxes, help, store};

  Setup2Window() { loctable::fillStartupContent(window); }

  QPushButton* button(const char* name) { return qobject_cast<QPushButton*>(window.control(name)); }
  void loseFocus(Qt::FocusReason reason = Qt::MouseFocusReason) {
    QFocusEvent focusOut(QEvent::FocusOut, reason);
    QCoreApplication::sendEvent(window.editBox(), &focusOut);
  }
  // Types into a cell and moves the focus away.
  void enter(int row, int column, const char* typed) {
    window.startEdit(row, column);
    window.editBox()->setText(QString::fromLatin1(typed));
    loseFocus();
  }
};

// The grid shows the table's store, also when it changes behind it (a load, an upload), and an
// edit reaches the store.
TEST_F(Setup2Window, GridFollowsTheStore) {
  store.setCell(3, 1, "45.5");
  EXPECT_EQ(window.grid()->item(3, 1)->text(), "45.5");
  enter(4, 2, "12.5");
  EXPECT_EQ(store.cell(4, 2), window.grid()->item(4, 2)->text().toStdString());
  EXPECT_NE(store.cell(4, 2), loctable::kEmptyMarker);
}

// Everything inside the window, nothing on anything else, and every caption readable in its
// control.
TEST_F(Setup2Window, ControlsFitTheWindow) {
  EXPECT_EQ(window.windowTitle(), "GPS Location Table");
  layout::expectLaidOut(window, {}, layout::Captions::OneLine);
  EXPECT_TRUE(window.editBox()->isHidden());
  EXPECT_EQ(window.grid()->toolTip(), "Click for Input");
  EXPECT_EQ(window.grid()->rowCount(), 100);
  EXPECT_EQ(window.grid()->columnCount(), 3);
  EXPECT_TRUE(window.grid()->horizontalHeader()->isHidden());
}

struct EntryCase {
  const char* typed;
  const char* stored;
  bool refused;
};

TEST_F(Setup2Window, EndOfEditTestsMagnitudeAndFractionOnly) {
  const EntryCase cases[] = {
      {"32.0851", "32.0851", false},
      {"255.9999", "255.9999", false},
      {"256", "255", true},
      {"12.34567", "255", true},
      {"12.3456", "12.3456", false},
      {"", "255", false},
      {"12.", "12.", false},
      {"1.2.3", "1.2.3", false},
      {"-45.5", "-45.5", false},
      {"abc", "abc", false},
      {"12,5", "12,5", false},
      {"-256", "255", true},
      {"-255.9999", "-255.9999", false},
      {" 7 ", " 7 ", false},
      {"9E999", "255", true},
      {"1E3", "255", true},
      {"0.0000", "0.0000", false},
      {"2 5 6", "255", true},
  };
  int row = 0;
  for (const EntryCase& c : cases) {
    boxes.shown.clear();
    window.setCell(row, 1, "12.5");
    enter(row, 1, c.typed);
    EXPECT_EQ(window.cell(row, 1), c.stored) << '"' << c.typed << '"';
    EXPECT_EQ(boxes.shown,
              c.refused ? std::vector<Message>{kInvalidNumber} : std::vector<Message>{})
        << '"' << c.typed << '"';
    EXPECT_FALSE(window.editing());
    EXPECT_TRUE(window.editBox()->isHidden());
    EXPECT_EQ(window.cell(row, 2), "255");
    ++row;
  }
}

TEST_F(Setup2Window, EditBoxCoversTheClickedCellWithItsText) {
  // The ID column is not editable: a click there starts no edit.
  emit window.grid()->cellClicked(3, 0);
  EXPECT_FALSE(window.editing());

  window.setCell(3, 2, "115.5");
  emit window.grid()->cellClicked(3, 2);
  ASSERT_TRUE(window.editing());
  QLineEdit* box = window.editBox();
  EXPECT_TRUE(box->isVisibleTo(&window));
  EXPECT_EQ(box->text(), "115.5");
  const QRect cell = window.grid()->visualItemRect(window.grid()->item(3, 2));
  EXPECT_EQ(box->pos(), window.grid()->viewport()->mapTo(&window, cell.topLeft()));
  EXPECT_EQ(box->width(), cell.width());
  EXPECT_EQ(box->height(), 19);
  EXPECT_GE(window.grid()->rowHeight(3), 19);

  // A context menu taking the focus does not end the edit; a click elsewhere does.
  box->setText("7");
  loseFocus(Qt::PopupFocusReason);
  EXPECT_TRUE(window.editing());
  emit window.grid()->cellClicked(5, 1);
  EXPECT_EQ(window.cell(3, 2), "7");
  EXPECT_TRUE(window.editing());
  EXPECT_EQ(box->text(), "255");
}

// An edit starts with the cell's text selected, so that typing replaces it.
TEST_F(Setup2Window, AnEditStartsWithTheTextSelected) {
  store.setCell(7, 2, "12.5");
  window.startEdit(7, 2);
  EXPECT_EQ(window.editBox()->selectedText(), "12.5");
}

TEST_F(Setup2Window, EveryButtonCommitsTheEditBeforeItActs) {
  QTemporaryDir folder;
  const std::string path = folder.filePath("t.txt").toLatin1().toStdString();
  window.fileBrowser().setPath(path);

  window.startEdit(0, 1);
  window.editBox()->setText("1.5");
  button("Command4")->click();  // saves the edited value
  EXPECT_EQ(window.cell(0, 1), "1.5");

  window.startEdit(0, 2);
  window.editBox()->setText("2.5");
  button("Command3")->click();
  EXPECT_EQ(help.opened, 1);
  EXPECT_EQ(window.cell(0, 2), "2.5");

  window.startEdit(1, 1);
  window.editBox()->setText("3.5");
  button("Command1")->click();  // loads the file saved above, over the edit
  EXPECT_EQ(window.cell(1, 1), "255");
  EXPECT_EQ(window.cell(0, 1), "1.5");
  EXPECT_EQ(window.cell(0, 2), "255");
  EXPECT_EQ(boxes.shown,
            (std::vector<Message>{{"Configuration has been Saved", "Saved", Icon::Information}}));
}

TEST_F(Setup2Window, ReturnMainMenuCommitsAndKeepsTheTableBetweenOpenings) {
  // First opening: an edit left by "RETURN MAIN MENU".
  QTimer::singleShot(0, &window, [this] {
    window.startEdit(10, 1);
    window.editBox()->setText("32.0851");
    button("Command2")->click();
  });
  ui::openModal(window);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.cell(10, 1), "32.0851");

  // Meanwhile a transfer writes a cell of the hidden window.
  window.setCell(11, 2, "115.5");

  // Second opening: the table is as it was left; the close box commits an edit too.
  std::string seen;
  QTimer::singleShot(0, &window, [this, &seen] {
    seen = window.cell(10, 1) + " " + window.cell(11, 2);
    window.startEdit(12, 2);
    window.editBox()->setText("256");
    window.close();
  });
  ui::openModal(window);
  EXPECT_EQ(seen, "32.0851 115.5");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.cell(12, 2), "255");
  EXPECT_EQ(boxes.shown, std::vector<Message>{kInvalidNumber});
  EXPECT_EQ(window.cell(50, 0), "50");
}

}  // namespace

// What screen readers and the keyboard reach of the four windows, offscreen: names and roles
// through Qt's accessibility interfaces, the Tab order, and the keys that act.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <set>

#include "app/main_window.h"
#include "config/field_table.h"
#include "forms/config_windows.h"
#include "forms/setup2.h"
#include "sim/sim_port.h"
#include "tests/main_menu_fixture.h"
#include "ui/file_browser.h"
#include "ui/help.h"
#include "words/messages.h"

namespace {

using config::Field;
using config::FieldRow;
using config::Window;

// One control as the accessibility interface shows it.
struct Node {
  QAccessible::Role role;
  QString name;
  QObject* object;
};

// The controls of a window: the items of lists, tables and drop-downs are their content and
// are left out.
void collect(QAccessibleInterface* parent, std::vector<Node>& out) {
  for (int i = 0; i < parent->childCount(); ++i) {
    QAccessibleInterface* child = parent->child(i);
    if (!child) continue;
    out.push_back({child->role(), child->text(QAccessible::Name), child->object()});
    const QAccessible::Role role = child->role();
    if (role != QAccessible::ComboBox && role != QAccessible::List && role != QAccessible::Table) {
      collect(child, out);
    }
  }
}

std::vector<Node> controlsOf(QWidget& window) {
  std::vector<Node> out;
  collect(QAccessible::queryAccessibleInterface(&window), out);
  return out;
}

void press(QWidget* target, int key, const QString& text = {}) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &up);
}

void type(QWidget* target, const QString& text) {
  for (QChar c : text) press(target, 0, QString(c));
}

// The control that holds the focus: the text portion of a list stands for its list.
QWidget* focusedControl() {
  QWidget* focus = QApplication::focusWidget();
  if (focus && qobject_cast<QComboBox*>(focus->parentWidget())) return focus->parentWidget();
  return focus;
}

struct Accessibility : MainMenuFixture {
  app::GPStracking& menu = window;

  QDialog& form(Window w) {
    return w == Window::setup1 ? static_cast<QDialog&>(menu.configWindows().setup1())
                               : menu.configWindows().setup3();
  }
  forms::Setup2& table() { return menu.locationTable(); }
  std::vector<QWidget*> windows() {
    return {&menu, &form(Window::setup1), &form(Window::setup3), &table()};
  }
  // Shows the window as the active one, with the focus on `first`.
  void activate(QWidget& window, QWidget* first) {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    first->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
  }
};

QString expectedName(const FieldRow& row) {
  if (!row.accessibleName.empty()) return QString::fromLatin1(row.accessibleName);
  QStringList lines;
  for (const std::string& line : row.caption) lines << QString::fromLatin1(line);
  return lines.join('\n');
}

TEST_F(Accessibility, EveryFieldIsNamedByItsCaptionAndTheHiddenOnesAreNotThere) {
  for (Window w : {Window::setup1, Window::setup3}) {
    const std::vector<Node> nodes = controlsOf(form(w));
    for (const FieldRow& row : config::fieldTable()) {
      if (row.window != w) continue;
      QWidget* control = static_cast<forms::FieldForm&>(form(w)).control(row.control.c_str());
      int seen = 0;
      for (const Node& node : nodes) seen += node.object == control;
      if (row.hidden) {
        EXPECT_EQ(seen, 0) << row.control << " is exposed";
        continue;
      }
      ASSERT_EQ(seen, 1) << row.control;
      const auto node = std::find_if(nodes.begin(), nodes.end(),
                                     [&](const Node& n) { return n.object == control; });
      EXPECT_EQ(node->name, expectedName(row)) << row.control;
      EXPECT_EQ(node->role,
                row.kind == config::Kind::Text ? QAccessible::EditableText : QAccessible::ComboBox)
          << row.control;
    }
  }
}

// Every control is named, a button by its caption, and no two controls of a kind share a name,
// so that a name finds one control.
TEST_F(Accessibility, EveryControlHasANameOfItsOwn) {
  for (QWidget* window : windows()) {
    std::set<std::pair<int, QString>> named;
    for (const Node& node : controlsOf(*window)) {
      if (auto* button = qobject_cast<QPushButton*>(node.object)) {
        EXPECT_EQ(node.role, QAccessible::Button);
        EXPECT_EQ(node.name, button->text());
      }
      if (node.role == QAccessible::StaticText) continue;  // a label is what it shows
      const std::string where =
          window->objectName().toStdString() + ": " + node.object->objectName().toStdString();
      EXPECT_FALSE(node.name.isEmpty()) << where;
      EXPECT_TRUE(named.insert({node.role, node.name}).second) << where;
    }
  }
}

// The controls of the window that Tab can reach now: shown, enabled and taking the focus from
// the keyboard; the text portion of a list stands for its list.
std::set<std::string> reachable(QWidget& window) {
  std::set<std::string> names;
  for (QWidget* control : window.findChildren<QWidget*>()) {
    if (control->window() != &window || !control->isVisibleTo(&window) || !control->isEnabled() ||
        !(control->focusPolicy() & Qt::TabFocus) ||
        qobject_cast<QComboBox*>(control->parentWidget())) {
      continue;
    }
    names.insert(control->objectName().toStdString());
  }
  return names;
}

// Tab from the first control visits these, in this order, each once, and comes back to the
// first; no control that shows is left out. The main menu's tab order is checked here only.
TEST_F(Accessibility, TabGoesDownTheColumns) {
  auto fieldNames = [](Window w, int column) {
    std::vector<std::string> names;
    for (const FieldRow& row : config::fieldTable()) {
      if (row.window == w && !row.hidden && row.column == column) names.push_back(row.control);
    }
    return names;
  };
  auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
  };
  const std::vector<std::string> menuButtons = {"Command6",  "Command12", "Command17", "Command4",
                                                "Command2",  "Command1",  "Command7",  "Command10",
                                                "Command14", "Command13", "Command3"};
  struct Chain {
    QWidget* window;
    bool portListOpen;
    std::vector<std::string> names;
  };
  const Chain chains[] = {
      {&menu, false, menuButtons},
      {&menu, true, join({menuButtons, {"List2"}})},
      {&form(Window::setup1), false,
       join({fieldNames(Window::setup1, 0),
             fieldNames(Window::setup1, 1),
             fieldNames(Window::setup1, 2),
             {"Command5", "Drive1", "Command3", "Dir1", "File1", "Command4", "Command1", "Text1",
              "Command2"}})},
      {&form(Window::setup3), false,
       join({fieldNames(Window::setup3, 0), {"Command2"}, fieldNames(Window::setup3, 1)})},
      {&table(),
       false,
       {"MSFlexGrid1", "Command3", "Drive1", "Dir1", "File1", "Command1", "Command4", "Command2",
        "Text1"}},
  };
  for (const auto& [window, portListOpen, names] : chains) {
    SCOPED_TRACE(window->objectName().toStdString() + (portListOpen ? " with the port list" : ""));
    if (portListOpen) click("Command4");
    activate(*window, window->findChild<QWidget*>(QString::fromStdString(names.front())));
    std::vector<std::string> visited;
    for (std::size_t i = 0; i <= names.size(); ++i) {
      QWidget* focus = focusedControl();
      visited.push_back(focus ? focus->objectName().toStdString() : "(none)");
      if (focus) press(QApplication::focusWidget(), Qt::Key_Tab);
    }
    std::vector<std::string> expected = names;
    expected.push_back(names.front());
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), reachable(*window));
    // The menu stays up, as it does under its windows.
    if (portListOpen) menu.control("List2")->hide();
    if (window != &menu) window->hide();
  }
}

// Escape leaves an editing window as "RETURN MAIN MENU" does: the window hides, an edit in the
// grid is kept, and the fields keep their texts.
TEST_F(Accessibility, EscapeReturnsToTheMainMenu) {
  const std::pair<QDialog*, QWidget*> windowsAndFields[] = {
      {&form(Window::setup1), menu.configWindows().list(Field::setup1_Combo13)},
      {&form(Window::setup1), menu.configWindows().textBox(Field::setup1_Text9)},
      {&form(Window::setup3), menu.configWindows().textBox(Field::setup3_Text1)},
      {&table(), table().fileBrowser().pathBox()},
  };
  for (auto [window, field] : windowsAndFields) {
    activate(*window, field);
    press(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << field->objectName().toStdString();
  }
  EXPECT_EQ(menu.configWindows().text(Field::setup1_Text9), "7391");

  activate(table(), table().grid());
  table().startEdit(4, 2);
  table().editBox()->clear();
  type(table().editBox(), "115.5");
  press(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_FALSE(table().isVisible());
  EXPECT_FALSE(table().editing());
  EXPECT_EQ(table().cell(4, 2), "115.5");
  EXPECT_TRUE(boxes.shown.empty());
}

// The grid is edited from the keyboard: Enter or F2 opens the current cell, Enter keeps the
// entry and goes back to the grid; the ID column is never edited.
TEST_F(Accessibility, GridCellsAreEditedFromTheKeyboard) {
  QTableWidget* grid = table().grid();
  activate(table(), grid);
  struct Case {
    int row, column, key;
    const char* typed;
    const char* kept;  // nullptr: no edit starts
  };
  const Case cases[] = {
      {3, 1, Qt::Key_Return, "32.0851", "32.0851"},
      {3, 2, Qt::Key_F2, "", "255"},
      {9, 2, Qt::Key_Enter, "-45.5", "-45.5"},
      {5, 0, Qt::Key_Return, "12", nullptr},
  };
  for (const Case& c : cases) {
    grid->setCurrentCell(c.row, c.column);
    press(grid, c.key);
    EXPECT_EQ(table().editing(), c.kept != nullptr) << c.row << "," << c.column;
    if (!c.kept) continue;
    EXPECT_EQ(QApplication::focusWidget(), table().editBox());
    table().editBox()->clear();
    type(table().editBox(), c.typed);
    press(table().editBox(), Qt::Key_Return);
    EXPECT_FALSE(table().editing());
    EXPECT_EQ(table().cell(c.row, c.column), c.kept);
    EXPECT_EQ(QApplication::focusWidget(), grid);
  }
  EXPECT_EQ(table().cell(5, 0), "5");
  EXPECT_TRUE(boxes.shown.empty());
  table().hide();
}

// A list takes its item from the arrow keys.
TEST_F(Accessibility, ListsTakeTheirItemFromTheKeyboard) {
  QComboBox* sos = menu.configWindows().list(Field::setup1_Combo4);
  activate(form(Window::setup1), sos);
  press(QApplication::focusWidget(), Qt::Key_Down);
  press(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(menu.configWindows().index(Field::setup1_Combo4), 2);
  press(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_EQ(menu.configWindows().index(Field::setup1_Combo4), 1);
  form(Window::setup1).hide();
}

}  // namespace

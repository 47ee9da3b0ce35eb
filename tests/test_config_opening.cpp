// The configuration windows as the main menu creates, opens and uses them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/main_window.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "forms/config_windows.h"
#include "sim/sim_port.h"
#include "tests/main_menu_fixture.h"
#include "ui/help.h"
#include "words/messages.h"

namespace {

using config::Field;

struct ConfigFromMenu : MainMenuFixture {
  using MainMenuFixture::click;
  void click(QWidget* button) { qobject_cast<QPushButton*>(button)->click(); }
};

TEST_F(ConfigFromMenu, StartupGivesTheDocumentedValues) {
  const config::FieldStore expected;
  config::Fields& fields = window.configFields();
  for (const config::FieldRow& row : config::fieldTable()) {
    EXPECT_EQ(fields.text(row.field), expected.text(row.field)) << row.control;
    EXPECT_EQ(fields.index(row.field), expected.index(row.field)) << row.control;
  }
  EXPECT_EQ(fields.versionText(), "XXXX");
  EXPECT_FALSE(window.configWindows().setup1().isVisible());
  EXPECT_FALSE(window.configWindows().setup3().isVisible());
  EXPECT_EQ(window.configWindows().setup1().parentWidget(), &window);
}

TEST_F(ConfigFromMenu, MenuButtonsOpenModallyAndKeepChanges) {
  window.show();
  const std::pair<const char*, QDialog*> openers[] = {
      {"Command6", &window.configWindows().setup1()},
      {"Command17", &window.configWindows().setup3()}};
  for (auto [button, form] : openers) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool seen = false;
    QTimer::singleShot(0, [&, form = form] {
      seen = form->isVisible() && QApplication::activeModalWidget() == form;
      window.configFields().setText(Field::setup1_Text9, "4321");
      window.configFields().setIndex(Field::setup3_Combo13, 2);
      click(form->findChild<QPushButton*>("Command2"));
    });
    click(window.control(button));
    EXPECT_TRUE(seen) << button;
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is the arrow again";
  }
  EXPECT_EQ(window.configFields().text(Field::setup1_Text9), "4321");
  EXPECT_EQ(window.configFields().index(Field::setup3_Combo13), 2);
}

TEST_F(ConfigFromMenu, ExchangeSendsTheExistingPassword) {
  window.configFields().setText(Field::setup1_Text9, "5555");
  unit.knobs.password = "5555";
  click(window.control("Command7"));
  QElapsedTimer clock;
  clock.start();
  while (unit.letter() != 'U' && clock.elapsed() < 3000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_EQ(unit.letter(), 'U');
  EXPECT_EQ(unit.firstPassword(), "5555");
}

}  // namespace

// The main menu, built offscreen on a simulated unit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/logo.h"
#include "serial/com_ports.h"
#include "sim/config_operations.h"
#include "sim/log_operation.h"
#include "tests/layout_checks.h"
#include "tests/main_menu_fixture.h"
#include "trackview/track_links.h"
#include "trackview/track_window.h"

namespace {

struct MainMenu : MainMenuFixture {
  QString labelText(const char* name) {
    return qobject_cast<QLabel*>(window.control(name))->text();
  }
  QListWidget* list() { return qobject_cast<QListWidget*>(window.control("List2")); }
  void doubleClick(const char* entry) {
    const auto items = list()->findItems(entry, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    list()->setCurrentItem(items.front());
    emit list()->itemActivated(items.front());
  }
};

const char* const kProgressButtons[] = {"Command5",  "Command8",  "Command9",
                                        "Command11", "Command15", "Command16"};

TEST_F(MainMenu, StartsWithTheMenuAndNoProgressShowing) {
  window.show();
  EXPECT_EQ(window.windowTitle().left(39), "GPS Trackingconfiguration menu Version ");
  EXPECT_TRUE(window.windowTitle().contains("      Date: "));
  EXPECT_EQ(window.size(), QSize(9330 / 15, 6690 / 15));
  for (const char* hidden : kProgressButtons) {
    EXPECT_FALSE(window.control(hidden)->isVisible()) << hidden;
  }
  for (const char* hidden : {"Label4", "Label3", "List2"}) {
    EXPECT_FALSE(window.control(hidden)->isVisible()) << hidden;
  }
  const QPixmap logo = qobject_cast<QLabel*>(window.control("Picture1"))->pixmap();
  EXPECT_EQ(logo.size(), QSize(600, 204));
  QStringList ports;
  for (int i = 0; i < list()->count(); ++i) ports << list()->item(i)->text();
  EXPECT_EQ(ports.size(), 20);
  EXPECT_EQ(ports.front(), "COM1");
  EXPECT_EQ(ports.back(), "COM20");
}

// At startup, with the port list open, and with each progress button showing: everything
// inside the menu, nothing on anything else but the heading on the logo's top edge, and every
// caption readable in its control.
// The menu paints its logo on a thread of its own while it makes its other controls: what it
// shows is the picture the window's own thread paints, its text included.
TEST_F(MainMenu, ShowsTheLogoAsTheWindowsThreadPaintsIt) {
  const QImage shown = qobject_cast<QLabel*>(window.control("Picture1"))->pixmap().toImage();
  const QImage here = app::drawLogo(QImage::Format_RGB32);
  EXPECT_FALSE(here.isNull());
  EXPECT_TRUE(shown.convertToFormat(QImage::Format_RGB32) == here);
}

TEST_F(MainMenu, ControlsFitTheMenuInEveryState) {
  const layout::Overlaps headingOnLogo{{"Label1", "Picture1"}};
  layout::expectLaidOut(window, headingOnLogo, layout::Captions::Wrapped);
  button("Command4")->click();
  layout::expectLaidOut(window, headingOnLogo, layout::Captions::Wrapped);
  window.control("List2")->hide();
  // A progress button covers the logo and nothing outside it.
  const QRect logo = window.control("Picture1")->geometry();
  for (const char* progress : kProgressButtons) {
    SCOPED_TRACE(progress);
    QWidget* shown = window.control(progress);
    EXPECT_TRUE(logo.contains(shown->geometry()));
    shown->show();
    layout::expectLaidOut(window, {{"Label1", "Picture1"}, {progress, "Picture1"}},
                          layout::Captions::Wrapped);
    shown->hide();
  }
}

TEST_F(MainMenu, ChosenPortIsShownAndUsedByTheNextExchange) {
  window.show();
  EXPECT_EQ(window.comPortIndex(), 0);
  button("Command4")->click();
  EXPECT_TRUE(list()->isVisible());
  EXPECT_EQ(list()->currentRow(), 0);
  // A single click moves the selection only.
  list()->setCurrentRow(4);
  EXPECT_EQ(labelText("Label2"), "COM1 Selected");
  EXPECT_EQ(window.comPortIndex(), 0);

  doubleClick("COM12");
  EXPECT_EQ(labelText("Label2"), "COM12 Selected");
  EXPECT_FALSE(list()->isVisible());
  EXPECT_EQ(window.comPortIndex(), 11);
  button("Command4")->click();
  EXPECT_EQ(list()->currentRow(), 11);

  unit.knobs.silent = true;
  button("Command7")->click();
  EXPECT_EQ(port.lastDevice, serial::comDevicePath(12));
  EXPECT_EQ(window.operationCode(), 0);
}

TEST_F(MainMenu, MissingPortGivesErrorAndLeavesProgressButtonsHidden) {
  port.existing = {serial::comDevicePath(1)};
  doubleClick("COM7");
  button("Command7")->click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(
      boxes.shown[0].text,
      "COM: not available. Change the CommPort property to another port.\n" + port.openFailure());
  EXPECT_NE(port.openFailure(), "");
  EXPECT_EQ(boxes.shown[0].title, "ERROR");
  EXPECT_EQ(boxes.shown[0].icon, words::Icon::None);
  for (const char* progress : kProgressButtons) {
    EXPECT_FALSE(window.control(progress)->isVisible()) << progress;
  }
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(button("Command7")->isEnabled());
}

TEST_F(MainMenu, TransferButtonsWaitWhileAnExchangeRuns) {
  window.show();
  unit.knobs.silent = true;
  button("Command10")->click();
  EXPECT_EQ(window.operationCode(), 2);
  EXPECT_TRUE(window.control("Command5")->isVisible());
  for (const char* transfer : {"Command1", "Command7", "Command10", "Command13", "Command14"}) {
    EXPECT_FALSE(button(transfer)->isEnabled()) << transfer;
  }
  button("Command7")->click();  // ignored
  EXPECT_EQ(window.operationCode(), 2);
  EXPECT_EQ(port.opens, 1);

  button("Command5")->click();
  EXPECT_FALSE(window.serialLink().busy());
  EXPECT_FALSE(window.control("Command5")->isVisible());
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(button("Command10")->isEnabled());
}

TEST_F(MainMenu, ExitDuringAnExchangeClosesThePort) {
  unit.knobs.silent = true;
  button("Command13")->click();
  window.serialLink().timerTick();
  ASSERT_TRUE(port.isOpen());
  button("Command3")->click();
  EXPECT_TRUE(window.exited());
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(window.serialLink().busy());
}

TEST_F(MainMenu, HelpOpensTheHelpTextWithoutAMessage) {
  button("Command2")->click();
  EXPECT_EQ(help.opened, 1);
  EXPECT_TRUE(boxes.shown.empty());
}

// The keyboard during an exchange: the focus is on the progress button that shows, a key does
// what a click on it does, Escape too, and the focus returns to the button that started it.
struct Keyboard : MainMenu {
  void SetUp() override {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
  }
  QWidget* focus() { return QApplication::focusWidget(); }
  void key(int code) {
    QWidget* target = focus() ? focus() : &window;
    const QString text = code == Qt::Key_Space ? " " : "";
    QKeyEvent down(QEvent::KeyPress, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &up);
  }
  // Starts the transfer of this button from the keyboard.
  void start(const char* name) {
    button(name)->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Space);
    ASSERT_TRUE(window.serialLink().busy());
  }
  // Lets ticks pass until the button shows.
  void runUntilShowing(const char* name) {
    for (int i = 0; i < 30 && !window.control(name)->isVisible(); ++i) {
      QCoreApplication::processEvents();
      unit.tick();
      window.serialLink().timerTick();
    }
    ASSERT_TRUE(window.control(name)->isVisible()) << name;
  }
  std::string status() { return window.statusText(); }
};

TEST_F(Keyboard, EveryKeyOnTheCancelButtonCancelsThePollAndNoneEndsTheProgram) {
  unit.knobs.silent = true;
  for (const int code : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    SCOPED_TRACE(code);
    start("Command10");
    EXPECT_EQ(focus(), window.control("Command5"));
    window.serialLink().timerTick();
    key(code);
    EXPECT_FALSE(window.serialLink().busy());
    EXPECT_FALSE(window.exited());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(window.control("Command5")->isVisible());
    EXPECT_EQ(focus(), window.control("Command10"));
    EXPECT_EQ(status().substr(0, 13), "Cancelled at ");
  }
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Keyboard, AProgressButtonThatCannotCancelIgnoresEveryKey) {
  *sim::installConfigOperations(unit) = sim::plausibleConfiguration();
  unit.knobs.silentAfter = 100;  // the upload stops half-way and times out
  start("Command7");
  runUntilShowing("Command8");
  EXPECT_EQ(focus(), window.control("Command8"));
  for (const int code : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape}) key(code);
  EXPECT_TRUE(window.serialLink().busy());
  EXPECT_TRUE(window.control("Command8")->isVisible());
  EXPECT_EQ(status().substr(0, 35), "Configuration upload: 100 of 736 di");
  runExchange();
  EXPECT_FALSE(window.exited());
  EXPECT_EQ(focus(), window.control("Command7"));
  EXPECT_EQ(status().substr(0, 10), "Failed at ");
  EXPECT_NE(status().find(": Error download !"), std::string::npos) << status();
}

TEST_F(Keyboard, EscapeCancelsTheLogUploadAndTheStatusSaysWhatTheFileKept) {
  QTemporaryDir folder;
  const QString before = QDir::currentPath();
  QDir::setCurrent(folder.path());
  unit.install<sim::LogOperation>('L', sim::plausibleLog(5));
  unit.knobs.silentAfter = 2 * 38 + 5;
  start("Command10");
  runUntilShowing("Command11");
  EXPECT_EQ(focus(), window.control("Command11"));
  key(Qt::Key_Escape);
  EXPECT_FALSE(window.serialLink().busy());
  EXPECT_EQ(focus(), window.control("Command10"));
  const QStringList files = QDir(folder.path()).entryList({"*.csv"});
  ASSERT_EQ(files.size(), 1);
  const std::string path = QDir(folder.path()).absoluteFilePath(files[0]).toStdString();
  EXPECT_EQ(status().substr(0, 13), "Cancelled at ");
  // Nothing had arrived yet: the file is there, and empty.
  EXPECT_EQ(status().substr(status().size() - path.size() - 20),
            " The file " + path + " is empty.");
  EXPECT_TRUE(boxes.shown.empty());
  QDir::setCurrent(before);
}

// A finished GPS log upload offers its track in the strip under the logo, which stands aside
// while the record counter shows; the track window opens on the file just saved.
TEST_F(Keyboard, AFinishedLogUploadOffersItsTrack) {
  QTemporaryDir folder;
  const QString before = QDir::currentPath();
  QDir::setCurrent(folder.path());
  QPushButton* show = nullptr;
  for (QPushButton* b : window.findChildren<QPushButton*>()) {
    if (b->text() == "Show track") show = b;
  }
  ASSERT_TRUE(show);
  EXPECT_FALSE(show->isVisibleTo(&window));
  unit.install<sim::LogOperation>('L', sim::plausibleLog(5));
  start("Command10");
  runUntilShowing("Label4");
  EXPECT_FALSE(window.trackLinks().isVisible());
  EXPECT_LT(window.control("Status")->geometry().right(), window.control("Label4")->x());
  runExchange();
  ASSERT_TRUE(window.trackLinks().isVisible());
  EXPECT_TRUE(show->isVisibleTo(&window));
  EXPECT_LT(window.control("Status")->geometry().right(), window.trackLinks().x());
  show->click();
  EXPECT_TRUE(window.trackLinks().window().isVisible());
  EXPECT_EQ(window.trackLinks().window().log().points.size(), 5u);
  window.trackLinks().window().close();
  QDir::setCurrent(before);
}

// Every button, the coloured ones included, looks different with the focus: the ring shows.
TEST_F(Keyboard, EveryButtonShowsItsFocusRing) {
  for (const char* name : {"Command6", "Command12", "Command17", "Command4", "Command2", "Command1",
                           "Command7", "Command10", "Command14", "Command13", "Command3"}) {
    SCOPED_TRACE(name);
    QWidget* other = window.control(std::string(name) == "Command3" ? "Command2" : "Command3");
    other->setFocus(Qt::TabFocusReason);
    const QImage without = button(name)->grab().toImage();
    button(name)->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(focus(), button(name));
    const QImage with = button(name)->grab().toImage();
    int changed = 0;
    for (int y = 0; y < with.height(); ++y) {
      for (int x = 0; x < with.width(); ++x) changed += with.pixel(x, y) != without.pixel(x, y);
    }
    // A ring round the caption, not a pixel or two of a shade.
    EXPECT_GT(changed, with.width() + with.height());
  }
}

// GPSTRACKING_TRACE names a file in a folder of the test's own before the window is built: a
// FIFO, or a new file.
template <bool kFifo>
struct TraceSetting {
  QTemporaryDir folder;
  std::string path = folder.filePath(kFifo ? "fifo" : "trace.txt").toStdString();
  TraceSetting() {
    if (kFifo) ::mkfifo(path.c_str(), 0600);
    ::setenv("GPSTRACKING_TRACE", path.c_str(), 1);
  }
  ~TraceSetting() { ::unsetenv("GPSTRACKING_TRACE"); }
};
struct FifoTrace : TraceSetting<true>, MainMenuFixture {
  std::string status() {
    return qobject_cast<QLabel*>(window.control("Status"))->text().toStdString();
  }
};
struct FilledTrace : TraceSetting<false>, MainMenuFixture {};

// A trace the window cannot keep is said in the status line, never in a box, and the window
// works on.
TEST_F(FifoTrace, IsRefusedInTheStatusLine) {
  const std::string refusal =
      "the trace " + path + " cannot be written: it is a FIFO, not a regular file";
  EXPECT_EQ(status(), refusal);
  EXPECT_TRUE(boxes.shown.empty());
  // And again at the end of each exchange, which went untraced.
  sim::installConfigOperations(unit);
  click("Command7");
  runExchange();
  EXPECT_NE(status().find("; " + refusal), std::string::npos) << status();
}

TEST_F(FilledTrace, ThatLosesLinesIsSaidInTheStatusLine) {
  sim::installConfigOperations(unit);
  // The disk holds 4 KiB of the trace, a write past it fails as on a full disk.
  struct rlimit before {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  const struct rlimit small = {4096, before.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  click("Command7");
  runExchange();
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_NE(window.statusText().find("the trace " + path + " cannot be written: File too large"),
            std::string::npos)
      << window.statusText();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Upload complete");
}

// A trace that is the GPS log the program opens at start (--track) would empty it first.
TEST(TraceSettingAtStart, ThatIsAFileTheRunReadsIsRefused) {
  TraceSetting<false> setting;
  const std::string log =
      "\"15/03/24\",\"07:58:00\",\"5100.0000\",\"N\",\"00000.5000\",\"W\",\"012.0\","
      "\"075.0\"\r\n";
  {
    QFile file(QString::fromStdString(setting.path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(log.data(), static_cast<qint64>(log.size()));
  }
  sim::Unit unit;
  sim::SimPort port{unit};
  words::RecordedMessages boxes;
  MainMenuFixture::CountingHelp help;
  app::GPStracking window({&port, &boxes, &help, {setting.path}});
  EXPECT_EQ(window.statusText(), "the trace " + setting.path + " cannot be written: it is also " +
                                     setting.path + ", which the run reads or writes");
  QFile file(QString::fromStdString(setting.path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), log);
}

}  // namespace

// The configuration windows built from the field table, offscreen.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include "config/config_file.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "forms/config_windows.h"
#include "forms/problem_list.h"
#include "tests/config_samples.h"
#include "tests/private_device.h"
#include "ui/file_browser.h"
#include "ui/help.h"
#include "ui/window_look.h"
#include "words/messages.h"

namespace forms {

using config::applyStartupValues;
using config::copyFields;
using config::Field;
using config::FieldRow;
using config::FieldStore;
using config::fieldTable;
using config::Kind;
using config::Window;
using config::windowName;
namespace {

class CountingHelp : public ui::HelpLauncher {
 public:
  void open() override { ++opened; }
  int opened = 0;
};

void type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

void click(QWidget* button) {
  qobject_cast<QPushButton*>(button)->click();
}

class ConfigWindowsTest : public ::testing::Test {
 protected:
  ConfigWindowsTest() : windows(nullptr, messages, help, store) { applyStartupValues(windows); }
  FieldForm& form(Window w) {
    return w == Window::setup1 ? static_cast<FieldForm&>(windows.setup1()) : windows.setup3();
  }
  words::RecordedMessages messages;
  CountingHelp help;
  FieldStore store;
  ConfigWindows windows;
};

TEST_F(ConfigWindowsTest, EveryFieldAsTheTableSays) {
  const FieldStore start;
  for (const FieldRow& row : fieldTable()) {
    QWidget* control = form(row.window).control(row.control.c_str());
    ASSERT_NE(control, nullptr) << row.control;
    if (row.kind == Kind::Text) {
      auto* box = qobject_cast<QLineEdit*>(control);
      ASSERT_NE(box, nullptr) << row.control;
      if (row.maxLength > 0) {
        EXPECT_EQ(box->maxLength(), row.maxLength) << row.control;
      }
    } else {
      auto* list = qobject_cast<QComboBox*>(control);
      ASSERT_NE(list, nullptr) << row.control;
      ASSERT_EQ(list->count(), static_cast<int>(row.items.size())) << row.control;
      for (int i = 0; i < list->count(); ++i) {
        EXPECT_EQ(list->itemText(i).toStdString(), row.items[i]);
      }
    }
    EXPECT_EQ(windows.text(row.field), start.text(row.field)) << row.control;
    EXPECT_EQ(windows.index(row.field), start.index(row.field)) << row.control;
    // A visible field is named by its caption for the screen reader.
    if (!row.hidden && !row.caption.empty()) {
      bool named = false;
      for (QLabel* label : form(row.window).findChildren<QLabel*>()) {
        named = named || label->buddy() == control;
      }
      EXPECT_TRUE(named) << row.control;
    }
  }
  EXPECT_EQ(windows.versionText(), "XXXX");
  EXPECT_EQ(windows.setup1().windowTitle(), "View/ Setup/ Select Configuration");
  EXPECT_EQ(windows.setup3().windowTitle(), "View/ Setup/ Select VOICE/ ADC Configuration");
}

TEST_F(ConfigWindowsTest, TypingStopsAtTheMaximumLength) {
  const std::pair<Field, int> limits[] = {{Field::setup1_Text2, 16},
                                          {Field::setup1_Text21, 32},
                                          {Field::setup1_Text18, 24},
                                          {Field::setup3_Text4, 10},
                                          {Field::setup3_Text25, 4}};
  for (auto [field, limit] : limits) {
    windows.setText(field, "");
    type(windows.textBox(field), QString(limit + 1, '7'));
    EXPECT_EQ(windows.text(field), std::string(limit, '7')) << static_cast<int>(field);
    windows.setText(field, std::string(limit + 5, '8'));  // an operation's text is cut too
    EXPECT_EQ(windows.text(field), std::string(limit, '8'));
  }
  type(windows.textBox(Field::setup1_Text3), QString(300, '1'));  // no maximum
  EXPECT_EQ(windows.text(Field::setup1_Text3).size(), 300u);
}

// The windows show what the store holds, also when it changes behind them (a load, an upload),
// and what is typed reaches the store.
TEST_F(ConfigWindowsTest, ControlsFollowTheStore) {
  const std::string texts[] = {"", "a \"quoted\" text", "tab\there", "\xE9t\xE9 \xFF"};
  for (Field field : {Field::setup1_Text2, Field::setup1_Text11, Field::setup3_Text25}) {
    for (const std::string& text : texts) {
      store.setText(field, text);
      EXPECT_EQ(windows.textBox(field)->text(), ui::fromLatin1(store.text(field)));
    }
  }
  store.setIndex(Field::setup1_Combo16, 90);
  EXPECT_EQ(windows.list(Field::setup1_Combo16)->currentIndex(), 90);
  store.setText(Field::setup1_Combo16, "typed");
  EXPECT_EQ(windows.list(Field::setup1_Combo16)->currentIndex(), -1);
  EXPECT_EQ(windows.list(Field::setup1_Combo16)->currentText(), "typed");
  store.setVersionText("2.14");
  EXPECT_EQ(qobject_cast<QLabel*>(windows.setup1().control("Label2"))->text(), "2.14");

  windows.list(Field::setup1_Combo16)->setCurrentIndex(3);
  EXPECT_EQ(store.index(Field::setup1_Combo16), 3);
  type(windows.list(Field::setup1_Combo16)->lineEdit(), "9");
  EXPECT_EQ(store.index(Field::setup1_Combo16), -1);
  EXPECT_EQ(store.text(Field::setup1_Combo16),
            windows.list(Field::setup1_Combo16)->currentText().toStdString());
}

// Nothing of a window is built before it is needed; a store changed before that shows when
// the windows are built.
TEST(ConfigWindowsBuilding, OnFirstUse) {
  words::RecordedMessages messages;
  CountingHelp help;
  FieldStore store;
  ConfigWindows windows(nullptr, messages, help, store);
  EXPECT_FALSE(windows.built());
  store.setText(Field::setup1_Text9, "4242");
  EXPECT_FALSE(windows.built());
  EXPECT_EQ(windows.textBox(Field::setup1_Text9)->text(), "4242");
  EXPECT_TRUE(windows.built());
}

TEST_F(ConfigWindowsTest, ListsAndTheirTextPortion) {
  QComboBox* days = windows.list(Field::setup1_Combo13);
  type(days->lineEdit(), "3");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(days->lineEdit(), &enter);
  EXPECT_EQ(windows.index(Field::setup1_Combo13), -1);
  EXPECT_TRUE(days->currentText().contains("3"));  // the typed text stays shown

  EXPECT_TRUE(windows.setIndex(Field::setup1_Combo16, 90));
  EXPECT_EQ(windows.text(Field::setup1_Combo16), "35.00");
  EXPECT_FALSE(windows.setIndex(Field::setup1_Combo3, 2));
  EXPECT_EQ(windows.index(Field::setup1_Combo3), 0);
  EXPECT_TRUE(windows.setIndex(Field::setup1_Combo16, -1));
  EXPECT_EQ(windows.list(Field::setup1_Combo16)->currentText(), "");
}

TEST_F(ConfigWindowsTest, ChosenItemShowsItsBeginning) {
  // Items longer than their box differ at the beginning ("SMS Received as <TEXT0> ...").
  for (const FieldRow& row : fieldTable()) {
    if (row.kind != Kind::List || row.items.size() < 2) continue;
    SCOPED_TRACE(row.control);
    QComboBox* list = windows.list(row.field);
    const int last = static_cast<int>(row.items.size()) - 1;
    for (int index : {last, 0}) {
      ASSERT_TRUE(windows.setIndex(row.field, index));
      EXPECT_EQ(list->lineEdit()->cursorPosition(), 0);
    }
  }
}

TEST_F(ConfigWindowsTest, HiddenFieldsAreFieldsButNeverShown) {
  windows.setup1().show();
  for (Field f : {Field::setup1_Text13, Field::setup1_Text15, Field::setup1_Combo5}) {
    QWidget* control =
        windows.textBox(f) ? static_cast<QWidget*>(windows.textBox(f)) : windows.list(f);
    EXPECT_FALSE(control->isVisible());
    EXPECT_EQ(control->focusPolicy(), Qt::NoFocus);
  }
  windows.setText(Field::setup1_Text13, "8.8.8.8");
  EXPECT_EQ(windows.text(Field::setup1_Text13), "8.8.8.8");
  windows.setup1().hide();
}

TEST_F(ConfigWindowsTest, ReturnMainMenuKeepsEveryField) {
  for (Window w : {Window::setup1, Window::setup3}) {
    QTimer::singleShot(0, [&, w] {
      FieldForm& shown = form(w);
      EXPECT_TRUE(shown.isVisible());
      EXPECT_TRUE(shown.isModal());
      type(windows.textBox(w == Window::setup1 ? Field::setup1_Text29 : Field::setup3_Text1), "12");
      windows.setIndex(w == Window::setup1 ? Field::setup1_Combo4 : Field::setup3_Combo11, 3);
      click(shown.control("Command2"));
    });
    ui::openModal(form(w));
    EXPECT_FALSE(form(w).isVisible());
  }
  EXPECT_EQ(windows.text(Field::setup1_Text29), "12");
  EXPECT_EQ(windows.text(Field::setup3_Text1), "12");
  EXPECT_EQ(windows.index(Field::setup1_Combo4), 3);
  EXPECT_EQ(windows.index(Field::setup3_Combo11), 3);
}

TEST_F(ConfigWindowsTest, Setup1ButtonsCheckSaveLoadAndHelp) {
  Setup1& setup1 = windows.setup1();
  click(setup1.control("Command5"));
  EXPECT_EQ(messages.shown.size(), 15u);
  click(setup1.control("Command3"));
  EXPECT_EQ(help.opened, 1);

  // A folder whose name has characters beyond single bytes, chosen in the browser, and a file
  // name typed after it.
  QTemporaryDir dir;
  const QString folder = dir.filePath(QString::fromUtf8("\u20ACuro \u65E5"));
  ASSERT_TRUE(QDir().mkpath(folder));
  setup1.fileBrowser().chooseFolder(folder);
  QLineEdit* pathBox = setup1.fileBrowser().pathBox();
  EXPECT_EQ(pathBox, setup1.control("Text1"));
  type(pathBox, "setup.cfg");
  windows.setText(Field::setup1_Text9, "1111");
  messages.shown.clear();
  click(setup1.control("Command4"));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Configuration has been Saved");
  EXPECT_TRUE(QFile::exists(folder + "/setup.cfg"));
  windows.setText(Field::setup1_Text9, "2222");
  windows.setVersionText("V9");
  click(setup1.control("Command1"));
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(windows.text(Field::setup1_Text9), "1111");
  EXPECT_EQ(windows.versionText(), "XXXX");
}

// The browser offers what can be a saved file, whatever bytes its name is made of: folders and
// regular files (links to them too), not FIFOs, sockets or devices; a name that is not valid
// UTF-8 is listed, and the file is saved and loaded under its own bytes.
TEST(FileBrowserWidget, ListsFoldersAndRegularFilesByTheirOwnNames) {
  QTemporaryDir dir;
  const std::string folder = QFile::encodeName(dir.path()).toStdString();
  const std::string latin1Name = "caf\xe9.cfg";  // not valid UTF-8
  for (const std::string& name : {latin1Name, std::string("caf\xc3\xa9.cfg")}) {
    std::ofstream(folder + "/" + name) << "x";
  }
  ASSERT_EQ(::mkfifo((folder + "/fifo").c_str(), 0600), 0);
  // A link to a device (the test's own null device; a FIFO when it cannot make one).
  if (!testing_files::makePrivateDevice(folder + "/null", testing_files::MemoryDevice::Null)) {
    ASSERT_EQ(::mkfifo((folder + "/null").c_str(), 0600), 0);
  }
  ASSERT_EQ(::symlink((folder + "/null").c_str(), (folder + "/device").c_str()), 0);
  ASSERT_EQ(::symlink((folder + "/gone").c_str(), (folder + "/broken").c_str()), 0);
  ASSERT_EQ(::symlink((folder + "/" + latin1Name).c_str(), (folder + "/link.cfg").c_str()), 0);
  ASSERT_EQ(::mkdir((folder + "/sub\xff").c_str(), 0755), 0);

  QWidget parent;
  ui::FileBrowser browser(&parent);
  browser.chooseFolder(dir.path());
  QStringList files;
  for (int i = 0; i < browser.fileList()->count(); ++i)
    files << browser.fileList()->item(i)->text();
  EXPECT_EQ(files.size(), 3) << files.join(" | ").toStdString();
  EXPECT_TRUE(files.contains(QString::fromUtf8("caf\u00e9.cfg")));
  EXPECT_TRUE(files.contains("link.cfg"));

  // The name that is not UTF-8: clicked, saved to, loaded from.
  QListWidgetItem* latin1 = nullptr;
  for (int i = 0; i < browser.fileList()->count(); ++i) {
    QListWidgetItem* item = browser.fileList()->item(i);
    if (item->text() != QString::fromUtf8("caf\u00e9.cfg") && item->text() != "link.cfg")
      latin1 = item;
  }
  ASSERT_NE(latin1, nullptr);
  emit browser.fileList()->itemClicked(latin1);
  EXPECT_EQ(browser.path(), folder + "/" + latin1Name);
  config::FieldStore fields;
  fields.setText(Field::setup1_Text9, "4242");
  ASSERT_TRUE(config::saveConfiguration(fields, browser.path()).done());
  config::FieldStore loaded;
  ASSERT_TRUE(config::loadConfiguration(loaded, folder + "/" + latin1Name).done());
  EXPECT_EQ(loaded.text(Field::setup1_Text9), "4242");

  // A folder whose name is not UTF-8 is entered, and a name typed after it keeps its bytes.
  QListWidget* folders = browser.folderList();
  QListWidgetItem* sub = folders->item(folders->count() - 1);
  emit folders->itemActivated(sub);
  browser.pathBox()->setText(browser.pathBox()->text() + "new.cfg");
  EXPECT_EQ(browser.path(), folder + "/sub\xff/new.cfg");
}

// The check looks as far as the download does: a voltage never chosen is named, and the
// configuration is not called OK.
TEST_F(ConfigWindowsTest, CheckNamesWhatTheDownloadWouldRefuse) {
  const FieldStore sample = test::sampleFields();
  for (const FieldRow& row : fieldTable()) {
    if (row.kind == Kind::List) {
      windows.setIndex(row.field, sample.index(row.field));
    } else {
      windows.setText(row.field, sample.text(row.field));
    }
  }
  windows.setText(Field::setup3_Text4, "4815062937");
  windows.setIndex(Field::setup1_Combo15, -1);
  click(windows.setup1().control("Command5"));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Invalid Input voltage low trigger level (nothing selected)");
  messages.shown.clear();
  windows.setIndex(Field::setup1_Combo15, 3);
  click(windows.setup1().control("Command5"));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Configuration is OK");
}

TEST(FileBrowserPaths, PathBoxTexts) {
  const std::tuple<const char*, char, const char*> folders[] = {
      {"C:\\", '\\', "C:\\"}, {"C:\\a", '\\', "C:\\a\\"}, {"C:\\ab\\cd", '\\', "C:\\ab\\cd\\"},
      {"/", '/', "/"},        {"/a", '/', "/a/"},         {"/home/u", '/', "/home/u/"}};
  for (auto [folder, sep, text] : folders) EXPECT_EQ(ui::folderPathText(folder, sep), text);
  const std::tuple<const char*, const char*, char, const char*> files[] = {
      {"C:\\", "x.cfg", '\\', "C:\\x.cfg"},
      {"C:\\a", "x.cfg", '\\', "C:\\a\\x.cfg"},
      {"/", "x.cfg", '/', "/x.cfg"},
      {"/tmp", "x.cfg", '/', "/tmp/x.cfg"}};
  for (auto [folder, name, sep, text] : files) {
    EXPECT_EQ(ui::filePathText(folder, name, sep), text);
  }
}

TEST(FileBrowserWidget, FollowsFolderAndFileChoices) {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("sub");
  QFile(dir.filePath("a.cfg")).open(QIODevice::WriteOnly);
  QWidget parent;
  ui::FileBrowser browser(&parent);
  EXPECT_EQ(browser.path(), "");
  EXPECT_FALSE(browser.drives().empty());
  EXPECT_EQ(parent.findChild<QLineEdit*>("Text1"), browser.pathBox());

  browser.chooseFolder(dir.path());
  EXPECT_EQ(browser.path(), dir.path().toStdString() + "/");
  ASSERT_EQ(browser.fileList()->count(), 1);
  EXPECT_EQ(browser.fileList()->item(0)->text(), "a.cfg");
  emit browser.fileList()->itemClicked(browser.fileList()->item(0));
  EXPECT_EQ(browser.path(), dir.filePath("a.cfg").toStdString());

  // Into the sub-folder by its entry in the folder list.
  QListWidget* folders = browser.folderList();
  QListWidgetItem* sub = folders->item(folders->count() - 1);
  EXPECT_EQ(sub->text().trimmed(), "sub");
  emit folders->itemActivated(sub);
  EXPECT_EQ(browser.folder(), dir.filePath("sub"));
  EXPECT_EQ(browser.path(), dir.filePath("sub").toStdString() + "/");
  EXPECT_EQ(browser.fileList()->count(), 0);

  browser.chooseFolder("/");
  emit browser.fileList()->itemClicked(new QListWidgetItem("x.cfg", browser.fileList()));
  EXPECT_EQ(browser.path(), "/x.cfg");
}

}  // namespace
}  // namespace forms

namespace forms {
namespace {

// However small the screen, an editing window fits its free area, and what does not fit on
// the window scrolls: every control stays within reach, none is squeezed.
TEST_F(ConfigWindowsTest, WindowsFitTheScreenAndScrollWhereItIsSmaller) {
  for (Window w : {Window::setup1, Window::setup3}) {
    FieldForm& window = form(w);
    const QSize free = window.screen()->availableGeometry().size();
    auto* area = window.findChild<QScrollArea*>("scrollArea");
    ASSERT_NE(area, nullptr) << windowName(w);
    QWidget* page = area->widget();
    EXPECT_LE(window.width(), free.width()) << windowName(w);
    EXPECT_LE(window.height(), free.height()) << windowName(w);
    window.show();
    QApplication::processEvents();
    EXPECT_GE(page->width(), page->minimumSizeHint().width()) << windowName(w);
    EXPECT_GE(page->height(), page->minimumSizeHint().height()) << windowName(w);
    EXPECT_EQ(area->horizontalScrollBar()->isVisible(), page->width() > area->viewport()->width())
        << windowName(w);
    window.hide();
  }
}

// Beside the check's boxes, which come one at a time, a list of our own shows every problem at
// once by its window and caption, value and range; choosing one puts the keyboard on its field.
// A configuration without problems hides the list.
TEST_F(ConfigWindowsTest, TheCheckListsEveryProblemAtOnce) {
  Setup1& setup1 = windows.setup1();
  setup1.show();
  click(setup1.control("Command5"));
  ProblemList& problems = setup1.problemList();
  ASSERT_TRUE(problems.isVisible());
  QListWidget* list = problems.list();
  std::vector<std::string> rows;
  for (int row = 0; row < list->count(); ++row)
    rows.push_back(list->item(row)->text().toStdString());
  const auto listed = [&](const std::string& part) {
    return std::any_of(rows.begin(), rows.end(),
                       [&](const std::string& row) { return row.find(part) != std::string::npos; });
  };
  for (const words::Message& box : messages.shown) EXPECT_TRUE(listed(box.text)) << box.text;
  EXPECT_TRUE(listed("Configuration: GPS reading interval  (1-240 min): \"\" (allowed: 1 to 240)"));
  // What only the encoding finds is listed too, though the check's boxes stop at its rules.
  EXPECT_TRUE(listed("Configuration: Input voltage low trigger level: nothing selected"));

  const int interval =
      static_cast<int>(std::find_if(rows.begin(), rows.end(),
                                    [](const std::string& r) {
                                      return r.find("GPS reading interval") != std::string::npos;
                                    }) -
                       rows.begin());
  emit list->itemActivated(list->item(interval));
  EXPECT_EQ(setup1.focusWidget(), setup1.control("Text8"));

  copyFields(test::sampleFields(), windows);
  messages.shown.clear();
  click(setup1.control("Command5"));
  EXPECT_FALSE(problems.isVisible());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Configuration is OK");
  setup1.hide();
}

// The list follows the fields as they are fixed, a double click on a row takes the keyboard to
// its field, and the list never covers the window: where the screen has no room beside it, the
// window makes room (its page scrolls).
TEST_F(ConfigWindowsTest, TheProblemListFollowsEditsBesideTheWindow) {
  Setup1& setup1 = windows.setup1();
  setup1.resize(setup1.screen()->availableGeometry().size());
  setup1.show();
  click(setup1.control("Command5"));
  ProblemList& problems = setup1.problemList();
  ASSERT_TRUE(problems.isVisible());
  EXPECT_FALSE(problems.frameGeometry().intersects(setup1.frameGeometry()))
      << "list " << problems.frameGeometry().x() << "+" << problems.width() << ", window "
      << setup1.frameGeometry().x() << "+" << setup1.width();
  const auto row = [&](const std::string& part) {
    for (int r = 0; r < problems.list()->count(); ++r) {
      if (problems.list()->item(r)->text().toStdString().find(part) != std::string::npos) return r;
    }
    return -1;
  };
  const int before = problems.list()->count();
  ASSERT_GE(row("GPS reading interval"), 0);
  emit problems.list()->itemDoubleClicked(problems.list()->item(row("GPS reading interval")));
  EXPECT_EQ(setup1.focusWidget(), setup1.control("Text8"));
  type(windows.textBox(Field::setup1_Text8), "10");
  EXPECT_EQ(row("GPS reading interval"), -1);
  EXPECT_EQ(problems.list()->count(), before - 1);
  copyFields(test::sampleFields(), windows);
  EXPECT_FALSE(problems.isVisible());
  setup1.hide();
}

// A file just saved is in the browser's list, chosen.
TEST_F(ConfigWindowsTest, ASavedFileShowsInTheBrowser) {
  Setup1& setup1 = windows.setup1();
  QTemporaryDir dir;
  setup1.fileBrowser().chooseFolder(dir.path());
  type(setup1.fileBrowser().pathBox(), "new.cfg");
  click(setup1.control("Command4"));
  QListWidget* files = setup1.fileBrowser().fileList();
  ASSERT_EQ(files->count(), 1);
  EXPECT_EQ(files->item(0)->text(), "new.cfg");
  EXPECT_EQ(files->currentRow(), 0);
}

}  // namespace
}  // namespace forms

#pragma once
// The configuration window setup1 and the special functions window setup3, laid out from the
// field table. Both are built hidden the first time either is needed, shown modally by the main
// window, hidden by their "RETURN MAIN MENU" button and never destroyed before the program
// ends. The configuration itself is a config::FieldStore: the windows show it, follow its
// changes and write every edit back.
#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "config/fields.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace ui {
class FileBrowser;
class HelpLauncher;
}  // namespace ui
namespace words {
class Messages;
}  // namespace words

namespace forms {

class ConfigWindows;
class ProblemList;

// One editing window: its fields from the table, each control named by its control name.
class FieldForm : public QDialog {
  Q_OBJECT

 public:
  // The control with this object name ("Text9", "Command2", "Label2"), nullptr if none.
  QWidget* control(const char* name) const;

 protected:
  FieldForm(config::Window window, ConfigWindows& fields, QWidget* owner);
  QPushButton* addButton(const char* name, const char* caption);
  // The field's caption and control, placed in their column.
  void layOutColumn(int column, QVBoxLayout* into);
  // The window's visible fields in the order of the field table: down each column, the columns
  // from left to right; only those of one column when column is 0 or more.
  std::vector<QWidget*> visibleFields(int column = -1) const;

  // What the window shows, laid out on a page that scrolls where the screen is too small.
  QWidget* page_;
  config::Window window_;
  ConfigWindows& fields_;
};

class Setup1 : public FieldForm {
  Q_OBJECT

 public:
  Setup1(ConfigWindows& fields, QWidget* owner, words::Messages& messages, ui::HelpLauncher& help);
  ui::FileBrowser& fileBrowser() { return *browser_; }
  // The list of every problem the last check found.
  ProblemList& problemList() { return *problems_; }

 private:
  ui::FileBrowser* browser_;
  ProblemList* problems_;
};

class Setup3 : public FieldForm {
  Q_OBJECT

 public:
  Setup3(ConfigWindows& fields, QWidget* owner);
};

// Both windows, over the configuration's store; as config::Fields they read and write the store.
class ConfigWindows : public config::Fields {
 public:
  // The windows will belong to owner (the main window); messages and help are used by setup1's
  // buttons. The store must outlive the windows.
  ConfigWindows(QWidget* owner, words::Messages& messages, ui::HelpLauncher& help,
                config::FieldStore& store);
  ~ConfigWindows() override;

  // Built on first use, both at once.
  Setup1& setup1();
  Setup3& setup3();
  bool built() const { return setup1_ != nullptr; }

  std::string text(config::Field field) const override { return store_.text(field); }
  void setText(config::Field field, const std::string& text) override {
    store_.setText(field, text);
  }
  int index(config::Field field) const override { return store_.index(field); }
  bool setIndex(config::Field field, int index) override { return store_.setIndex(field, index); }
  std::string versionText() const override { return store_.versionText(); }
  void setVersionText(const std::string& text) override { store_.setVersionText(text); }

  // Told after every load from setup1's file browser: the file, whether it loaded, and what the
  // load found.
  using LoadHandler =
      std::function<void(const std::string& path, bool loaded, const config::LoadReport&)>;
  void onLoaded(LoadHandler handler) { loaded_ = std::move(handler); }
  // Told after every save from setup1: the file, and whether it was saved.
  using SaveHandler = std::function<void(const std::string& path, bool saved)>;
  void onSaved(SaveHandler handler) { saved_ = std::move(handler); }

  // The controls of the fields, for the windows and their tests; the windows are built.
  QLineEdit* textBox(config::Field field);
  QComboBox* list(config::Field field);

 private:
  friend class FieldForm;
  friend class Setup1;
  void build();
  QWidget* createControl(const config::FieldRow& row, QWidget* window);
  // The store's value into the field's control, and back.
  void show(std::optional<config::Field> field);
  void writeBack(config::Field field);

  QWidget* owner_;
  words::Messages& messages_;
  ui::HelpLauncher& help_;
  config::FieldStore& store_;
  bool writingBack_ = false;
  LoadHandler loaded_;
  SaveHandler saved_;
  std::array<QWidget*, config::kFieldCount> controls_{};
  QLabel* version_ = nullptr;
  Setup1* setup1_ = nullptr;
  Setup3* setup3_ = nullptr;
};

}  // namespace forms

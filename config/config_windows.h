#pragma once
// The configuration window setup1 and the special functions window setup3, laid out from the
// field table. Both are created hidden with the main window, shown modally by it, hidden by
// their "RETURN MAIN MENU" button and never destroyed before the program ends: their controls
// are the configuration, read and written through ConfigWindows as config::Fields.
#include <QDialog>
#include <array>
#include <string>
#include <vector>

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
class Messages;
}  // namespace ui

namespace config {

class ConfigWindows;

// One editing window: its fields from the table, each control named by its control name.
class FieldForm : public QDialog {
  Q_OBJECT

 public:
  // The control with this object name ("Text9", "Command2", "Label2"), nullptr if none.
  QWidget* control(const char* name) const;

 protected:
  FieldForm(Window window, ConfigWindows& fields, QWidget* owner);
  QPushButton* addButton(const char* name, const char* caption);
  // The field's caption and control, placed in their column.
  void layOutColumn(int column, QVBoxLayout* into);
  // The window's visible fields in the order of the field table: down each column, the columns
  // from left to right; only those of one column when column is 0 or more.
  std::vector<QWidget*> visibleFields(int column = -1) const;

  Window window_;
  ConfigWindows& fields_;
};

class Setup1 : public FieldForm {
  Q_OBJECT

 public:
  Setup1(ConfigWindows& fields, QWidget* owner, ui::Messages& messages, ui::HelpLauncher& help);
  ui::FileBrowser& fileBrowser() { return *browser_; }

 private:
  ui::FileBrowser* browser_;
};

class Setup3 : public FieldForm {
  Q_OBJECT

 public:
  Setup3(ConfigWindows& fields, QWidget* owner);
};

// Both windows, and their fields as config::Fields.
class ConfigWindows : public Fields {
 public:
  // The windows belong to owner (the main window); messages and help are used by setup1's
  // buttons. Each field starts with no list selected and no text, the version text "XXXX"; the
  // main window's startup then gives the fields their values (applyStartupValues).
  ConfigWindows(QWidget* owner, ui::Messages& messages, ui::HelpLauncher& help);
  ~ConfigWindows() override;

  Setup1& setup1() { return *setup1_; }
  Setup3& setup3() { return *setup3_; }

  std::string text(Field field) const override;
  void setText(Field field, const std::string& text) override;
  int index(Field field) const override;
  bool setIndex(Field field, int index) override;
  std::string versionText() const override;
  void setVersionText(const std::string& text) override;

  // The controls of the fields, for the windows and their tests.
  QLineEdit* textBox(Field field) const;
  QComboBox* list(Field field) const;

 private:
  friend class FieldForm;
  friend class Setup1;
  QWidget* createControl(const FieldSpec& row, QWidget* window);

  std::array<QWidget*, kFieldCount> controls_{};
  QLabel* version_ = nullptr;
  Setup1* setup1_;
  Setup3* setup3_;
};

}  // namespace config

#pragma once
// setup2, "GPS Location Table": the grid of the GPS location table with its in-place edit box,
// the table file's browser and buttons. The window is built the first time it is needed, shown
// modally by the main window and hidden again by "RETURN MAIN MENU" (or its close box). The table
// itself is a loctable::CellStore: the grid shows it, follows its changes and writes every edit
// back; as loctable::Cells the window reads and writes the store.
#include <QDialog>
#include <functional>
#include <string>

#include "loctable/cell_store.h"
#include "loctable/cells.h"

class QLineEdit;
class QTableWidget;

namespace ui {
class FileBrowser;
class HelpLauncher;
}  // namespace ui
namespace words {
class Messages;
}  // namespace words

namespace forms {

class Setup2 : public QDialog, public loctable::Cells {
  Q_OBJECT

 public:
  // The store must outlive the window.
  Setup2(QWidget* owner, words::Messages& messages, ui::HelpLauncher& help,
         loctable::CellStore& store);
  ~Setup2() override;

  // The control with this object name ("MSFlexGrid1", "txtEdit", "Command2"), nullptr if none.
  QWidget* control(const char* name) const;
  QTableWidget* grid() const { return grid_; }
  QLineEdit* editBox() const { return txtEdit_; }
  ui::FileBrowser& fileBrowser() { return *browser_; }

  // Cells, by cell index (0 to 299); an index outside the table reads as empty and is not
  // written. Setting a cell never checks its text.
  using loctable::Cells::cell;
  using loctable::Cells::setCell;
  std::string cell(int index) const override;
  void setCell(int index, const std::string& text) override;

  // What the user's actions do, callable directly.
  void startEdit(int row, int column);  // a click on a grid cell
  void endEdit();                       // the edit box losing the focus
  bool editing() const { return editing_; }
  void returnToMainMenu();  // Command2
  void saveTable();         // Command4
  void loadTable();         // Command1

  // Told after every save and load: the file, whether it worked, and the rows a load set.
  using SaveHandler = std::function<void(const std::string& path, bool saved)>;
  using LoadHandler = std::function<void(const std::string& path, bool loaded, int rows)>;
  void onSaved(SaveHandler handler) { saved_ = std::move(handler); }
  void onLoaded(LoadHandler handler) { loaded_ = std::move(handler); }

 public slots:
  // Escape and the close box leave the window as "RETURN MAIN MENU" does.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls(ui::HelpLauncher& help);

  // The store's cell into its grid item.
  void show(int index);

  words::Messages& messages_;
  loctable::CellStore& store_;
  SaveHandler saved_;
  LoadHandler loaded_;
  QTableWidget* grid_;
  QLineEdit* txtEdit_;
  ui::FileBrowser* browser_;
  bool editing_ = false;
  int editRow_ = 0;
  int editColumn_ = 1;
};

}  // namespace forms

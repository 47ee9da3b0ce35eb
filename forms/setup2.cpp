#include "forms/setup2.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "loctable/entry_check.h"
#include "loctable/table_file.h"
#include "ui/accessibility.h"
#include "ui/file_browser.h"
#include "ui/help.h"
#include "ui/window_look.h"
#include "words/boxes.h"

namespace forms {

using loctable::acceptedEntry;
using loctable::CellStore;
using loctable::kCellCount;
using loctable::kColumns;
using loctable::kEmptyMarker;
using loctable::kRows;
using loctable::loadTable;
using loctable::saveTable;

namespace {

using ui::arial;
using ui::twipsRect;

// The edit box's height; every grid row is at least this high, so the box covers one row.
constexpr int kEditHeightTwips = 285;
constexpr int kEditHeight = ui::twipsToPixels(kEditHeightTwips);

}  // namespace

Setup2::Setup2(QWidget* owner, words::Messages& messages, ui::HelpLauncher& help, CellStore& store)
    : QDialog(owner), messages_(messages), store_(store) {
  setObjectName("setup2");
  setWindowTitle("GPS Location Table");
  setModal(true);
  setFixedSize(ui::twipsToPixels(6705), ui::twipsToPixels(7635));
  ui::installAccessibleInterfaces();
  buildControls(help);
  for (int index = 0; index < kCellCount; ++index) show(index);
  store_.onChange([this](int index) { show(index); });
}

Setup2::~Setup2() {
  store_.onChange(nullptr);
}

void Setup2::buildControls(ui::HelpLauncher& help) {
  auto label = [this](const char* name, const char* text, QRect where, QFont font) {
    auto* widget = new QLabel(QString::fromLatin1(text), this);
    widget->setObjectName(name);
    widget->setGeometry(where);
    widget->setFont(font);
    return widget;
  };
  auto button = [this](const char* name, const char* text, QRect where) {
    auto* widget = new QPushButton(QString::fromLatin1(text), this);
    widget->setObjectName(name);
    widget->setGeometry(where);
    widget->setFont(arial(11.25, true));
    // Enter in the edit box must not press a button.
    widget->setAutoDefault(false);
    return widget;
  };

  QLabel* heading = label("Label1", "GPS Location Table :", twipsRect(240, 120, 3495, 375),
                          arial(14.25, true, true));
  label("Label2", "ID              Latitude    Longitude      ", twipsRect(360, 600, 4095, 255),
        arial(9.75, true));

  grid_ = new QTableWidget(kRows, kColumns, this);
  grid_->setObjectName("MSFlexGrid1");
  grid_->setGeometry(twipsRect(240, 840, 3495, 5895));
  grid_->setFont(arial(8.25));
  grid_->setToolTip("Click for Input");
  grid_->horizontalHeader()->hide();
  // Label2 shows the headings; screen readers take them from the grid's own, hidden ones.
  grid_->setHorizontalHeaderLabels({"ID", "Latitude", "Longitude"});
  heading->setBuddy(grid_);
  grid_->setAccessibleName(heading->text());
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The arrow keys move between cells; Tab leaves the grid.
  grid_->setTabKeyNavigation(false);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setWordWrap(false);
  grid_->verticalHeader()->setMinimumSectionSize(kEditHeight);
  grid_->verticalHeader()->setDefaultSectionSize(kEditHeight);
  grid_->setColumnWidth(0, 45);
  grid_->setColumnWidth(1, 85);
  grid_->setColumnWidth(2, 85);
  const QBrush fixedStyle = palette().button();
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem;
      if (column == 0) {
        // The fixed ID column: drawn like a heading, never edited or selected.
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(fixedStyle);
      }
      grid_->setItem(row, column, item);
    }
  }
  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (column > 0) startEdit(row, column);
  });

  txtEdit_ = new QLineEdit(this);
  txtEdit_->setObjectName("txtEdit");
  txtEdit_->setGeometry(twipsRect(3960, 840, 855, kEditHeightTwips));
  txtEdit_->hide();
  txtEdit_->setAccessibleName("Cell editor");
  txtEdit_->installEventFilter(this);
  grid_->installEventFilter(this);

  QPushButton* help3 = button("Command3", "HELP", twipsRect(3960, 1320, 1455, 375));
  connect(help3, &QPushButton::clicked, this, [this, &help] {
    if (editing_) endEdit();
    help.open();
  });

  browser_ = new ui::FileBrowser(this);
  browser_->driveList()->setGeometry(twipsRect(3960, 1800, 975, 360));
  browser_->folderList()->setGeometry(twipsRect(3960, 2280, 2535, 1440));
  browser_->fileList()->setGeometry(twipsRect(3960, 3840, 2535, 1530));
  for (QWidget* list :
       {static_cast<QWidget*>(browser_->driveList()), static_cast<QWidget*>(browser_->folderList()),
        static_cast<QWidget*>(browser_->fileList())}) {
    list->setFont(arial(9.75));
  }

  QPushButton* load = button("Command1", "Load GPS Table", twipsRect(3960, 5520, 2535, 375));
  connect(load, &QPushButton::clicked, this, [this] { loadTable(); });
  QPushButton* save = button("Command4", "Save GPS Table", twipsRect(3960, 6000, 2535, 375));
  connect(save, &QPushButton::clicked, this, [this] { saveTable(); });
  QPushButton* back = button("Command2", ui::kReturnMainMenu, twipsRect(3960, 6480, 2535, 375));
  ui::setReturnLook(*back);
  connect(back, &QPushButton::clicked, this, [this] { returnToMainMenu(); });

  label("Label23", "File Selected :", twipsRect(240, 6840, 1335, 255), arial(8.25, true, true))
      ->setBuddy(browser_->pathBox());
  browser_->pathBox()->setGeometry(twipsRect(240, 7080, 6255, 405));
  browser_->pathBox()->setFont(arial(8.25));

  // Tab goes from the grid (and its edit box) down the right-hand column, then to the path
  // box along the bottom.
  ui::setTabChain({grid_, txtEdit_, help3, browser_->driveList(), browser_->folderList(),
                   browser_->fileList(), load, save, back, browser_->pathBox()});
}

QWidget* Setup2::control(const char* name) const {
  return findChild<QWidget*>(QString::fromLatin1(name));
}

std::string Setup2::cell(int index) const {
  return store_.cell(index);
}

void Setup2::setCell(int index, const std::string& text) {
  store_.setCell(index, text);
}

void Setup2::show(int index) {
  if (QTableWidgetItem* item = grid_->item(index / kColumns, index % kColumns)) {
    item->setText(ui::fromLatin1(store_.cell(index)));
  }
}

void Setup2::startEdit(int row, int column) {
  if (row < 0 || row >= kRows || column < 1 || column >= kColumns) return;
  if (editing_) endEdit();
  editRow_ = row;
  editColumn_ = column;
  QTableWidgetItem* item = grid_->item(row, column);
  grid_->scrollToItem(item);
  const QRect inGrid = grid_->visualItemRect(item);
  const QPoint topLeft = grid_->viewport()->mapTo(this, inGrid.topLeft());
  txtEdit_->setGeometry(topLeft.x(), topLeft.y(), inGrid.width(), kEditHeight);
  txtEdit_->setText(item->text());
  editing_ = true;
  txtEdit_->show();
  txtEdit_->raise();
  txtEdit_->setFocus(Qt::MouseFocusReason);
  // Typing replaces the cell's text, as in any grid; a click inside the box places the cursor.
  txtEdit_->selectAll();
}

void Setup2::endEdit() {
  if (!editing_) return;
  // The message box below takes the focus too; this edit has ended already.
  editing_ = false;
  const std::string typed = ui::toLatin1(txtEdit_->text());
  if (const std::optional<std::string> accepted = acceptedEntry(typed)) {
    txtEdit_->setText(ui::fromLatin1(*accepted));
    setCell(editRow_, editColumn_, *accepted);
  } else {
    messages_.show("Invalid number", "Error", words::Icon::Critical);
    setCell(editRow_, editColumn_, kEmptyMarker);
  }
  txtEdit_->hide();
}

void Setup2::returnToMainMenu() {
  if (editing_) endEdit();
  hide();
}

void Setup2::reject() {
  if (editing_) endEdit();
  QDialog::reject();
}

void Setup2::saveTable() {
  if (editing_) endEdit();
  const std::string path = browser_->path();
  const bool saved =
      words::showSaveBox(words::FileKind::Table, loctable::saveTable(*this, path), messages_);
  browser_->refresh();
  if (saved_) saved_(path, saved);
}

void Setup2::loadTable() {
  if (editing_) endEdit();
  const std::string path = browser_->path();
  int rows = 0;
  const bool loaded = words::showLoadBox(loctable::loadTable(*this, path, &rows), messages_);
  if (loaded_) loaded_(path, loaded, rows);
}

bool Setup2::eventFilter(QObject* watched, QEvent* event) {
  // From the keyboard, Enter or F2 edits the grid's current cell, and Enter in the edit box
  // ends the edit, back in the grid.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == grid_ && (enter || key == Qt::Key_F2) && grid_->currentColumn() > 0) {
      startEdit(grid_->currentRow(), grid_->currentColumn());
      return true;
    }
    if (watched == txtEdit_ && enter && editing_) {
      grid_->setFocus(Qt::TabFocusReason);
      return true;
    }
  }
  if (watched == txtEdit_ && event->type() == QEvent::FocusOut) {
    // A context menu or another application taking the focus does not end the edit; anything
    // in the window that takes it does.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) endEdit();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace forms

#include "forms/config_windows.h"

#include "config/problems.h"
#include "forms/problem_list.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QValidator>

#include "config/config_file.h"
#include "config/encoding.h"
#include "config/validation.h"
#include "ui/accessibility.h"
#include "ui/file_browser.h"
#include "ui/help.h"
#include "ui/window_look.h"
#include "words/boxes.h"

namespace forms {

using config::checkFields;
using config::checkProblems;
using config::encodingProblems;
using config::Field;
using config::FieldRow;
using config::FieldStore;
using config::fieldTable;
using config::Kind;
using config::kInitialVersion;
using config::loadConfiguration;
using config::LoadReport;
using config::saveConfiguration;
using config::Window;
using config::windowCaption;
using config::windowName;

using ui::fromLatin1;
using ui::toLatin1;

namespace {

// A box without a maximum length takes texts of any practical length.
constexpr int kNoMaximum = 1 << 24;

// Every character of a text is one byte: characters outside Latin-1 are refused when typed.
class Latin1Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (QChar c : input) {
      if (c.unicode() > 0xFF) return Invalid;
    }
    return Acceptable;
  }
};

// In a list's text portion only choosing an item selects it: Enter does not pick the item
// that matches the typed text.
class SwallowEnter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

QFont windowFont(bool bold) {
  return ui::arial(ui::kDialogPoints, bold);
}

QLabel* caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setFont(windowFont(true));
  return label;
}

QString joinedCaption(const std::vector<std::string>& lines) {
  QStringList out;
  for (const std::string& line : lines) out << fromLatin1(line);
  return out.join('\n');
}

}  // namespace

// ---------------------------------------------------------------------------------------------

FieldForm::FieldForm(Window window, ConfigWindows& fields, QWidget* owner)
    : QDialog(owner), page_(new QWidget(this)), window_(window), fields_(fields) {
  page_->setObjectName("page");
  setObjectName(windowName(window));
  setWindowTitle(QString::fromLatin1(windowCaption(window)));
  setFont(windowFont(false));
  setModal(true);
  ui::installAccessibleInterfaces();
  // The fields belong to the window, shown or not; the hidden ones never show. They live in a
  // window of their own that is never shown, so that they stay out of the layout, the tab
  // order and what screen readers see, and are still among the form's controls.
  QWidget* hiddenFields = nullptr;
  for (const FieldRow& row : fieldTable()) {
    if (row.window != window) continue;
    if (row.hidden && !hiddenFields) {
      hiddenFields = new QWidget(this, Qt::Window);
      hiddenFields->setObjectName("hiddenFields");
    }
    QWidget* control = fields_.createControl(row, row.hidden ? hiddenFields : this);
    if (row.hidden) {
      control->setFocusPolicy(Qt::NoFocus);
      control->move(-2000, -2000);
      control->hide();
    }
  }
}

std::vector<QWidget*> FieldForm::visibleFields(int column) const {
  std::vector<QWidget*> out;
  for (const FieldRow& row : fieldTable()) {
    if (row.window == window_ && !row.hidden && (column < 0 || row.column == column)) {
      out.push_back(fields_.controls_[static_cast<std::size_t>(row.field)]);
    }
  }
  return out;
}

QWidget* FieldForm::control(const char* name) const {
  return findChild<QWidget*>(QString::fromLatin1(name));
}

QPushButton* FieldForm::addButton(const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromLatin1(text), this);
  button->setObjectName(name);
  button->setFont(windowFont(true));
  // Enter in a field presses no button.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

void FieldForm::layOutColumn(int column, QVBoxLayout* into) {
  auto* form = new QFormLayout;
  form->setVerticalSpacing(2);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  QHBoxLayout* lastRow = nullptr;
  for (const FieldRow& row : fieldTable()) {
    if (row.window != window_ || row.column != column || row.hidden) continue;
    if (!row.heading.empty()) {
      auto* heading = caption(fromLatin1(row.heading), this);
      QFont font = heading->font();
      font.setUnderline(true);
      heading->setFont(font);
      form->addRow(heading);
      lastRow = nullptr;
    }
    QWidget* control = fields_.controls_[static_cast<std::size_t>(row.field)];
    QLabel* label = row.caption.empty() ? nullptr : caption(joinedCaption(row.caption), this);
    if (label) label->setBuddy(control);

    if (row.caption.empty() && row.kind == Kind::List) control->setMaximumWidth(48);
    if (row.sameRow && lastRow) {
      if (label) lastRow->addWidget(label);
      lastRow->addWidget(control, row.kind == Kind::Text ? 1 : 0);
      continue;
    }
    if (row.captionAbove) {
      form->addRow(label);
      form->addRow(control);
      lastRow = nullptr;
      continue;
    }
    auto* line = new QHBoxLayout;
    line->addWidget(control, 1);
    if (!row.suffix.empty()) line->addWidget(caption(fromLatin1(row.suffix), this));
    if (label) {
      form->addRow(label, line);
    } else {
      form->addRow(QString(), line);
    }
    lastRow = line;
  }
  into->addLayout(form);
}

// ---------------------------------------------------------------------------------------------

Setup1::Setup1(ConfigWindows& fields, QWidget* owner, words::Messages& messages,
               ui::HelpLauncher& help)
    : FieldForm(Window::setup1, fields, owner) {
  auto* grid = new QGridLayout(page_);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->setHorizontalSpacing(10);
  std::array<QVBoxLayout*, 3> columns{};
  for (int c = 0; c < 3; ++c) {
    columns[c] = new QVBoxLayout;
    layOutColumn(c, columns[c]);
    grid->addLayout(columns[c], 0, c);
  }

  // Right column, below the passwords: the version, the check, the file browser.
  QVBoxLayout* right = columns[2];
  auto* versionRow = new QHBoxLayout;
  versionRow->addWidget(caption("Version number : V", this));
  fields.version_ = new ui::ValueLabel(QString::fromLatin1(kInitialVersion), this);
  fields.version_->setObjectName("Label2");
  fields.version_->setAccessibleName("Version number");
  fields.version_->setFont(windowFont(true));
  fields.version_->setTextFormat(Qt::PlainText);
  versionRow->addWidget(fields.version_, 1);
  right->addLayout(versionRow);
  QPushButton* check = addButton("Command5", "Click here to Check if configuration is valid");
  right->addWidget(check);

  browser_ = new ui::FileBrowser(this);
  QPushButton* helpButton = addButton("Command3", "HELP");
  auto* driveRow = new QHBoxLayout;
  driveRow->addWidget(browser_->driveList(), 1);
  driveRow->addWidget(helpButton);
  right->addLayout(driveRow);
  browser_->driveList()->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  right->addWidget(browser_->folderList(), 1);
  right->addWidget(browser_->fileList(), 1);
  QPushButton* save = addButton("Command4", "Save Configuration");
  QPushButton* load = addButton("Command1", "Load Configuration");
  auto* fileButtons = new QHBoxLayout;
  fileButtons->addWidget(save);
  fileButtons->addWidget(load);
  right->addLayout(fileButtons);
  for (QVBoxLayout* column : columns) column->addStretch(1);

  // Along the bottom: the path box, and the way back to the main menu.
  auto* bottom = new QHBoxLayout;
  QLabel* fileLabel = caption("File Selected :", this);
  fileLabel->setBuddy(browser_->pathBox());
  bottom->addWidget(fileLabel);
  bottom->addWidget(browser_->pathBox(), 1);
  QPushButton* back = addButton("Command2", ui::kReturnMainMenu);
  ui::setReturnLook(*back);
  bottom->addWidget(back);
  grid->addLayout(bottom, 1, 0, 1, 3);
  ui::putOnScrollingPage(*this, page_, QSize(732, 532));

  // Tab goes down the columns from left to right, the file browser's row by row, then along
  // the bottom.
  std::vector<QWidget*> chain = visibleFields();
  chain.insert(chain.end(), {check, browser_->driveList(), helpButton, browser_->folderList(),
                             browser_->fileList(), save, load, browser_->pathBox(), back});
  ui::setTabChain(chain);

  // Every problem at once beside the window, then the check's boxes one by one.
  problems_ = new ProblemList(*this, Window::setup1);
  connect(check, &QPushButton::clicked, this, [this, &messages] {
    problems_->present(checkProblems(fields_));
    for (const words::Message& box : words::checkBoxes(checkFields(fields_, encodingProblems)))
      messages.show(box);
  });
  connect(helpButton, &QPushButton::clicked, this, [&help] { help.open(); });
  connect(save, &QPushButton::clicked, this, [this, &messages] {
    const std::string path = browser_->path();
    const bool saved = words::showSaveBox(words::FileKind::Configuration,
                                          saveConfiguration(fields_, path), messages);
    browser_->refresh();
    if (fields_.saved_) fields_.saved_(path, saved);
  });
  connect(load, &QPushButton::clicked, this, [this, &messages] {
    const std::string path = browser_->path();
    LoadReport report;
    const bool loaded = words::showLoadBox(loadConfiguration(fields_, path, &report), messages);
    if (fields_.loaded_) fields_.loaded_(path, loaded, report);
  });
  connect(back, &QPushButton::clicked, this, &QWidget::hide);
}

Setup3::Setup3(ConfigWindows& fields, QWidget* owner) : FieldForm(Window::setup3, fields, owner) {
  auto* grid = new QGridLayout(page_);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->setHorizontalSpacing(10);
  auto* left = new QVBoxLayout;
  layOutColumn(0, left);
  left->addStretch(1);
  QPushButton* back = addButton("Command2", ui::kReturnMainMenu);
  ui::setReturnLook(*back);
  left->addWidget(back);
  auto* right = new QVBoxLayout;
  layOutColumn(1, right);
  right->addStretch(1);
  grid->addLayout(left, 0, 0);
  grid->addLayout(right, 0, 1);
  ui::putOnScrollingPage(*this, page_, QSize(661, 463));

  // Tab goes down the left column to its button, then down the right column.
  std::vector<QWidget*> chain = visibleFields(0);
  chain.push_back(back);
  for (QWidget* field : visibleFields(1)) chain.push_back(field);
  ui::setTabChain(chain);
  connect(back, &QPushButton::clicked, this, &QWidget::hide);
}

// ---------------------------------------------------------------------------------------------

ConfigWindows::ConfigWindows(QWidget* owner, words::Messages& messages, ui::HelpLauncher& help,
                             FieldStore& store)
    : owner_(owner), messages_(messages), help_(help), store_(store) {
  store_.onChange([this](std::optional<Field> field) {
    if (!built()) return;
    if (!writingBack_) show(field);
    // The list of the check's problems, while it shows, follows the fields as they are fixed.
    if (setup1_->problemList().isVisible()) setup1_->problemList().follow(checkProblems(store_));
  });
}

ConfigWindows::~ConfigWindows() {
  store_.onChange(nullptr);
  // The owner may have destroyed its windows already.
  QPointer<Setup1> one(setup1_);
  QPointer<Setup3> three(setup3_);
  delete one.data();
  delete three.data();
}

void ConfigWindows::build() {
  if (built()) return;
  setup1_ = new Setup1(*this, owner_, messages_, help_);
  setup3_ = new Setup3(*this, owner_);
  for (const FieldRow& row : fieldTable()) show(row.field);
  show(std::nullopt);
}

Setup1& ConfigWindows::setup1() {
  build();
  return *setup1_;
}

Setup3& ConfigWindows::setup3() {
  build();
  return *setup3_;
}

QWidget* ConfigWindows::createControl(const FieldRow& row, QWidget* window) {
  QWidget* control = nullptr;
  if (row.kind == Kind::Text) {
    auto* box = new QLineEdit(window);
    box->setMaxLength(row.maxLength > 0 ? row.maxLength : kNoMaximum);
    box->setMinimumWidth(56);
    box->setValidator(new Latin1Validator(box));
    QObject::connect(box, &QLineEdit::textChanged, box,
                     [this, field = row.field] { writeBack(field); });
    control = box;
  } else {
    auto* list = new QComboBox(window);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setCompleter(nullptr);
    list->setMaxVisibleItems(16);
    // The column decides the width; the drop-down shows long items in full.
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(4);
    for (const std::string& item : row.items) list->addItem(fromLatin1(item));
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
    list->setCurrentIndex(-1);
    QLineEdit* edit = list->lineEdit();
    edit->setValidator(new Latin1Validator(edit));
    // A chosen item longer than the box shows its beginning, where items differ, not its end.
    QObject::connect(list, &QComboBox::currentIndexChanged, edit,
                     [edit] { edit->setCursorPosition(0); });
    edit->installEventFilter(new SwallowEnter(edit));
    // Typing into the text portion leaves no item selected; the typed text stays.
    QObject::connect(edit, &QLineEdit::textEdited, list, [list, edit](const QString& typed) {
      if (list->currentIndex() < 0) return;
      const int cursor = edit->cursorPosition();
      const QSignalBlocker block(list);
      list->setCurrentIndex(-1);
      edit->setText(typed);
      edit->setCursorPosition(cursor);
    });
    // Every change the user makes reaches the store: a chosen item, or typed text.
    QObject::connect(list, &QComboBox::currentIndexChanged, list,
                     [this, field = row.field] { writeBack(field); });
    QObject::connect(edit, &QLineEdit::textChanged, list,
                     [this, field = row.field] { writeBack(field); });
    control = list;
  }
  control->setObjectName(QString::fromStdString(row.control));
  if (!row.accessibleName.empty()) control->setAccessibleName(fromLatin1(row.accessibleName));
  controls_[static_cast<std::size_t>(row.field)] = control;
  return control;
}

QLineEdit* ConfigWindows::textBox(Field field) {
  build();
  return qobject_cast<QLineEdit*>(controls_[static_cast<std::size_t>(field)]);
}

QComboBox* ConfigWindows::list(Field field) {
  build();
  return qobject_cast<QComboBox*>(controls_[static_cast<std::size_t>(field)]);
}

void ConfigWindows::show(std::optional<Field> field) {
  if (!field) {
    version_->setText(fromLatin1(store_.versionText()));
    return;
  }
  QWidget* control = controls_[static_cast<std::size_t>(*field)];
  const QSignalBlocker blockControl(control);
  if (auto* box = qobject_cast<QLineEdit*>(control)) {
    box->setText(fromLatin1(store_.text(*field)));
    return;
  }
  auto* combo = qobject_cast<QComboBox*>(control);
  const QSignalBlocker blockEdit(combo->lineEdit());
  const int index = store_.index(*field);
  combo->setCurrentIndex(index);
  combo->setEditText(fromLatin1(store_.text(*field)));
  combo->lineEdit()->setCursorPosition(0);
}

// What the control shows now, into the store: a box's text; a list's chosen item, or the text
// typed into its text portion while none is chosen.
void ConfigWindows::writeBack(Field field) {
  writingBack_ = true;
  if (QLineEdit* box = qobject_cast<QLineEdit*>(controls_[static_cast<std::size_t>(field)])) {
    store_.setText(field, toLatin1(box->text()));
  } else {
    auto* combo = qobject_cast<QComboBox*>(controls_[static_cast<std::size_t>(field)]);
    if (combo->currentIndex() >= 0) {
      store_.setIndex(field, combo->currentIndex());
    } else {
      store_.setText(field, toLatin1(combo->currentText()));
    }
  }
  writingBack_ = false;
}

}  // namespace forms

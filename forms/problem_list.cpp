#include "forms/problem_list.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "config/field_table.h"
#include "ui/window_look.h"

namespace forms {

using config::fieldRow;
using config::FieldRow;
using config::Problem;
using config::problemSummary;
using config::Window;
using config::windowLabel;

ProblemList::ProblemList(QWidget& beside, Window window)
    : QWidget(&beside, Qt::Tool),
      beside_(beside),
      window_(window),
      count_(new QLabel(this)),
      list_(new QListWidget(this)) {
  setObjectName("problemList");
  setWindowTitle("Configuration problems");
  setAttribute(Qt::WA_ShowWithoutActivating);
  count_->setObjectName("problemCount");
  list_->setObjectName("problems");
  list_->setAccessibleName("Configuration problems");
  list_->setWordWrap(true);
  count_->setBuddy(list_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(count_);
  layout->addWidget(list_, 1);
  resize(360, 420);
  // Enter, or a double click whatever the style makes of a click.
  connect(list_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { choose(list_->row(item)); });
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { choose(list_->row(item)); });
  beside_.installEventFilter(this);
}

// The list goes with its window.
bool ProblemList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &beside_ && event->type() == QEvent::Hide) hide();
  return QWidget::eventFilter(watched, event);
}

QString ProblemList::line(const Problem& problem) {
  const FieldRow& row = fieldRow(problem.field);
  QString text =
      ui::fromLatin1(std::string(windowLabel(row.window)) + ": " + problemSummary(problem));
  if (!problem.message.empty())
    text += QString::fromUtf8(" \u2013 ") + ui::fromLatin1(problem.message);
  return text;
}

void ProblemList::fill(const std::vector<Problem>& problems) {
  const int current = list_->currentRow();
  problems_ = problems;
  list_->clear();
  for (const Problem& problem : problems) list_->addItem(line(problem));
  if (current >= 0 && current < list_->count()) list_->setCurrentRow(current);
  count_->setText(problems.size() == 1
                      ? QString("The check found 1 problem:")
                      : "The check found " + QString::number(problems.size()) + " problems:");
}

void ProblemList::present(const std::vector<Problem>& problems) {
  if (problems.empty()) {
    problems_.clear();
    list_->clear();
    hide();
    return;
  }
  fill(problems);
  place();
  show();
  raise();
}

void ProblemList::follow(const std::vector<Problem>& problems) {
  if (!isVisible()) return;
  if (problems.empty()) {
    present(problems);
    return;
  }
  fill(problems);
}

void ProblemList::place() {
  const QScreen* screen = beside_.screen();
  if (!screen) return;
  const QRect free = screen->availableGeometry();
  QRect window = beside_.frameGeometry();
  constexpr int kGap = 8, kNarrowest = 240, kWidest = 360;
  resize(std::clamp(free.width() - window.width() - kGap, kNarrowest, kWidest), height());
  int overflow = window.right() + kGap + width() - free.right();
  if (overflow > 0 && beside_.isVisible()) {
    // First the window moves left as far as the screen allows; then, on a screen too narrow
    // for both, it narrows, and its page scrolls.
    const int shift = std::clamp(window.left() - free.left(), 0, overflow);
    if (shift > 0) {
      beside_.move(beside_.pos() - QPoint(shift, 0));
      window.translate(-shift, 0);
      overflow -= shift;
    }
    if (overflow > 0) {
      beside_.resize(beside_.width() - overflow, beside_.height());
      window.setRight(window.right() - overflow);
    }
  }
  QPoint at(window.right() + kGap, window.top());
  at.setY(std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() - height())));
  move(at);
}

// The keyboard goes to the field, where the field is on the window beside.
void ProblemList::choose(int row) {
  if (row < 0 || static_cast<size_t>(row) >= problems_.size()) return;
  const FieldRow& field = fieldRow(problems_[static_cast<size_t>(row)].field);
  if (field.window != window_) return;
  auto* control = beside_.findChild<QWidget*>(QString::fromStdString(field.control));
  if (control && control->isVisibleTo(&beside_)) {
    beside_.activateWindow();
    control->setFocus(Qt::OtherFocusReason);
    // A double click ends on the list, whose window the desktop may activate after it: the
    // keyboard goes to the field once more when the click is over.
    QTimer::singleShot(0, control, [this, control] {
      beside_.activateWindow();
      control->setFocus(Qt::OtherFocusReason);
    });
  }
}

}  // namespace forms

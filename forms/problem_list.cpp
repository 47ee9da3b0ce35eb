#include "forms/problem_list.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "config/field_table.h"
#include "ui/window_look.h"

namespace config {

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
  connect(list_, &QListWidget::itemActivated, this,
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

void ProblemList::present(const std::vector<Problem>& problems) {
  problems_ = problems;
  list_->clear();
  if (problems.empty()) {
    hide();
    return;
  }
  for (const Problem& problem : problems) list_->addItem(line(problem));
  count_->setText(problems.size() == 1
                      ? QString("The check found 1 problem:")
                      : "The check found " + QString::number(problems.size()) + " problems:");
  // Beside the window's right edge. Where the screen has no room there, the window moves left
  // to make it, as far as the screen allows; only on a screen narrower than both does the list
  // cover the window's right part.
  const QScreen* screen = beside_.screen();
  const QRect free = screen ? screen->availableGeometry() : QRect();
  QRect window = beside_.frameGeometry();
  constexpr int kGap = 8, kNarrowest = 240, kWidest = 360;
  if (screen) {
    resize(std::clamp(free.width() - window.width() - kGap, kNarrowest, kWidest), height());
  }
  const int overflow = window.right() + kGap + width() - free.right();
  if (screen && overflow > 0 && beside_.isVisible()) {
    const int shift = std::min(overflow, window.left() - free.left());
    if (shift > 0) {
      beside_.move(beside_.pos() - QPoint(shift, 0));
      window.translate(-shift, 0);
    }
  }
  QPoint at(window.right() + kGap, window.top());
  if (screen) {
    at.setX(std::min(at.x(), free.right() - width()));
    at.setY(std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() - height())));
  }
  move(at);
  show();
  raise();
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
  }
}

}  // namespace config

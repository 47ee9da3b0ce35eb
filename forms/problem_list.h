#pragma once
// "Configuration problems": a small window of our own beside setup1 that lists every problem its
// check found at once (the check's boxes show them one at a time): the window and caption of the
// field, its value, what it allows and the check's own words. Choosing a row puts the keyboard
// on the field when it is on setup1. It never takes the keyboard when it shows, so the check's
// boxes and focus stay as they are.
#include <QWidget>
#include <vector>

#include "config/field_table.h"
#include "config/problems.h"

class QLabel;
class QListWidget;

namespace forms {

class ProblemList : public QWidget {
  Q_OBJECT

 public:
  // `beside`: the window the list belongs to and opens next to, which shows `window`'s fields.
  ProblemList(QWidget& beside, config::Window window);

  // Lists the problems beside the window; none hides the list.
  void present(const std::vector<config::Problem>& problems);
  // The problems as the fields are now, in the list where it shows, without moving it: it
  // follows each edit, and the last problem fixed hides it.
  void follow(const std::vector<config::Problem>& problems);
  QListWidget* list() const { return list_; }
  // The line of one problem in the list.
  static QString line(const config::Problem& problem);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void choose(int row);
  void fill(const std::vector<config::Problem>& problems);
  // Beside the window, never over it: the window moves or narrows (its page scrolls) to make
  // room where the screen has none.
  void place();

  QWidget& beside_;
  config::Window window_;
  QLabel* count_;
  QListWidget* list_;
  std::vector<config::Problem> problems_;
};

}  // namespace forms

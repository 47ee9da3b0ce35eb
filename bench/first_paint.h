#pragma once
// When a window is shown, for the start-up figures: the moment its first paint has been drawn
// and handed to the screen (the backing store's flush follows the paint in the same pass of
// the event loop). The main menu and the minimal window are both measured by this one rule.
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace bench {

// Shows `window` and returns once its first paint is on the screen.
inline void showUntilPainted(QWidget& window) {
  struct PaintWatch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted = true;
      return false;
    }
  } watch;
  window.installEventFilter(&watch);
  window.show();
  // The pass that delivered the paint has returned only once its flush is done.
  while (!watch.painted) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  window.removeEventFilter(&watch);
}

}  // namespace bench

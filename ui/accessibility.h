#pragma once
// What screen readers and desktop test tools see of the windows, beyond Qt's own accessible
// interfaces: drop-down lists named by their caption, a label that shows a value under a name
// of its own, and the keyboard's way through a window.
#include <QLabel>
#include <vector>

class QWidget;

namespace ui {

// Installs the program's accessible interfaces; the windows call it when they are built, before
// anything asks for an interface. Calling it again does nothing.
void installAccessibleInterfaces();

// A label showing a value, such as the version text: its accessible name is the name set on it
// ("Version number"), and the value it shows is its text for the accessibility interface.
class ValueLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;
};

// Tab moves through these widgets in this order; the first follows the widgets before it.
void setTabChain(const std::vector<QWidget*>& widgets);

}  // namespace ui

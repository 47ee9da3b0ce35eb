#include "ui/accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace ui {

namespace {

// A drop-down list. Qt names a list on Linux by the item it shows and leaves the caption to a
// relation that scripts and some screen readers never look at; here the list is named like
// every other field, by its accessible name or else its caption label, and the item it shows
// is its value. Children, focus and actions are those of Qt's own list: the item list, then the
// text portion of an editable list.
class ListInterface : public QAccessibleWidget {
 public:
  explicit ListInterface(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

  int childCount() const override { return list()->isEditable() ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(list()->view());
    if (index == 1 && list()->isEditable()) {
      return QAccessible::queryAccessibleInterface(list()->lineEdit());
    }
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    if (child->object() == list()->view()) return 0;
    if (list()->isEditable() && child->object() == list()->lineEdit()) return 1;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    if (list()->isEditable()) {
      QLineEdit* edit = list()->lineEdit();
      if (QRect(edit->mapToGlobal(QPoint(0, 0)), edit->size()).contains(x, y)) return child(1);
    }
    return nullptr;
  }
  // The text portion holds the keyboard focus of an editable list.
  QAccessibleInterface* focusChild() const override {
    return list()->isEditable() ? child(1) : nullptr;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      return list()->isEditable() ? list()->lineEdit()->text() : list()->currentText();
    }
    return QAccessibleWidget::text(t);
  }

  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action != showMenuAction() && action != pressAction()) return;
    if (list()->view()->isVisible()) {
      list()->hidePopup();
    } else {
      list()->showPopup();
    }
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

// A ValueLabel: named by its accessible name, its text readable through the text interface.
class ValueLabelInterface : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ValueLabelInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return shown();
    QString text = QAccessibleWidget::text(t);
    // Without a name of its own the label is named by what it shows, as any label.
    if (t == QAccessible::Name && text.isEmpty()) text = shown();
    return text;
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // QAccessibleTextInterface: the shown text, read-only, without selection or caret.
  QString text(int start, int end) const override {
    const QString all = shown();
    if (end < 0 || end > all.size()) end = static_cast<int>(all.size());
    if (start < 0 || start > end) return {};
    return all.mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(shown().size()); }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

 private:
  QString shown() const { return static_cast<QLabel*>(widget())->text(); }
};

QAccessibleInterface* interfaceFor(const QString& className, QObject* object) {
  if (className == QLatin1String("QComboBox")) {
    return new ListInterface(static_cast<QComboBox*>(object));
  }
  if (className == QLatin1String("ui::ValueLabel")) {
    return new ValueLabelInterface(static_cast<ValueLabel*>(object));
  }
  return nullptr;
}

}  // namespace

void installAccessibleInterfaces() {
  // Installed after Qt's own, so asked first.
  static const bool installed = [] {
    QAccessible::installFactory(interfaceFor);
    return true;
  }();
  (void)installed;
}

void setTabChain(const std::vector<QWidget*>& widgets) {
  for (std::size_t i = 1; i < widgets.size(); ++i) {
    QWidget::setTabOrder(widgets[i - 1], widgets[i]);
  }
}

}  // namespace ui

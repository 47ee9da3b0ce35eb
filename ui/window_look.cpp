#include "ui/window_look.h"

#include <QApplication>
#include <QDialog>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ui {

QRect twipsRect(int left, int top, int width, int height) {
  return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
               twipsToPixels(height));
}

QFont arial(double points, bool bold, bool underline) {
  QFont font("Arial");
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setUnderline(underline);
  return font;
}

QString fromLatin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLatin1(const QString& text) {
  return text.toLatin1().toStdString();
}

void setReturnLook(QPushButton& button) {
  QPalette palette = button.palette();
  palette.setColor(QPalette::Button, QColor(255, 128, 128));
  button.setPalette(palette);
  button.setAutoFillBackground(true);
}

void putOnScrollingPage(QWidget& window, QWidget* page, QSize wanted) {
  auto* area = new QScrollArea(&window);
  area->setObjectName("scrollArea");
  area->setFrameShape(QFrame::NoFrame);
  area->setFocusPolicy(Qt::NoFocus);
  area->setWidgetResizable(true);
  // The window's own background shows through, as before the page was put in.
  page->setAutoFillBackground(false);
  area->viewport()->setAutoFillBackground(false);
  area->setWidget(page);
  // What a screen reader passes on the way to the controls says where it is.
  const QString title = window.windowTitle();
  area->setAccessibleName(title + ": scrolling view");
  area->viewport()->setAccessibleName(title + ": visible part");
  page->setAccessibleName(title + ": page");
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(area);

  QSize size = wanted.expandedTo(page->minimumSizeHint());
  if (const QScreen* screen = window.screen()) {
    // Room for the window manager's frame and title bar.
    constexpr int kFrameWidth = 16, kFrameHeight = 48;
    const QSize free = screen->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight);
    size = size.boundedTo(free);
  }
  window.resize(size);
  QObject::connect(qApp, &QApplication::focusChanged, area, [area, page](QWidget*, QWidget* now) {
    if (now && page->isAncestorOf(now)) area->ensureWidgetVisible(now);
  });
}

void openModal(QDialog& window) {
  window.exec();
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

QPushButton* linkButton(const QString& caption, const char* shortcut, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setFlat(true);
  b->setAutoDefault(false);
  b->setCursor(Qt::PointingHandCursor);
  b->setFocusPolicy(Qt::ClickFocus);
  b->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
  b->setToolTip(QString::fromLatin1(shortcut));
  b->setAccessibleDescription(QStringLiteral("Shortcut: %1").arg(QString::fromLatin1(shortcut)));
  QFont font = parent->font();
  font.setUnderline(true);
  b->setFont(font);
  b->setStyleSheet(
      "QPushButton { color: #9cc8ff; border: none; padding: 0; text-align: right; }"
      "QPushButton:focus { color: white; border: 1px dotted white; }");
  return b;
}

}  // namespace ui

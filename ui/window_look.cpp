#include "ui/window_look.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>

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

void openModal(QDialog& window) {
  window.exec();
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

}  // namespace ui

#include "ui/qt_messages.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/window_look.h"

namespace ui {

void QtMessages::show(const words::Message& message) {
  const QMessageBox::Icon looks[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                     QMessageBox::Critical, QMessageBox::Warning};
  QMessageBox box(looks[static_cast<int>(message.icon)], fromLatin1(message.title),
                  fromLatin1(message.text), QMessageBox::Ok, owner_);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

}  // namespace ui

// The configuration utility for the GPS/GSM vehicle tracking unit.
#include <QApplication>

#include "app/main_window.h"
#include "link/serial_port.h"
#include "ui/help.h"
#include "ui/qt_messages.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("gpstracking");
  device::SerialPort port;
  ui::DesktopHelp help;
  ui::QtMessages messages(nullptr);
  app::GPStracking window({&port, &messages, &help});
  window.show();
  // The menu takes the keyboard at start, also where no window manager hands it over.
  window.activateWindow();
  return QApplication::exec();
}

// gpstracking-cli: the device exchange and the files of the configuration utility on the
// command line, for one unit or a fleet at once; no window and no display needed.
#include <QCoreApplication>
#include <QGuiApplication>
#include <memory>

#include "cli/commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  // Qt's own event loop rather than GLib's: each character written would otherwise wake the
  // loop once more, and a fleet has many ports to serve on a small machine.
  if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  // A PNG picture needs Qt's painting and its fonts, which come with a GUI application; the
  // offscreen platform needs no display.
  std::unique_ptr<QCoreApplication> application;
  if (cli::needsPainting(args)) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    application = std::make_unique<QCoreApplication>(argc, argv);
  }
  return cli::runCommand(args, stdout, stderr);
}

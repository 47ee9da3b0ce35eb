// The configuration utility for the GPS/GSM vehicle tracking unit.
#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/font_warm_up.h"
#include "app/main_window.h"
#include "serial/serial_port.h"
#include "trackview/track_links.h"
#include "ui/help.h"
#include "ui/qt_messages.h"

namespace {

constexpr const char* kUsage =
    "usage: gpstracking [--help | --version | --track FILE.csv]\n"
    "\n"
    "Configuration utility for the GPS/GSM vehicle tracking unit on a serial cable: reads and\n"
    "writes the unit's configuration, reads its GPS log into a .csv file, and moves the table\n"
    "of 100 GPS locations to and from the unit. It opens the main menu; every action is there.\n"
    "\n"
    "  --help     this text, then exit\n"
    "  --version  the version, then exit\n"
    "  --track FILE.csv  opens the track window on a GPS log file beside the main menu\n"
    "\n"
    "Serial ports: COM1-COM8 are /dev/ttyUSB0-7, COM9-COM12 /dev/ttyACM0-3, COM13-COM20\n"
    "/dev/ttyS0-7; GPSTRACKING_COM<n>=PATH points COM<n> at any other device.\n"
    "GPS logs are written to the folder the program was started in.\n";

// Answers --help and --version without a window (and so without a display); returns whether
// the program should stop there.
bool answeredOnTerminal(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::printf("%s\nHelp text: %s\n", kUsage, ui::helpFilePath().c_str());
      return true;
    }
    if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-V")) {
      std::printf("gpstracking %s\n", GPSTRACKING_VERSION);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (answeredOnTerminal(argc, argv)) return 0;
  app::FontWarmUp fonts;
  QApplication application(argc, argv);
  fonts.finish();
  QApplication::setApplicationName("gpstracking");
  serial::SerialPort port;
  ui::QtMessages messages(nullptr);
  ui::DesktopHelp help(messages);
  std::vector<std::string> tracks;
  for (int i = 1; i + 1 < argc; ++i) {
    if (!std::strcmp(argv[i], "--track")) tracks.push_back(argv[i + 1]);
  }
  app::GPStracking window({&port, &messages, &help, tracks});
  window.keepEditsIn(app::KeptEdits::defaultFolder());
  window.show();
  // The menu takes the keyboard at start, also where no window manager hands it over.
  window.activateWindow();
  for (const std::string& track : tracks)
    window.trackLinks().showTrack(QFile::decodeName(track.c_str()));
  return QApplication::exec();
}

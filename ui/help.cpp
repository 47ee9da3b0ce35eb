#include "ui/help.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace ui {

std::string helpFilePath() {
  return QDir(QCoreApplication::applicationDirPath()).filePath("info.txt").toStdString();
}

void DesktopHelp::open() {
  // xdg-open hands the file to the desktop's own viewer; with no desktop at all, fall back to
  // a plain editor in a terminal-free window if one is installed. Nothing is waited for.
  const QString file = QString::fromStdString(helpFilePath());
  for (const char* viewer : {"xdg-open", "gedit", "mousepad", "xedit"}) {
    const QString program = QStandardPaths::findExecutable(viewer);
    if (!program.isEmpty() && QProcess::startDetached(program, {file})) return;
  }
}

}  // namespace ui

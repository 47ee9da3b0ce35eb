#include "ui/help.h"

#include <QProcess>
#include <QStandardPaths>
#include <filesystem>

namespace ui {

std::string helpFilePath() {
  // The program's own folder, read from the running executable so that --help can say it before
  // any window exists; both the build tree and an installed tree are found relative to it, so an
  // unpacked package works wherever it is unpacked.
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  const std::filesystem::path candidates[] = {folder / "info.txt",
                                              folder / ".." / "share" / "gpstracking" / "info.txt"};
  for (const auto& candidate : candidates) {
    if (std::filesystem::is_regular_file(candidate, error))
      return candidate.lexically_normal().string();
  }
  return candidates[0].string();
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

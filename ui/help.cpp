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

words::Message helpNotOpened(const std::string& path) {
  return {"No viewer could open the help file. Open it with any text editor:\n" + path, "HELP",
          words::Icon::Warning};
}

DesktopHelp::DesktopHelp(words::Messages& messages, std::vector<std::string> viewers)
    : messages_(messages), viewers_(std::move(viewers)) {}

void DesktopHelp::open() {
  // The desktop's opener hands the file to the desktop's own viewer and ends, its exit status
  // saying whether it could; with no desktop at all, a plain editor in a window of its own, if
  // one is installed, is started and left to run.
  const std::string path = helpFilePath();
  const QString file = QString::fromStdString(path);
  for (size_t i = 0; i < viewers_.size(); ++i) {
    const QString program = QStandardPaths::findExecutable(QString::fromStdString(viewers_[i]));
    if (program.isEmpty()) continue;
    if (i > 0) {
      if (QProcess::startDetached(program, {file})) return;
      continue;
    }
    auto* opener = new QProcess(this);
    const auto ended = [this, opener, path](bool opened) {
      opener->deleteLater();
      if (!opened) messages_.show(helpNotOpened(path));
    };
    connect(opener, &QProcess::finished, this, [ended](int code, QProcess::ExitStatus how) {
      ended(how == QProcess::NormalExit && code == 0);
    });
    connect(opener, &QProcess::errorOccurred, this, [ended](QProcess::ProcessError error) {
      if (error == QProcess::FailedToStart) ended(false);
    });
    opener->start(program, {file});
    return;
  }
  messages_.show(helpNotOpened(path));
}

}  // namespace ui

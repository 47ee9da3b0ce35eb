#pragma once
// Opens the help text info.txt in the desktop's text viewer and returns at once without waiting
// for the viewer. When no viewer opens it, a box says so and names the file, so that the
// technician can open it by other means.
#include <QObject>
#include <string>
#include <vector>

#include "words/messages.h"

namespace ui {

class HelpLauncher {
 public:
  virtual ~HelpLauncher() = default;
  virtual void open() = 0;
};

// Path of the help text: info.txt in the program's own folder (the build tree), or
// ../share/gpstracking/info.txt beside it (the installed program).
std::string helpFilePath();

// Where no viewer could open the help file, and the file's full path on its second line.
words::Message helpNotOpened(const std::string& path);

class DesktopHelp : public QObject, public HelpLauncher {
 public:
  // The viewers are tried in order until one starts; the desktop's opener (the first) is
  // watched until it has handed the file over, since it fails by its exit status.
  explicit DesktopHelp(words::Messages& messages, std::vector<std::string> viewers = {
                                                      "xdg-open", "gedit", "mousepad", "xedit"});
  void open() override;

 private:
  words::Messages& messages_;
  std::vector<std::string> viewers_;
};

}  // namespace ui

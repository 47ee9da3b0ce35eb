#pragma once
// Opens the help text info.txt in the desktop's text viewer and
// returns at once without waiting for the viewer or looking at its result.
#include <string>

namespace ui {

class HelpLauncher {
 public:
  virtual ~HelpLauncher() = default;
  virtual void open() = 0;
};

// Path of the help text: info.txt in the program's own folder (the build tree), or
// ../share/gpstracking/info.txt beside it (the installed program).
std::string helpFilePath();

class DesktopHelp : public HelpLauncher {
 public:
  void open() override;
};

}  // namespace ui

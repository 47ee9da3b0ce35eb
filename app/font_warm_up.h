#pragma once
// The system's font configuration, read on a thread of its own from the program's first moment
// while the application object is made. Reading it takes a few milliseconds, and every window's
// first text waits for it. Nothing else changes: the windows find the same fonts.
#include <thread>

namespace app {

class FontWarmUp {
 public:
  FontWarmUp();
  ~FontWarmUp();
  // Waits until it is read. Called before the first font is asked for: a second reader that
  // came meanwhile would read it all again rather than wait.
  void finish();
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

 private:
  std::thread reading_;
};

}  // namespace app

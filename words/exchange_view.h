#pragma once
// How the main window shows an exchange: which progress button and labels a progress report
// shows, and which boxes end each result, in the order the window shows them against its
// buttons. Plain C++ over a Face, so the tests read it as a table of results and boxes.
#include <string>
#include <vector>

#include "device/progress.h"
#include "device/result.h"
#include "words/messages.h"
#include "words/status_text.h"

namespace words {

// The main-window controls that show how an exchange is going.
enum class Indicator {
  Command5,
  Command8,
  Command9,
  Command11,
  Command15,
  Command16,
  Label4,
  Label3
};

// What the view drives: the main window, or a recorder in the tests.
class Face {
 public:
  virtual ~Face() = default;
  virtual void setIndicator(Indicator indicator, bool visible) = 0;
  // Label3: the number of GPS locations received so far.
  virtual void setCount(long long count) = 0;
  // Shows the box and returns when it has been closed.
  virtual void showBox(const words::Message& message) = 0;
};

// The boxes the transfers share. The configuration upload reports its time-out in the words of
// a failed download.
inline const words::Message kDownloadSucceeded{"Download succesful !", "Download",
                                               words::Icon::Information};
inline const words::Message kDownloadFailed{"Error download !", "Invalid download !",
                                            words::Icon::Critical};
inline constexpr const char* kPortNotAvailable =
    "COM: not available. Change the CommPort property to another port.";

// How the status line sums up an ended exchange.
Ending endingOf(const device::Result& result);

// One exchange on the window, from its first progress report to its result.
class ExchangeView {
 public:
  ExchangeView(int operation, Face& face) : operation_(operation), face_(face) {}

  void progress(const device::Progress& report);

  // How a result ends on the window: its boxes in order, whether what the exchange showed is
  // hidden, and whether the boxes show before that.
  struct Closing {
    std::vector<words::Message> boxes;
    bool hides;
    bool boxesFirst;
  };
  Closing closing(const device::Result& result) const;
  // Hides what the exchange showed and shows the result's boxes; returns them in order.
  std::vector<words::Message> end(const device::Result& result);
  // The user's cancel hid the button already.
  void hidden(Indicator indicator);

 private:
  void set(Indicator indicator, bool visible);
  void hideAll();

  int operation_;
  Face& face_;
  std::vector<Indicator> shown_;
  long long count_ = 0;
};

}  // namespace words

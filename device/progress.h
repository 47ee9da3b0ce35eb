#pragma once
// How an exchange is going, as the exchange and the transfers report it to the main window's
// status line: the polls sent, the password check, and during the data phase the characters
// moved against the whole. Plain numbers: the transfers count, the window keeps the time and
// turns them into words (rate, silence) no faster than a person reads them.
#include <string>

namespace device {

enum class Stage {
  Polling,     // sending "O" once a tick until the unit answers
  Password,    // the password, the operation letter and the password again are going out
  Acceptance,  // all of it is out; waiting for the unit's "p"
  Data,        // the operation's data flows
};

// What the data phase counts.
enum class Counting { Digits, Bytes, Characters };

// What is counted, in words: "digits", "bytes", "characters".
inline const char* countingName(Counting counting) {
  switch (counting) {
    case Counting::Digits:
      return "digits";
    case Counting::Bytes:
      return "bytes";
    case Counting::Characters:
      break;
  }
  return "characters";
}

struct Progress {
  Stage stage = Stage::Polling;
  // Polling: the polls sent so far, and whether the port was lost (the device hung up) and is
  // being opened again at each poll.
  int polls = 0;
  bool portLost = false;
  // Data: what has arrived or gone out so far, against the whole when it is known (0: not).
  long long done = 0;
  long long total = 0;
  Counting counting = Counting::Characters;
  // GPS log: the positions saved so far and the name of the file they go to.
  long long positions = -1;  // -1: not a GPS log
  std::string file;
};

// At a stage, before anything of it is counted.
inline Progress atStage(Stage stage) {
  Progress progress;
  progress.stage = stage;
  return progress;
}

// A data phase of `total` things (0: not known) counted as `counting`.
inline Progress dataPhase(long long total, Counting counting) {
  Progress progress = atStage(Stage::Data);
  progress.total = total;
  progress.counting = counting;
  return progress;
}

}  // namespace device

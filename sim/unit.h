#pragma once
// The simulated GPS/GSM tracking unit: the unit's side of the serial link, character by
// character. It answers the poll, checks the password and hands over to the operation named by
// the letter ("U", "D", "L", "C" or "O"), each a class of its own installed by letter. Knobs
// make it misbehave the ways a real unit or cable can.
//
// It knows only the wire: characters from the PC go in through receive(), characters for the
// PC come out through takeArrival(), one piece per arrival (a piece the PC reads in one go),
// and tick() lets one second pass.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "sim/hostile.h"

namespace sim {

struct Knobs {
  bool silent = false;                 // never answers a poll
  std::string wakeAnswer = "OK0\r\n";  // sent for each poll "O"
  int wakePieces = 1;                  // the wake answer split into this many arrivals
  bool lowerCase = false;              // every reply in lower case ("ok0", "n", ...)
  std::string password = "7391";       // what the unit accepts
  std::string accept = "p";            // sent when both passwords match
  std::string reject;                  // sent when they do not
  int silentAfter = -1;  // stops sending after this many characters of data (-1: never)
  // A slow unit: at most this many pieces of data go out in each second, the rest wait for the
  // next ones (0: no limit). A long transfer then spans many ticks without a silent one.
  int dataPerTick = 0;
  // A faulty memory: a configuration download stores the byte at this image index one higher
  // than it came (-1: every byte as it came).
  int storeWrong = -1;
  // A configuration download's device password becomes the password the unit accepts, as in
  // service (off: the unit keeps the one it was set up with, whatever a test downloads).
  bool takesDownloadedPassword = false;
  // A unit that has answered a poll and hears nothing more from the PC for this many seconds
  // while it waits for it (its own pauses aside) gives the exchange up and listens for polls
  // again, as a real unit does after an interrupted exchange (0: it waits for ever).
  int silenceLimit = 5;
};

class Unit;

// What the unit does after it has accepted the password for one operation letter.
class Operation {
 public:
  virtual ~Operation() = default;
  // Right after the unit's "p".
  virtual void begin(Unit& unit) = 0;
  // A character from the PC during the operation.
  virtual void receive(Unit& unit, char c) = 0;
  // One second passes during the operation.
  virtual void tick(Unit&) {}
  // The unit is in a pause of its own before it sends again: the PC's silence is no silence.
  virtual bool pausing() const { return false; }
};

class Unit {
 public:
  Knobs knobs;
  // A unit that turns hostile at some stage (random bytes, a flood, silence, gone).
  Hostile hostile;

  // Installs the operation for a letter, replacing any earlier one; returns it for setting up.
  template <class Op, class... Args>
  Op& install(char letter, Args&&... args) {
    auto op = std::make_unique<Op>(std::forward<Args>(args)...);
    Op& ref = *op;
    operations_[letter] = std::move(op);
    return ref;
  }

  // The wire, from the unit's side.
  void receive(std::string_view fromPc);
  void tick();
  bool hasOutput() const { return !output_.empty(); }
  // The next piece for the PC; empty when there is none.
  std::string takeArrival();
  // Called whenever a piece is queued (the in-memory port wakes the exchange with it).
  void onOutput(std::function<void()> handler) { outputReady_ = std::move(handler); }

  // For operations: queue one arrival (subject to knobs.lowerCase and knobs.silentAfter), and
  // end the operation so the unit listens for polls again.
  void send(std::string piece);
  void finish();
  // Power off and on: whatever the unit was doing and had not sent yet is gone, its hostile
  // mode is off, and it listens for polls again. Its operations keep their data.
  void restart();
  bool operating() const { return state_ == State::Operating; }

  // What the PC sent: all of it, and what came after the unit's last "p".
  const std::string& heard() const { return heard_; }
  const std::string& dataHeard() const { return dataHeard_; }
  int polls() const { return polls_; }
  // The letter and passwords of the last handshake.
  char letter() const { return letter_; }
  const std::string& firstPassword() const { return password1_; }
  const std::string& secondPassword() const { return password2_; }

 private:
  enum class State { Asleep, Password1, Letter, Password2, Operating };
  void queue(std::string piece);
  void release();
  void handshake(char c);
  void accept();
  bool waitingForPc() const;

  std::map<char, std::unique_ptr<Operation>> operations_;
  Operation* current_ = nullptr;
  State state_ = State::Asleep;
  std::deque<std::string> output_;
  std::deque<std::string> held_;  // data beyond knobs.dataPerTick, for the next seconds
  int releasedThisTick_ = 0;
  std::function<void()> outputReady_;
  std::string heard_, dataHeard_;
  std::string password1_, password2_;
  char letter_ = 0;
  int polls_ = 0;
  int silentTicks_ = 0;  // seconds the unit has waited for the PC in vain
  long long dataSent_ = 0;
};

}  // namespace sim

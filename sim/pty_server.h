#pragma once
// Serves a simulated unit on a pseudo-terminal in real time: the program (or the benchmark)
// opens the terminal's device as its serial port. Used by gpstracking-unit-sim and bench/.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "sim/line_pacing.h"
#include "sim/unit.h"

namespace sim {

class PtyServer {
 public:
  // Opens the pseudo-terminal; throws std::runtime_error when it cannot.
  explicit PtyServer(Unit& unit);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // The device the PC side opens, e.g. /dev/pts/3.
  const std::string& path() const { return path_; }

  // Plays the unit until stop(); lets one second pass for the unit every second.
  void serve();
  // Safe from another thread or a signal handler.
  void stop() { stopping_ = true; }
  // True when serve() returned because the unit left the line (its hostile mode "vanish"):
  // the terminal is closed by then.
  bool vanished() const { return master_ < 0; }

  // Writes every piece that crosses the line to `file` as it goes, one line each: "pc HEX" or
  // "unit HEX" (the bytes in hexadecimal), and "accept L" / "end" when the unit starts and
  // ends the operation of letter L; each line ends with the seconds since the server started
  // (paced, a character from the PC counts from when it is whole at the unit). The file stays
  // the caller's.
  void setTranscript(std::FILE* file) { transcript_ = file; }

  // Paces both directions at the line speed the PC has set (see LinePacing).
  void setPacing(bool on) {
    pacing_.reset();
    if (on) pacing_.emplace(slave_);
  }

  // Read after serve() has returned. For every piece the unit sent while operating, the
  // microseconds from just before the unit wrote it until the PC's next character arrived: the
  // whole round trip, the unit's own write included.
  const std::vector<double>& turnarounds() const { return turnarounds_; }
  // For every character the PC sent during the last operation served, the microseconds from the
  // start of the server until it arrived (characters read together share their time).
  const std::vector<double>& arrivals() const { return arrivals_; }
  // From the unit's acceptance of the password to its last exchange of characters, of the
  // last operation served.
  std::chrono::microseconds dataPhase() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(dataEnd_ - dataStart_);
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool writePiece(const std::string& piece);
  void note(const char* who, std::string_view bytes, Clock::time_point at);
  void noteOperating(bool wasOperating, Clock::time_point at);
  void awaitRead();
  std::string since(Clock::time_point at) const;

  Unit& unit_;
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::atomic<bool> stopping_{false};
  std::FILE* transcript_ = nullptr;
  std::optional<LinePacing> pacing_;
  // The unit's pause between its acceptance and the first character of its data.
  static constexpr std::chrono::milliseconds kFirstDataPause{50};
  bool acceptanceQueued_ = false;
  Clock::time_point started_ = Clock::now();
  std::vector<double> turnarounds_;
  std::vector<double> arrivals_;
  bool awaitingAnswer_ = false;
  Clock::time_point sentAt_;
  Clock::time_point dataStart_, dataEnd_;
};

// From a transcript (PtyServer::setTranscript), the seconds of the last operation's data: in an
// upload from the unit's first data character to the operation's last character, either way; in
// a download from the PC's first data character to its last. The unit's
// first piece after it starts an operation is its acceptance of the password, not data: the
// unit pauses after it, as it changes its line speed. 0 when no data crossed.
double transcriptDataSeconds(std::istream& transcript);

}  // namespace sim

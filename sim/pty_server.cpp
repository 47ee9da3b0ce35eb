#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace sim {

PtyServer::PtyServer(Unit& unit) : unit_(unit) {
  char name[256] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    throw std::runtime_error("cannot open a pseudo-terminal");
  }
  // Raw: no echo, no CR to LF, no line editing. The slave stays open here too, so the terminal
  // lives while the program opens and closes its side.
  termios raw{};
  tcgetattr(slave_, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave_, TCSANOW, &raw);
  path_ = name;
}

PtyServer::~PtyServer() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

void PtyServer::note(const char* who, std::string_view bytes, Clock::time_point at) {
  if (!transcript_ || bytes.empty()) return;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string line = who;
  line += ' ';
  for (const char c : bytes) {
    line += kHex[static_cast<unsigned char>(c) >> 4];
    line += kHex[static_cast<unsigned char>(c) & 15];
  }
  line += ' ' + since(at);
  line += '\n';
  std::fputs(line.c_str(), transcript_);
  std::fflush(transcript_);
}

// Seconds from the server's start to `at`, to the millisecond.
std::string PtyServer::since(Clock::time_point at) const {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at - started_).count();
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  return text;
}

void PtyServer::noteOperating(bool wasOperating, Clock::time_point at) {
  if (!transcript_ || wasOperating == unit_.operating()) return;
  if (unit_.operating()) {
    std::fprintf(transcript_, "accept %c %s\n", unit_.letter(), since(at).c_str());
  } else {
    std::fprintf(transcript_, "end %s\n", since(at).c_str());
  }
  std::fflush(transcript_);
}

bool PtyServer::writePiece(const std::string& piece) {
  // The round trip starts before the write: a write that blocks belongs to it.
  const Clock::time_point writing = Clock::now();
  std::string_view rest = piece;
  while (!rest.empty()) {
    if (pacing_) pacing_->beforeSending();
    const ssize_t n = ::write(master_, rest.data(), pacing_ ? 1 : rest.size());
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    note("unit", rest.substr(0, static_cast<size_t>(n)), Clock::now());
    rest.remove_prefix(static_cast<size_t>(n));
  }
  if (unit_.operating()) {
    sentAt_ = writing;
    awaitingAnswer_ = true;
    dataEnd_ = Clock::now();
  }
  return true;
}

// Waits until the PC has read everything sent to it, for at most a second (a PC that has
// closed its port, or stopped reading, does not hold the unit up for longer).
void PtyServer::awaitRead() {
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  int unread = 0;
  while (::ioctl(slave_, FIONREAD, &unread) == 0 && unread > 0 && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void PtyServer::serve() {
  auto nextTick = Clock::now() + std::chrono::seconds(1);
  bool wasOperating = false;
  while (!stopping_) {
    // Each piece is its own arrival: the next one goes out only once the PC has read the one
    // before (however busy the PC is), and a short gap after that. A flood does not wait.
    while (unit_.hasOutput()) {
      if (!writePiece(unit_.takeArrival())) break;
      const bool acceptance = std::exchange(acceptanceQueued_, false);
      if (!unit_.hasOutput()) break;
      if (unit_.hostile.pouring()) continue;
      awaitRead();
      if (acceptance) {
        // The acceptance is out; the unit changes its line speed and readies its data before
        // the first character, so that the PC has made its own change (discarding what came
        // before) first.
        std::this_thread::sleep_for(kFirstDataPause);
        dataStart_ = Clock::now();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
    }
    if (unit_.hostile.vanished()) {
      // Gone from the line, as a unit that loses power or a cable that is pulled: the PC's
      // side of the terminal hangs up.
      ::close(slave_);
      ::close(master_);
      slave_ = master_ = -1;
      return;
    }
    const auto now = Clock::now();
    if (now >= nextTick) {
      const bool before = unit_.operating();
      unit_.tick();
      noteOperating(before, Clock::now());
      nextTick += std::chrono::seconds(1);
      continue;
    }
    pollfd p{master_, POLLIN, 0};
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now);
    // Wake at least every 50 ms so stop() is seen promptly.
    const int timeout = static_cast<int>(std::min<long long>(wait.count() + 1, 50));
    if (::poll(&p, 1, timeout) > 0 && (p.revents & POLLIN)) {
      char buffer[4096];
      if (pacing_) pacing_->beforeTaking();
      const ssize_t n = ::read(master_, buffer, pacing_ ? 1 : sizeof buffer);
      if (n <= 0) continue;
      // Paced, the character counts from when it is whole, which may be a little ahead: the
      // unit hears it now, but its answer waits for that time (LinePacing::beforeSending).
      const auto arrived = pacing_ ? pacing_->taken() : Clock::now();
      if (awaitingAnswer_ && unit_.operating()) {
        turnarounds_.push_back(
            std::chrono::duration<double, std::micro>(arrived - sentAt_).count());
      }
      awaitingAnswer_ = false;
      if (wasOperating) {
        const double at = std::chrono::duration<double, std::micro>(arrived - started_).count();
        arrivals_.insert(arrivals_.end(), static_cast<size_t>(n), at);
      }
      if (transcript_) {
        // Character by character, so the transcript shows where the operation starts and ends.
        size_t from = 0;
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
          const bool before = unit_.operating();
          unit_.receive(std::string_view(buffer + i, 1));
          if (unit_.operating() != before) {
            note("pc", std::string_view(buffer + from, i + 1 - from), arrived);
            from = i + 1;
            noteOperating(before, arrived);
          }
        }
        note("pc", std::string_view(buffer + from, static_cast<size_t>(n) - from), arrived);
      } else {
        unit_.receive(std::string_view(buffer, static_cast<size_t>(n)));
      }
      const bool operating = unit_.operating();
      if (operating && !wasOperating) {
        acceptanceQueued_ = true;
        dataStart_ = arrived;
        turnarounds_.clear();
        arrivals_.clear();
      }
      if (operating || wasOperating) dataEnd_ = arrived;
      wasOperating = operating;
    }
  }
}

double transcriptDataSeconds(std::istream& transcript) {
  double first = -1, last = -1;
  bool operating = false;
  bool accepting = false;  // the operation's first piece from the unit is still to come
  bool download = false;   // the PC sent the operation's first data character
  for (std::string line; std::getline(transcript, line);) {
    std::istringstream words(line);
    std::string who;
    words >> who;
    if (who == "accept") {
      operating = accepting = true;
      first = -1;
      continue;
    }
    if (who == "end") {
      operating = false;
      continue;
    }
    std::string bytes;
    double at = 0;
    words >> bytes >> at;
    if (!operating) continue;
    if (who == "unit" && std::exchange(accepting, false)) continue;
    // An upload's data starts with the unit's first character and ends with the operation's
    // last; a download's is the PC's characters, from its first to its last.
    if (first < 0) {
      first = at;
      download = who == "pc";
    }
    if (!download || who == "pc") last = at;
  }
  return first >= 0 ? last - first : 0;
}

}  // namespace sim

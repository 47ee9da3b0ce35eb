#pragma once
// A unit that turns hostile: from a chosen stage of the exchange on, and after it has sent a
// chosen number of characters in that stage, everything it sends is replaced by random bytes,
// bytes above 127 or NUL, or it floods the line without waiting for answers, falls silent, or
// disappears from the line altogether. The unit's own logic goes on unchanged underneath; only
// what reaches the wire is shaped here.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// Where in the exchange the unit is when it sends something.
enum class Stage {
  Wake,      // its answers to the polls
  Password,  // its acceptance (or rejection) of the password
  Data,      // everything of the operation, from its first character to its last
};

enum class Act {
  None,
  Noise,   // each piece becomes random bytes (0 to 255, NUL included) of the same length
  High,    // each character gets its top bit set (bytes above 127)
  Nul,     // each character becomes NUL
  Flood,   // one burst of random characters in many pieces, sent at once; then silence
  Stop,    // silence
  Vanish,  // the unit leaves the line: its side of the terminal is closed
};

struct Hostility {
  Act act = Act::None;
  Stage stage = Stage::Data;
  long long after = 0;     // characters sent well in that stage first
  int floodSize = 4096;    // characters of a flood
  std::uint32_t seed = 1;  // random bytes are the same for the same seed
};

// "noise:data:100" -> Noise in the data stage after 100 characters; the stage defaults to data
// and the count to 0. nullopt for a text of another form.
std::optional<Hostility> parseHostility(std::string_view text);

class Hostile {
 public:
  Hostility settings;

  // Shapes one piece the unit sends in `stage` and appends what reaches the wire to `wire`,
  // one entry per arrival.
  void shape(Stage stage, std::string piece, std::deque<std::string>& wire);

  // True once the unit has turned hostile.
  bool turned() const { return turned_; }
  // True while a flood pours out: its pieces do not wait for the PC.
  bool pouring() const { return turned_ && settings.act == Act::Flood; }
  // True once the unit has left the line; the server then closes the terminal.
  bool vanished() const { return vanished_; }

 private:
  unsigned char random();

  long long sentInStage_ = 0;
  bool turned_ = false;
  bool vanished_ = false;
  std::uint32_t state_ = 0;
  bool seeded_ = false;
};

}  // namespace sim

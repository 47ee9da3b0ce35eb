#pragma once
// The technician's edits that no save and no download has taken yet, kept on disk as they are
// made, so that EXIT, a crash, a kill or an upload over them never loses them. Each part (the
// configuration, the GPS location table) is one file in its own file format, replaced whole
// each time, in a folder of the program's state. Plain C++: the window decides when to keep.
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace app {

class KeptEdits {
 public:
  enum class Part { Configuration, Table };
  static constexpr Part kParts[] = {Part::Configuration, Part::Table};

  // `folder` empty keeps nothing (windows that were not asked to keep edits).
  explicit KeptEdits(std::string folder) : folder_(std::move(folder)) {}
  // $XDG_STATE_HOME/gpstracking, or ~/.local/state/gpstracking without it; empty when neither
  // names a folder.
  static std::string defaultFolder();

  bool enabled() const { return !folder_.empty(); }
  // Keeps `text` as the part's unsaved edits; false with the reason when it cannot.
  bool keep(Part part, std::string_view text, std::string* why = nullptr) const;
  // The part's kept edits are saved now (or were given up): they are kept no longer.
  void forget(Part part) const;

  struct Kept {
    std::string text;
    std::time_t when = 0;  // when they were kept last
  };
  std::optional<Kept> kept(Part part) const;
  std::string path(Part part) const;

 private:
  std::string folder_;
};

}  // namespace app

#pragma once
// Keeps the technician's unsaved edits of the configuration and the GPS location table on disk
// a moment after the last change (never on the wire's time), and knows which changes are
// edits: a load, an upload or a restore sets a part without editing it; a save or a download
// takes the edits, which are then kept no longer.
#include <QObject>
#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "app/kept_edits.h"

class QTimer;

namespace config {
class FieldStore;
}
namespace loctable {
class CellStore;
}

namespace app {

class EditKeeper : public QObject {
  Q_OBJECT

 public:
  using Part = KeptEdits::Part;
  // How long the windows stay unchanged before their edits are kept: a word typed in one go is
  // kept once, and a crash loses at most the edit being typed.
  static constexpr int kQuietMs = 400;

  EditKeeper(std::string folder, config::FieldStore& configuration, loctable::CellStore& table,
             QObject* parent = nullptr);

  // A load, an upload or a restore set the part: what changed is no edit of the technician's,
  // and edits kept before stay kept.
  void replaced(Part part);
  // A save or a download took the part as the windows hold it: the edits kept of it are saved.
  void taken(Part part);
  // Keeps at once what is waiting (before EXIT, before an exchange).
  void flush();
  // Kept edits that the windows do not show: when the newest of them were kept; none: nullopt.
  std::optional<std::time_t> offered() const;
  // Fills the windows with every part's kept edits, as a load does; they stay unsaved.
  void restore();
  // A part that could not be kept, with why, for the status line.
  void onFailure(std::function<void(const std::string&)> handler) { failed_ = std::move(handler); }

  const KeptEdits& files() const { return files_; }

 private:
  static size_t slot(Part part) { return static_cast<size_t>(part); }
  std::string text(Part part) const;
  void changed(Part part);

  KeptEdits files_;
  config::FieldStore& configuration_;
  loctable::CellStore& table_;
  QTimer* quiet_;
  std::array<bool, 2> pending_{};  // edited since last kept
  std::array<bool, 2> shown_{};    // the kept file holds what the windows show, or its edits
  bool restoring_ = false;
  std::function<void(const std::string&)> failed_;
};

}  // namespace app

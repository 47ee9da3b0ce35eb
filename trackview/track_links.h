#pragma once
// The main menu's ways into the track window, in the free end of the strip under the logo:
// "Open a GPS log..." at any time, and "Show track" once a GPS log upload has saved a file.
// They stand aside while a transfer shows its record counter in the strip. The menu's Tab order
// stays its own: Ctrl+O and Ctrl+T are the links' keys.
#include <QString>
#include <QWidget>
#include <memory>

class QPushButton;

namespace config {
class Fields;
}
namespace loctable {
class Cells;
}

namespace trackview {

class TrackWindow;

class TrackLinks : public QWidget {
 public:
  // Placed at the right end of `status`, which it shortens.
  TrackLinks(QWidget& status, const loctable::Cells& table, const config::Fields& configuration);
  ~TrackLinks() override;

  // A GPS log upload saved `path`: "Show track" opens it.
  void logSaved(const QString& path);
  // The track window, built on first use.
  TrackWindow& window();
  // Opens the track window on a log file.
  bool showTrack(const QString& path);

 private:
  const loctable::Cells& table_;
  const config::Fields& configuration_;
  std::unique_ptr<TrackWindow> window_;
  QPushButton* show_;
  QPushButton* open_;
  QString lastLog_;
};

}  // namespace trackview

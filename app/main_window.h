#pragma once
// GPStracking: the main menu. It owns the configuration's and the table's stores, the editing
// windows that show them and the session that runs every exchange over the port it is given;
// it starts the transfers, chooses the COM port and keeps the technician's unsaved edits.
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/kept_edits.h"
#include "config/field_store.h"
#include "config/image.h"
#include "loctable/cell_store.h"
#include "session/session.h"
#include "words/exchange_view.h"
#include "words/status_text.h"

class QElapsedTimer;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace words {
class Messages;
}  // namespace words
namespace ui {
class HelpLauncher;
}  // namespace ui

namespace config {
class Fields;
}  // namespace config

namespace forms {
class ConfigWindows;
class Setup2;
}  // namespace forms

namespace trackview {
class TrackLinks;
}

namespace app {

class EditKeeper;

// What the main window talks to outside itself; the program passes the real ones, the tests
// a simulated unit and recorded message boxes.
struct Services {
  device::Port* port;
  words::Messages* messages;
  ui::HelpLauncher* help;
  // The files the run reads from its start (the GPS log of --track): never a trace.
  std::vector<std::string> readFiles{};
};

class GPStracking : public QWidget, private words::Face {
  Q_OBJECT

 public:
  explicit GPStracking(Services services, QWidget* parent = nullptr);
  ~GPStracking() override;

  // Controls by their names ("Command1", "Label2", "List2", ...).
  QWidget* control(const char* name) const;
  device::Link& serialLink() { return session_->link(); }
  int comPortIndex() const { return comIndex_; }
  int operationCode() const { return operation_; }
  // The proof of a configuration download by reading it back, an option of this program's own
  // (off at start; GPSTRACKING_VERIFY=1 turns it on): the status line says what it showed, the
  // boxes stay as they are.
  void setReadBack(bool on) { readBack_ = on; }
  // The configuration windows setup1 and setup3, and their fields: the configuration.
  forms::ConfigWindows& configWindows() { return *configWindows_; }
  config::Fields& configFields();
  // What the last configuration encoding or upload left in the configuration image.
  const config::Image& configImage() const { return session_->image(); }
  // The GPS location table window setup2, whose grid is the table.
  forms::Setup2& locationTable();
  // The links to the track window in the strip under the logo.
  trackview::TrackLinks& trackLinks() { return *trackLinks_; }
  // True from EXIT on.
  bool exited() const { return exited_; }
  // Keeps the technician's unsaved edits in `folder` from now on (the program's state folder;
  // windows not asked keep nothing), and offers back in the status line those kept before.
  void keepEditsIn(const std::string& folder);
  EditKeeper* editKeeper() { return keeper_; }
  // What the status line says now; the line itself repaints at most every kRefreshMs.
  std::string statusText() const;
  static constexpr int kRefreshMs = 100;

  // The click handlers, as the buttons call them.
  void runOperation(int operation);
  void selectComPort();                       // Command4
  void takeComPort(const std::string& name);  // double click in List2
  void exitProgram();                         // Command3

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape does what a click on the showing progress button does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Face
  void setIndicator(words::Indicator indicator, bool visible) override;
  void setCount(long long count) override;
  void showBox(const words::Message& message) override;

  void progress(const device::Progress& progress);

  void buildControls();
  void startup();
  void exchangeStarting();
  void startStatus(int operation);
  void exchangeEnded(const device::Result& result, std::exception_ptr error);
  static std::vector<std::string> refusalCauses(const device::Refusal& refusal);
  void fileNote(std::string text);
  // Kept edits that the windows do not show are offered back with the Restore link.
  void offerKeptEdits();
  void restoreKeptEdits();
  // A load, an upload or a restore set the configuration or the table; a save or a download
  // took it.
  void partReplaced(KeptEdits::Part part);
  void partTaken(KeptEdits::Part part);
  static std::string fileName(const std::string& path);
  // The file's full path in the platform's form; empty for none.
  static std::string fullPath(const std::string& file);
  void setTransfersEnabled(bool enabled);
  // The status line and the record counter show what has changed, at most every kRefreshMs.
  void refreshSoon();
  void refreshNow();
  double seconds() const;

  Services services_;
  QTimer* timer1_;
  std::map<std::string, QWidget*> controls_;
  // The configuration, and the two windows that show it.
  config::FieldStore configStore_;
  std::unique_ptr<forms::ConfigWindows> configWindows_;
  // The GPS location table, and the window that shows it (built on first use).
  loctable::CellStore tableStore_;
  std::unique_ptr<forms::Setup2> setup2_;
  trackview::TrackLinks* trackLinks_ = nullptr;
  // The technician's unsaved edits, kept on disk; the link in the status line that offers
  // them back, and the words it follows.
  EditKeeper* keeper_ = nullptr;
  QPushButton* restore_ = nullptr;
  std::string offer_;
  // The session with the unit, over the windows' configuration and table; the view of the
  // exchange it runs.
  std::unique_ptr<session::Session> session_;
  std::unique_ptr<words::ExchangeView> view_;

  // State of the device exchange.
  std::string comName_;        // the port last taken from List2; empty at start
  std::int16_t comIndex_ = 0;  // 0 to 19: COM1 to COM20
  std::int16_t operation_ = 0;
  bool exited_ = false;
  bool readBack_ = false;
  bool readingBackShown_ = false;  // the status line follows the read-back
  std::string tracePath_;          // GPSTRACKING_TRACE, when set
  std::string traceRefused_;       // why it is not written, when it was refused at start

  // What the status line says, and the record count Label3 is to show.
  words::StatusText status_;
  std::unique_ptr<QElapsedTimer> clock_;
  QTimer* refresh_;
  bool refreshPending_ = false;
  long long count_ = 0;
};

}  // namespace app

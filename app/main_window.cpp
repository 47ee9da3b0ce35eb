#include "app/main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/edit_keeper.h"
#include "app/main_menu.h"
#include "app/port_list.h"
#include "config/field_table.h"
#include "config/problems.h"
#include "device/table_download.h"
#include "forms/config_windows.h"
#include "forms/setup2.h"
#include "loctable/cell_store.h"
#include "logfile/disk_log_folder.h"
#include "serial/com_ports.h"
#include "serial/serial_port_info.h"
#include "trackview/track_links.h"
#include "ui/accessibility.h"
#include "ui/help.h"
#include "ui/window_look.h"
#include "words/messages.h"

#ifndef GPSTRACKING_VERSION
#define GPSTRACKING_VERSION "0.0"
#endif
#ifndef GPSTRACKING_BUILD_DATE
#define GPSTRACKING_BUILD_DATE "01-01-2000"
#endif

namespace app {

using words::configurationLoadText;
using words::Ending;
using words::endingOf;
using words::ExchangeView;
using words::Face;
using words::Indicator;
using words::keptEditsText;
using words::readBackText;
using words::refusalText;
using words::saveText;
using words::tableLoadText;

GPStracking::GPStracking(Services services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      timer1_(new QTimer(this)),
      clock_(std::make_unique<QElapsedTimer>()),
      refresh_(new QTimer(this)) {
  clock_->start();
  setObjectName("GPStracking");
  setWindowTitle(QStringLiteral("GPS Trackingconfiguration menu Version %1      Date: %2")
                     .arg(GPSTRACKING_VERSION, GPSTRACKING_BUILD_DATE));
  setFixedSize(ui::twipsToPixels(9330), ui::twipsToPixels(6690));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  setAutoFillBackground(true);
  buildControls();

  startup();

  // Each GPS log goes into a new file in the program's current folder. The configuration
  // transfers work on the windows' fields, the table transfers on the grid of setup2.
  session_ = std::make_unique<session::Session>(
      *services_.port,
      session::Workspace{&configFields(), &tableStore_, std::make_shared<logfile::DiskLogFolder>()},
      this);
  // For support: every character of every exchange of this run, in the file the environment
  // names. One that cannot be written is said in the status line, never in a box.
  if (const QByteArray trace = qgetenv("GPSTRACKING_TRACE"); !trace.isEmpty()) {
    tracePath_ = trace.toStdString();
    std::string why = serial::traceRefusal(tracePath_, services_.readFiles);
    if (!why.empty() || !session_->traceTo(tracePath_, &why)) {
      traceRefused_ = why;
      status_.note(serial::traceFailureWords(tracePath_, why));
      refreshNow();
    }
  }
  readBack_ = qEnvironmentVariable("GPSTRACKING_VERIFY") == "1";
  session_->onStarting([this] { exchangeStarting(); });
  session_->onProgress([this](const device::Progress& report) { progress(report); });
  session_->onFinished([this](const device::Result& result, std::exception_ptr error) {
    exchangeEnded(result, error);
  });

  // Timer1 advances the link tick once a second, for the whole run.
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, [this] {
    session_->link().timerTick();
    if (session_->busy()) refreshSoon();  // the seconds waited, the seconds without data
  });
  refresh_->setSingleShot(true);
  connect(refresh_, &QTimer::timeout, this, [this] {
    if (refreshPending_) refreshNow();
  });
  timer1_->start();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

GPStracking::~GPStracking() {
  session_.reset();
}

QWidget* GPStracking::control(const char* name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

void GPStracking::buildControls() {
  controls_ = buildMainMenu(*this);
  auto button = [this](const char* name) { return qobject_cast<QPushButton*>(control(name)); };
  for (const auto& [name, operation] : kTransferButtons) {
    connect(button(name), &QPushButton::clicked, this,
            [this, code = operation] { runOperation(code); });
  }
  connect(button("Command5"), &QPushButton::clicked, this, [this] {
    session_->link().cancel();
    control("Command5")->hide();
    if (view_) view_->hidden(Indicator::Command5);
  });
  connect(button("Command11"), &QPushButton::clicked, this, [this] { session_->link().cancel(); });
  connect(button("Command4"), &QPushButton::clicked, this, [this] { selectComPort(); });
  connect(button("Command2"), &QPushButton::clicked, this, [this] { services_.help->open(); });
  connect(button("Command6"), &QPushButton::clicked, this,
          [this] { ui::openModal(configWindows_->setup1()); });
  connect(button("Command17"), &QPushButton::clicked, this,
          [this] { ui::openModal(configWindows_->setup3()); });
  connect(button("Command12"), &QPushButton::clicked, this,
          [this] { ui::openModal(locationTable()); });
  connect(button("Command3"), &QPushButton::clicked, this, [this] { exitProgram(); });
  trackLinks_ = new trackview::TrackLinks(*control("Status"), tableStore_, configStore_);
  restore_ = ui::linkButton("Restore", "Ctrl+R", this);
  restore_->hide();
  connect(restore_, &QPushButton::clicked, this, [this] { restoreKeptEdits(); });
  auto* list = qobject_cast<QListWidget*>(control("List2"));
  connect(list, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { takeComPort(PortList::portName(*item)); });
}

// The state every window starts from; the editing windows are built when first needed.
void GPStracking::startup() {
  loctable::fillStartupContent(tableStore_);
  configWindows_ = std::make_unique<forms::ConfigWindows>(this, *services_.messages,
                                                          *services_.help, configStore_);
  config::applyStartupValues(configStore_);
  configWindows_->onLoaded(
      [this](const std::string& path, bool loaded, const config::LoadReport& report) {
        partReplaced(KeptEdits::Part::Configuration);
        fileNote(configurationLoadText(fileName(path), loaded, report));
      });
  configWindows_->onSaved([this](const std::string& path, bool saved) {
    if (saved) partTaken(KeptEdits::Part::Configuration);
    fileNote(saveText("Configuration", fullPath(path), saved));
  });
}

std::string GPStracking::fileName(const std::string& path) {
  return QFileInfo(QFile::decodeName(path.c_str())).fileName().toStdString();
}

// A load or a save replaces what the status line said last.
void GPStracking::fileNote(std::string text) {
  status_.note(std::move(text));
  refreshNow();
}

void GPStracking::keepEditsIn(const std::string& folder) {
  delete keeper_;
  keeper_ = new EditKeeper(folder, configStore_, tableStore_, this);
  keeper_->onFailure([this](const std::string& why) {
    fileNote("Unsaved edits could not be kept: " + why + ".");
  });
  offerKeptEdits();
}

void GPStracking::offerKeptEdits() {
  if (!keeper_) return;
  if (const auto when = keeper_->offered()) {
    offer_ = keptEditsText(*when);
    fileNote(offer_);
  }
}

void GPStracking::restoreKeptEdits() {
  if (!keeper_ || offer_.empty() || statusText() != offer_) return;
  keeper_->restore();
  fileNote(offer_.substr(0, offer_.size() - std::string_view(" were kept:").size()) +
           " restored; they are not saved yet.");
}

void GPStracking::partReplaced(KeptEdits::Part part) {
  if (keeper_) keeper_->replaced(part);
}

void GPStracking::partTaken(KeptEdits::Part part) {
  if (keeper_) keeper_->taken(part);
}

void GPStracking::runOperation(int operation) {
  // One exchange at a time: a second one started from inside the first would share its port.
  if (session_->busy() || exited_) return;
  operation_ = static_cast<std::int16_t>(operation);
  view_ = std::make_unique<ExchangeView>(operation, static_cast<Face&>(*this));
  session_->start({operation,
                   serial::comDevicePath(comIndex_ + 1),
                   {},
                   readBack_ && operation == device::kConfigDownload});
}

// The refusals have passed; the port is about to be opened.
void GPStracking::exchangeStarting() {
  // Edits made just before are kept before the wire's time begins.
  if (keeper_) keeper_->flush();
  startStatus(operation_);
  refreshNow();
  setTransfersEnabled(false);
}

void GPStracking::startStatus(int operation) {
  const int portNumber = comIndex_ + 1;
  status_.start(operation, serial::comPortName(portNumber), serial::comDevicePath(portNumber),
                serial::describeComDevice(portNumber).description, seconds());
}

void GPStracking::exchangeEnded(const device::Result& result, std::exception_ptr error) {
  if (exited_) {
    setTransfersEnabled(true);
    return;
  }
  // An upload has just set the windows, a download taken them: before any box waits for the
  // technician, so that the keeper never takes an upload for an edit.
  const bool finished = result.finished() && !error;
  const bool uploaded =
      finished && (operation_ == device::kConfigUpload || operation_ == device::kTableUpload);
  // Which part each finished transfer set (an upload) or took (a download).
  struct PartMoved {
    int operation;
    KeptEdits::Part part;
    bool uploaded;
  };
  static constexpr PartMoved kPartsMoved[] = {
      {device::kConfigUpload, KeptEdits::Part::Configuration, true},
      {device::kConfigDownload, KeptEdits::Part::Configuration, false},
      {device::kTableUpload, KeptEdits::Part::Table, true},
      {device::kTableDownload, KeptEdits::Part::Table, false},
  };
  for (const PartMoved& moved : kPartsMoved) {
    if (!finished || moved.operation != operation_) continue;
    moved.uploaded ? partReplaced(moved.part) : partTaken(moved.part);
  }
  // The status line says how the exchange ended, at the moment it ended, before any box waits
  // for the technician.
  readingBackShown_ = false;
  if (result.ending == device::Ending::Invalid) {
    const std::vector<std::string> causes = refusalCauses(result.refusal);
    status_.note(
        refusalText(causes, result.refusal.cell ? causes.size() : result.refusal.checkFinds));
  } else {
    const Ending ending = error ? Ending::Failed : endingOf(result);
    const std::vector<words::Message> boxes = view_->closing(result).boxes;
    const bool cancelledLog =
        ending == Ending::Cancelled && operation_ == device::kLogUpload && !result.file.empty();
    std::string outcome = !boxes.empty() && ending != Ending::Cancelled
                              ? ui::fromLatin1(boxes.back().text).toStdString()
                              : std::string();
    if (const session::Session::ReadBack& proof = session_->readBack(); proof.ran && !error) {
      std::vector<std::string> differing;
      for (const config::Field field : proof.unconfirmed)
        differing.push_back(ui::fromLatin1(config::fieldCaption(field)).toStdString());
      outcome += " " + readBackText(proof.result.finished(), differing, result.version);
    }
    // A trace asked for and not kept is said at every ending: the exchange went untraced.
    if (const std::string lost = session_->traceFailure(); !lost.empty() || !traceRefused_.empty())
      outcome += "; " + serial::traceFailureWords(tracePath_, lost.empty() ? traceRefused_ : lost);
    const std::string path = fullPath(result.file);
    status_.end(ending, QTime::currentTime().toString("HH:mm:ss").toStdString(), outcome, path,
                cancelledLog ? result.positions : -1);
    if (operation_ == device::kLogUpload && !path.empty() &&
        QFile::exists(QString::fromStdString(path)))
      trackLinks_->logSaved(QString::fromStdString(path));
  }
  refreshNow();
  view_->end(result);
  setTransfersEnabled(true);
  // Edits an upload replaced are offered back once its box has been read.
  if (uploaded) offerKeptEdits();
  if (result.ending == device::Ending::Invalid || exited_) return;
  // The keyboard goes back to where the exchange was started. A closed message box has no
  // owner to hand the keyboard back to; without a window manager nobody would.
  for (const auto& [name, code] : kTransferButtons) {
    if (code == operation_) control(name)->setFocus(Qt::OtherFocusReason);
  }
  if (isVisible() && !QApplication::activeWindow()) activateWindow();
  if (!error) return;
  services_.messages->show("Unexpected error" + device::errorDetail(error), "Error",
                           words::Icon::Critical);
}

// Why the session refused to send: every problem of the configuration, or the table's first
// coordinate the unit cannot store.
std::vector<std::string> GPStracking::refusalCauses(const device::Refusal& refusal) {
  if (refusal.cell) return {device::unsendableCellWords(*refusal.cell)};
  std::vector<std::string> causes;
  for (const config::Problem& problem : config::counted(refusal.problems))
    causes.push_back(ui::fromLatin1(config::problemSummary(problem)).toStdString());
  return causes;
}

std::string GPStracking::fullPath(const std::string& file) {
  if (file.empty()) return {};
  return QDir::toNativeSeparators(QDir::current().absoluteFilePath(QFile::decodeName(file.c_str())))
      .toStdString();
}

void GPStracking::setTransfersEnabled(bool enabled) {
  for (const auto& [name, operation] : kTransferButtons) control(name)->setEnabled(enabled);
}

void GPStracking::selectComPort() {
  if (const auto number = serial::comPortNumber(comName_))
    comIndex_ = static_cast<std::int16_t>(*number - 1);
  auto* list = qobject_cast<QListWidget*>(control("List2"));
  list->setCurrentRow(comIndex_);
  list->show();
  list->setFocus();
}

void GPStracking::takeComPort(const std::string& name) {
  comName_ = name;
  control("List2")->hide();
  qobject_cast<QLabel*>(control("Label2"))->setText(QString::fromStdString(name + " Selected"));
  if (const auto number = serial::comPortNumber(comName_))
    comIndex_ = static_cast<std::int16_t>(*number - 1);
}

void GPStracking::exitProgram() {
  if (exited_) return;
  exited_ = true;
  if (keeper_) keeper_->flush();
  timer1_->stop();
  session_->link().abort();
  if (services_.port->isOpen()) services_.port->close();
  hide();
  QCoreApplication::quit();
}

// The close box ends the program as EXIT does.
void GPStracking::closeEvent(QCloseEvent* event) {
  exitProgram();
  event->accept();
}

forms::Setup2& GPStracking::locationTable() {
  if (!setup2_) {
    setup2_ =
        std::make_unique<forms::Setup2>(this, *services_.messages, *services_.help, tableStore_);
    setup2_->onLoaded([this](const std::string& path, bool loaded, int rows) {
      partReplaced(KeptEdits::Part::Table);
      fileNote(tableLoadText(fileName(path), loaded, rows));
    });
    setup2_->onSaved([this](const std::string& path, bool saved) {
      if (saved) partTaken(KeptEdits::Part::Table);
      fileNote(saveText("GPS location table", fullPath(path), saved));
    });
  }
  return *setup2_;
}

config::Fields& GPStracking::configFields() {
  return configStore_;
}

void GPStracking::setIndicator(Indicator indicator, bool visible) {
  {
    const char* name = indicatorName(indicator);
    QWidget* shown = control(name);
    shown->setVisible(visible);
    // The status line ends before the record counter while it shows.
    if (indicator == Indicator::Label4) {
      QWidget* line = control("Status");
      const int right =
          (visible ? control("Label4")->geometry().left() : trackLinks_->geometry().left()) - 7;
      trackLinks_->setVisible(!visible);
      line->resize(right - line->x(), line->height());
    }
    if (std::find(kProgressButtons.begin(), kProgressButtons.end(), std::string_view(name)) ==
        kProgressButtons.end()) {
      return;
    }
    // The keyboard follows the progress button that shows, so that a key press can only do
    // what a click on it does; between two of them it rests on the window, where keys do
    // nothing.
    if (visible) {
      shown->setFocus(Qt::OtherFocusReason);
    } else if (session_->busy()) {
      QWidget* showing = this;
      for (const char* other : kProgressButtons) {
        if (control(other)->isVisible()) showing = control(other);
      }
      showing->setFocus(Qt::OtherFocusReason);
    }
  }
}

void GPStracking::setCount(long long count) {
  count_ = count;
  refreshSoon();
}

void GPStracking::showBox(const words::Message& message) {
  services_.messages->show(message);
}

void GPStracking::progress(const device::Progress& progress) {
  // A read-back is the status line's alone: it says the upload as it goes, while the download's
  // indicators and box wait for its end.
  if (session_->readingBack()) {
    if (!readingBackShown_) startStatus(device::kConfigUpload);
    readingBackShown_ = true;
    status_.progress(progress, seconds());
    refreshSoon();
    return;
  }
  status_.progress(progress, seconds());
  view_->progress(progress);
  refreshSoon();
}

double GPStracking::seconds() const {
  return static_cast<double>(clock_->nsecsElapsed()) / 1e9;
}

std::string GPStracking::statusText() const {
  return status_.text(seconds());
}

// The first change paints at once; changes within the next kRefreshMs are painted together at
// its end, however fast characters arrive.
void GPStracking::refreshSoon() {
  if (refresh_->isActive()) {
    refreshPending_ = true;
    return;
  }
  refreshNow();
}

void GPStracking::refreshNow() {
  refreshPending_ = false;
  qobject_cast<QLabel*>(control("Label3"))->setText(QString::number(count_));
  auto* line = qobject_cast<QLabel*>(control("Status"));
  const QString said = line->text(), saying = QString::fromStdString(statusText());
  if (said != saying) {
    line->setText(saying);
    // The label is named "Status"; what it says changes, and screen readers are told so.
    QAccessibleTextUpdateEvent event(line, 0, said, saying);
    QAccessible::updateAccessibility(&event);
  }
  // The Restore link follows the words that offer kept edits back, while they stand.
  const bool offering = !offer_.empty() && saying.toStdString() == offer_;
  if (offering) {
    restore_->adjustSize();
    restore_->move(line->x() + line->fontMetrics().horizontalAdvance(saying) + 4, line->y());
  }
  restore_->setVisible(offering);
  refresh_->start(kRefreshMs);
}

void GPStracking::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && session_->busy()) {
    for (const char* name : kProgressButtons) {
      if (control(name)->isVisible()) {
        qobject_cast<QPushButton*>(control(name))->click();
        break;
      }
    }
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace app

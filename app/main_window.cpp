#include "app/main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>
#include <QTimer>

#include "app/com_ports.h"
#include "app/logo.h"
#include "app/port_list.h"
#include "forms/config_windows.h"
#include "config/field_table.h"
#include "link/com_ports.h"
#include "link/serial_port_info.h"
#include "loctable/cell_store.h"
#include "forms/setup2.h"
#include "logfile/disk_log_folder.h"
#include "ui/accessibility.h"
#include "ui/help.h"
#include "ui/messages.h"
#include "ui/window_look.h"

#ifndef GPSTRACKING_VERSION
#define GPSTRACKING_VERSION "0.0"
#endif
#ifndef GPSTRACKING_BUILD_DATE
#define GPSTRACKING_BUILD_DATE "01-01-2000"
#endif

namespace app {

namespace {

enum class Kind { Label, Button, Picture, List };

struct Look {
  double points = ui::kDialogPoints;  // the system's dialog font unless named
  bool bold = false;
  bool underline = false;
  QColor colour;  // a button's face, a label's text; invalid: the system's default
};

struct Twips {
  int left, top, width, height;
};

enum Start { kShown, kHidden };

struct ControlRow {
  const char* name;
  Kind kind;
  const char* caption;
  Twips place;
  Start start;
  Look look;
};

// The looks of the menu's controls.
const QColor kLilac(192, 192, 255), kYellow(255, 255, 0), kGreen(0, 192, 0), kOrange(255, 192, 128);
const Look kPlain{};
const Look kHeading{18.75, true, true, QColor(128, 128, 255)};
const Look kProgress{15.75, false, false, QColor()};
const Look kSmall{9.75, false, false, QColor()};
const Look kExit{14.25, true, false, QColor()};
const Look kLilacFace{ui::kDialogPoints, false, false, kLilac};
const Look kYellowFace{ui::kDialogPoints, false, false, kYellow};
const Look kGreenFace{ui::kDialogPoints, false, false, kGreen};
const Look kOrangeFace{ui::kDialogPoints, false, false, kOrange};

// The places: two columns of buttons in five rows, the progress buttons (one at a time) over
// the logo, the strip of small labels under it.
constexpr int kLeftColumn = 240, kRightColumn = 5400;
constexpr int kRow1 = 3120, kRow2 = 3720, kRow3 = 4320, kRow4 = 4920, kRow5 = 5520;
constexpr int kButtonWidth = 3735, kButtonHeight = 495;
constexpr int kStripTop = 2760, kStripHeight = 255;
constexpr Twips left(int row) {
  return {kLeftColumn, row, kButtonWidth, kButtonHeight};
}
constexpr Twips right(int row) {
  return {kRightColumn, row, kButtonWidth, kButtonHeight};
}
constexpr Twips strip(int left, int width) {
  return {left, kStripTop, width, kStripHeight};
}
constexpr Twips kHeadingPlace{360, 0, 8895, 735}, kLogoPlace{120, 480, 9015, 2175};
constexpr Twips kOverTheLogo{2400, 720, 4935, 1695};
constexpr Twips kPortListPlace{4080, kRow4, 1095, 840};
constexpr Twips kExitPlace{kLeftColumn, 6120, 8895, kButtonHeight};

// The main menu, as at startup, in creation order.
// clang-format off
const ControlRow kControls[] = {
    {"Label1",    Kind::Label,   "GPS tracking system configuration main menu :",               kHeadingPlace,             kShown,  kHeading},
    {"Picture1",  Kind::Picture, "",                                                            kLogoPlace,                kShown,  kPlain},
    {"Command5",  Kind::Button,  "Trying to Connect - Click this button to EXIT !",             kOverTheLogo,              kHidden, kProgress},
    {"Command8",  Kind::Button,  "Connected - Uploading Configuration Data Please Wait !",      kOverTheLogo,              kHidden, kProgress},
    {"Command9",  Kind::Button,  "Connected - Downloading Configuration Data Please Wait !",    kOverTheLogo,              kHidden, kProgress},
    {"Command11", Kind::Button,  "Connected - Uploading GPS Locations Please Wait !",           kOverTheLogo,              kHidden, kProgress},
    {"Command15", Kind::Button,  "Connected - Downloading Camera GPS Locations  Please Wait !", kOverTheLogo,              kHidden, kProgress},
    {"Command16", Kind::Button,  "Connected - Uploading Camera GPS Locations Please Wait !",    kOverTheLogo,              kHidden, kProgress},
    {"Label2",    Kind::Label,   "COM1 Selected",                                               strip(kLeftColumn, 1455),  kShown,  kSmall},
    {"Label4",    Kind::Label,   "Locations Downloaded :",                                      strip(kRightColumn, 2175), kHidden, kSmall},
    {"Label3",    Kind::Label,   "0",                                                           strip(7680, 735),          kHidden, kSmall},
    {"Command6",  Kind::Button,  "View/ Setup/ Select Configuration",                           left(kRow1),               kShown,  kLilacFace},
    {"Command12", Kind::Button,  "View/ Setup/Select GPS Location Table",                       left(kRow2),               kShown,  kYellowFace},
    {"Command17", Kind::Button,  "View/ Setup/ Select VOICE/ ADC Configuration",                left(kRow3),               kShown,  kGreenFace},
    {"Command4",  Kind::Button,  "Select COM port",                                             left(kRow4),               kShown,  kPlain},
    {"List2",     Kind::List,    "",                                                            kPortListPlace,            kHidden, kPlain},
    {"Command2",  Kind::Button,  "Help information",                                            left(kRow5),               kShown,  kPlain},
    {"Command1",  Kind::Button,  "Download Configuration to GPS TRACKING system",               right(kRow1),              kShown,  kLilacFace},
    {"Command7",  Kind::Button,  "Upload Configuration from GPS TRACKING system",               right(kRow2),              kShown,  kLilacFace},
    {"Command10", Kind::Button,  "Upload GPS locations from GPS TRACKING system",               right(kRow3),              kShown,  kOrangeFace},
    {"Command14", Kind::Button,  "Download GPS Locations Table to GPS TRACKING system",         right(kRow4),              kShown,  kYellowFace},
    {"Command13", Kind::Button,  "Upload GPS Locations Table from GPS TRACKING system",         right(kRow5),              kShown,  kYellowFace},
    {"Command3",  Kind::Button,  "EXIT",                                                        kExitPlace,                kShown,  kExit},
};
// clang-format on

// The keyboard's way through the menu.
const char* const kTabOrder[] = {
    "Label1",    "Command6", "Command12", "Command17", "Command4",  "Command2",
    "Command1",  "Command7", "Command10", "Command14", "Command13", "Command3",
    "Picture1",  "Label2",   "List2",     "Label4",    "Label3",    "Command16",
    "Command11", "Command9", "Command5",  "Command15", "Command8",
};

// The transfer buttons and the operation code each one stores.
const std::pair<const char*, int> kTransferButtons[] = {
    {"Command7", device::kConfigUpload},   {"Command1", device::kConfigDownload},
    {"Command10", device::kLogUpload},     {"Command13", device::kTableUpload},
    {"Command14", device::kTableDownload},
};

const std::pair<Indicator, const char*> kIndicators[] = {
    {Indicator::Command5, "Command5"},   {Indicator::Command8, "Command8"},
    {Indicator::Command9, "Command9"},   {Indicator::Command11, "Command11"},
    {Indicator::Command15, "Command15"}, {Indicator::Command16, "Command16"},
    {Indicator::Label4, "Label4"},       {Indicator::Label3, "Label3"},
};

// A command button whose caption wraps onto several lines when it is wider than the button,
// as the large progress buttons need.
class WrappingButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignCenter | Qt::TextWordWrap, text());
    if (hasFocus()) drawFocusRing(painter);
  }

  // Enter and Return press the button that has the focus, as Space does.
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      if (!event->isAutoRepeat()) click();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
  void focusInEvent(QFocusEvent* event) override {
    QPushButton::focusInEvent(event);
    update();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QPushButton::focusOutEvent(event);
    update();
  }

 private:
  // A ring that shows on every face: black on light faces, white on dark ones, inside the
  // button's edge.
  void drawFocusRing(QPainter& painter) {
    const QColor face = palette().color(QPalette::Button);
    QPen pen(face.lightness() < 110 ? Qt::white : Qt::black, 2, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(4, 4, -4, -4));
  }
};

// The status line: up to two lines of small text on the menu's black face; what does not fit
// ends in an ellipsis. Screen readers read it by its name, "Status", and its text.
class StatusLine : public ui::ValueLabel {
 public:
  explicit StatusLine(QWidget* parent) : ui::ValueLabel(parent) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(224, 224, 224));
    setPalette(colours);
    setFont(ui::arial(8));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    const int lines = std::max(1, height() / metrics.lineSpacing());
    int y = 0;
    for (int n = 0; n < lines; ++n) {
      QTextLine line = layout.createLine();
      if (!line.isValid()) break;
      line.setLineWidth(width());
      QString shown = text().mid(line.textStart(), line.textLength());
      if (n == lines - 1 && line.textStart() + line.textLength() < text().size()) {
        shown = metrics.elidedText(text().mid(line.textStart()), Qt::ElideRight, width());
      }
      painter.drawText(0, y + metrics.ascent(), shown);
      y += metrics.lineSpacing();
    }
    layout.endLayout();
  }
};

void applyLook(QWidget& widget, const Look& look, Kind kind) {
  widget.setFont(ui::arial(look.points, look.bold, look.underline));
  if (look.colour.isValid()) {
    QPalette palette = widget.palette();
    palette.setColor(kind == Kind::Button ? QPalette::Button : QPalette::WindowText, look.colour);
    widget.setPalette(palette);
  }
}

// The buttons that show while an exchange runs; of them only Command5 and Command11 cancel.
const char* const kProgressButtons[] = {"Command5",  "Command8",  "Command9",
                                        "Command11", "Command15", "Command16"};

}  // namespace

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
  session_ = std::make_unique<device::Session>(
      *services_.port,
      device::Workspace{&configFields(), setup2_.get(), std::make_shared<logfile::DiskLogFolder>()},
      this);
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
  ui::installAccessibleInterfaces();
  for (const ControlRow& entry : kControls) {
    QWidget* widget = nullptr;
    switch (entry.kind) {
      case Kind::Label: {
        auto* label = new QLabel(QString::fromLatin1(entry.caption), this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (!entry.look.colour.isValid()) {
          // Plain labels stand on the system's face colour, readable on the black menu.
          const QPalette system = QGuiApplication::palette();
          QPalette face = label->palette();
          face.setColor(QPalette::Window, system.color(QPalette::Button));
          face.setColor(QPalette::WindowText, system.color(QPalette::ButtonText));
          label->setPalette(face);
          label->setAutoFillBackground(true);
        }
        widget = label;
        break;
      }
      case Kind::Button: {
        auto* button = new WrappingButton(QString::fromLatin1(entry.caption), this);
        button->setAutoDefault(false);
        if (entry.look.colour.isValid()) button->setAutoFillBackground(true);
        widget = button;
        break;
      }
      case Kind::Picture: {
        auto* picture = new QLabel(this);
        picture->setPixmap(drawLogo());
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = picture;
        break;
      }
      case Kind::List: {
        auto* list = new QListWidget(this);
        new PortList(*list);
        widget = list;
        break;
      }
    }
    widget->setObjectName(entry.name);
    const Twips& place = entry.place;
    widget->setGeometry(ui::twipsRect(place.left, place.top, place.width, place.height));
    applyLook(*widget, entry.look, entry.kind);
    widget->setVisible(entry.start == kShown);
    controls_[entry.name] = widget;
  }
  // The status line, in the strip under the logo right of Label2, up to the first row of
  // buttons.
  auto* statusLine = new StatusLine(this);
  statusLine->setObjectName("Status");
  statusLine->setAccessibleName("Status");
  const QRect label2 = control("Label2")->geometry();
  const int top = control("Picture1")->geometry().bottom() + 1;
  statusLine->setGeometry(label2.right() + 7, top,
                          control("Picture1")->geometry().right() - label2.right() - 7,
                          control("Command6")->geometry().top() - top);
  controls_["Status"] = statusLine;

  // The heading overlaps the logo's top edge; its text stays readable above it.
  control("Label1")->raise();
  // Named for screen readers by what stands beside them: neither has a caption.
  control("List2")->setAccessibleName("COM port");
  control("Picture1")->setAccessibleName("Logo");
  for (size_t i = 1; i < std::size(kTabOrder); ++i) {
    QWidget::setTabOrder(control(kTabOrder[i - 1]), control(kTabOrder[i]));
  }

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
  connect(button("Command12"), &QPushButton::clicked, this, [this] { ui::openModal(*setup2_); });
  connect(button("Command3"), &QPushButton::clicked, this, [this] { exitProgram(); });
  auto* list = qobject_cast<QListWidget*>(control("List2"));
  connect(list, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { takeComPort(PortList::portName(*item)); });
}

// The state every window starts from; the editing windows are created here, hidden.
void GPStracking::startup() {
  setup2_ = std::make_unique<loctable::Setup2>(this, *services_.messages, *services_.help);
  loctable::fillStartupContent(*setup2_);
  configWindows_ = std::make_unique<config::ConfigWindows>(this, *services_.messages,
                                                           *services_.help, configStore_);
  config::applyStartupValues(configStore_);
}

void GPStracking::runOperation(int operation) {
  // One exchange at a time: a second one started from inside the first would share its port.
  if (session_->busy() || exited_) return;
  operation_ = static_cast<std::int16_t>(operation);
  view_ = std::make_unique<ExchangeView>(operation, static_cast<Face&>(*this));
  session_->start({operation, device::comDevicePath(comIndex_ + 1), {}});
}

// The refusals have passed; the port is about to be opened.
void GPStracking::exchangeStarting() {
  const int portNumber = comIndex_ + 1;
  status_.start(operation_, comPortName(comIndex_), device::comDevicePath(portNumber),
                device::describeComDevice(portNumber).description, seconds());
  refreshNow();
  setTransfersEnabled(false);
}

void GPStracking::exchangeEnded(const device::Result& result, std::exception_ptr error) {
  if (exited_) {
    setTransfersEnabled(true);
    return;
  }
  // A refusal only says why; the status line goes on saying what it said.
  const bool refused = result.ending == device::Ending::Invalid;
  const std::vector<ui::Message> told = view_->end(result);
  setTransfersEnabled(true);
  if (refused || exited_) return;
  const Ending ending = error ? Ending::Failed : endingOf(result);
  const std::string path =
      result.file.empty() ? std::string()
                          : QDir::toNativeSeparators(QDir::current().absoluteFilePath(
                                                         QFile::decodeName(result.file.c_str())))
                                .toStdString();
  status_.end(ending, QTime::currentTime().toString("HH:mm:ss").toStdString(),
              !told.empty() && ending != Ending::Cancelled
                  ? ui::fromLatin1(told.back().text).toStdString()
                  : std::string(),
              path);
  refreshNow();
  // The keyboard goes back to where the exchange was started. A closed message box has no
  // owner to hand the keyboard back to; without a window manager nobody would.
  for (const auto& [name, code] : kTransferButtons) {
    if (code == operation_) control(name)->setFocus(Qt::OtherFocusReason);
  }
  if (isVisible() && !QApplication::activeWindow()) activateWindow();
  if (!error) return;
  services_.messages->show("Unexpected error" + device::errorDetail(error), "Error",
                           ui::Icon::Critical);
}

void GPStracking::setTransfersEnabled(bool enabled) {
  for (const auto& [name, operation] : kTransferButtons) control(name)->setEnabled(enabled);
}

void GPStracking::selectComPort() {
  if (const auto index = app::comPortIndex(comName_)) comIndex_ = static_cast<std::int16_t>(*index);
  auto* list = qobject_cast<QListWidget*>(control("List2"));
  list->setCurrentRow(comIndex_);
  list->show();
  list->setFocus();
}

void GPStracking::takeComPort(const std::string& name) {
  comName_ = name;
  control("List2")->hide();
  qobject_cast<QLabel*>(control("Label2"))->setText(QString::fromStdString(name + " Selected"));
  if (const auto index = app::comPortIndex(comName_)) comIndex_ = static_cast<std::int16_t>(*index);
}

void GPStracking::exitProgram() {
  if (exited_) return;
  exited_ = true;
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

config::Fields& GPStracking::configFields() {
  return configStore_;
}

void GPStracking::setIndicator(Indicator indicator, bool visible) {
  for (const auto& [which, name] : kIndicators) {
    if (which != indicator) continue;
    QWidget* shown = control(name);
    shown->setVisible(visible);
    // The status line ends before the record counter while it shows.
    if (indicator == Indicator::Label4) {
      QWidget* line = control("Status");
      const int right = (visible ? control("Label4")->geometry().left()
                                 : control("Picture1")->geometry().right()) -
                        7;
      line->resize(right - line->x(), line->height());
    }
    if (std::find(std::begin(kProgressButtons), std::end(kProgressButtons),
                  std::string_view(name)) == std::end(kProgressButtons)) {
      continue;
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

void GPStracking::showBox(const ui::Message& message) {
  services_.messages->show(message);
}

void GPStracking::progress(const device::Progress& progress) {
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

#include "app/main_menu.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>
#include <future>

#include "app/logo.h"
#include "app/port_list.h"
#include "ui/accessibility.h"
#include "ui/window_look.h"

namespace app {

using words::Indicator;

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

}  // namespace

// The transfer buttons and the operation code each one stores.
const std::array<std::pair<const char*, int>, device::kOperationCount> kTransferButtons = {{
    {"Command7", device::kConfigUpload},
    {"Command1", device::kConfigDownload},
    {"Command10", device::kLogUpload},
    {"Command13", device::kTableUpload},
    {"Command14", device::kTableDownload},
}};

const char* indicatorName(Indicator indicator) {
  static const std::pair<Indicator, const char*> kIndicators[] = {
      {Indicator::Command5, "Command5"},   {Indicator::Command8, "Command8"},
      {Indicator::Command9, "Command9"},   {Indicator::Command11, "Command11"},
      {Indicator::Command15, "Command15"}, {Indicator::Command16, "Command16"},
      {Indicator::Label4, "Label4"},       {Indicator::Label3, "Label3"},
  };
  for (const auto& [which, name] : kIndicators) {
    if (which == indicator) return name;
  }
  return "";
}

const std::array<const char*, 6> kProgressButtons = {"Command5",  "Command8",  "Command9",
                                                     "Command11", "Command15", "Command16"};

std::map<std::string, QWidget*> buildMainMenu(QWidget& window) {
  std::map<std::string, QWidget*> controls;
  auto at = [&controls](const char* name) { return controls.at(name); };
  // The logo takes longest of all the controls: it is painted on a thread of its own, in the
  // format a pixmap of this screen has, while the others are made and their fonts found (the
  // first font of a run waits for the system's list of fonts, and the logo's text for it).
  const QImage::Format format =
      QPixmap::defaultDepth() == 16 ? QImage::Format_RGB16 : QImage::Format_RGB32;
  std::future<QImage> logo = std::async(std::launch::async, drawLogo, format);
  ui::installAccessibleInterfaces();
  for (const ControlRow& entry : kControls) {
    QWidget* widget = nullptr;
    switch (entry.kind) {
      case Kind::Label: {
        auto* label = new QLabel(QString::fromLatin1(entry.caption), &window);
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
        auto* button = new WrappingButton(QString::fromLatin1(entry.caption), &window);
        button->setAutoDefault(false);
        if (entry.look.colour.isValid()) button->setAutoFillBackground(true);
        widget = button;
        break;
      }
      case Kind::Picture: {
        auto* picture = new QLabel(&window);
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = picture;
        break;
      }
      case Kind::List: {
        auto* list = new QListWidget(&window);
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
    controls[entry.name] = widget;
  }
  // The status line, in the strip under the logo right of Label2, up to the first row of
  // buttons.
  auto* statusLine = new StatusLine(&window);
  statusLine->setObjectName("Status");
  statusLine->setAccessibleName("Status");
  const QRect label2 = at("Label2")->geometry();
  const int top = at("Picture1")->geometry().bottom() + 1;
  statusLine->setGeometry(label2.right() + 7, top,
                          at("Picture1")->geometry().right() - label2.right() - 7,
                          at("Command6")->geometry().top() - top);
  controls["Status"] = statusLine;

  // Meanwhile the fonts of the controls that show are found, as their first paint would.
  for (const auto& [name, control] : controls) {
    if (!control->isHidden()) QFontMetrics(control->font()).ascent();
  }
  qobject_cast<QLabel*>(at("Picture1"))->setPixmap(QPixmap::fromImage(logo.get()));

  // The heading overlaps the logo's top edge; its text stays readable above it.
  at("Label1")->raise();
  // Named for screen readers by what stands beside them: neither has a caption.
  at("List2")->setAccessibleName("COM port");
  at("Picture1")->setAccessibleName("Logo");
  for (size_t i = 1; i < std::size(kTabOrder); ++i) {
    QWidget::setTabOrder(at(kTabOrder[i - 1]), at(kTabOrder[i]));
  }

  return controls;
}

}  // namespace app

#include "config/field_table.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace config {

std::vector<std::string> voltageItems(int count) {
  static const char* const kFractions[] = {"0", "33", "66"};
  std::vector<std::string> items;
  items.reserve(count);
  for (int k = 0; k < count; ++k) {
    const int whole = 5 + k / 3;
    std::string fraction = kFractions[k % 3];
    // From 11 volts on, whole levels carry two zeros.
    if (k % 3 == 0 && whole >= 11) fraction = "00";
    items.push_back(std::to_string(whole) + "." + fraction);
  }
  return items;
}

namespace {

using Items = std::vector<std::string>;
using Caption = std::vector<std::string>;

Items numbers(int last) {
  Items items;
  for (int n = 0; n <= last; ++n) items.push_back(std::to_string(n));
  return items;
}

const Items kDisabledEnabled{"Disabled", "Enabled"};

class Builder {
 public:
  Builder& window(Window window, int column) {
    window_ = window;
    column_ = column;
    return *this;
  }
  FieldRow& text(Field field, const char* control, Caption caption, int maxLength = 0) {
    return add(FieldRow{.field = field,
                        .window = window_,
                        .control = control,
                        .caption = std::move(caption),
                        .kind = Kind::Text,
                        .maxLength = maxLength,
                        .column = column_});
  }
  FieldRow& list(Field field, const char* control, Caption caption, Items items) {
    return add(FieldRow{.field = field,
                        .window = window_,
                        .control = control,
                        .caption = std::move(caption),
                        .kind = Kind::List,
                        .items = std::move(items),
                        .initialIndex = 0,
                        .column = column_});
  }
  std::vector<FieldRow> rows;

 private:
  FieldRow& add(FieldRow entry) {
    rows.push_back(std::move(entry));
    return rows.back();
  }
  Window window_ = Window::setup1;
  int column_ = 0;
};

std::vector<FieldRow> buildTable() {
  using F = Field;
  Builder b;

  // setup1, left column.
  b.window(Window::setup1, 0);
  b.list(F::setup1_Combo2, "Combo2", {"Enabled by:"},
         {"Motion Switch only", "AUX1 only", "Motion and AUX1",
          "AUX1 only + Send SMS if AUX1 changes", "Motion and AUX1 +Send SMS if AUX1 changes"})
      .captionAbove = true;
  b.text(F::setup1_Text2, "Text2", {"Base phone number 1:"}, 16);
  b.text(F::setup1_Text34, "Text34", {"Base phone number 2:"}, 16);
  b.text(F::setup1_Text5, "Text5", {"Base phone number 3:"}, 16);
  b.text(F::setup1_Text35, "Text35", {"SMSC number:"}, 16);
  b.list(F::setup1_Combo6, "Combo6", {"Credits left:"}, {"No Credits left", "Credits OK"});
  b.text(F::setup1_Text3, "Text3", {"GEO fencing delay (1-240 sec):"});
  b.text(F::setup1_Text4, "Text4", {"GEO fencing sensitivity (1-240 Knots):"});
  b.text(F::setup1_Text32, "Text32", {"Vibration sensitivity (3-255):"});
  b.list(F::setup1_Combo3, "Combo3", {"Alarm activation:"},
         {"Active low or high", "Pulse Activated"});
  b.text(F::setup1_Text6, "Text6", {"Alarm input delay time (1-240 sec):"});
  b.text(F::setup1_Text7, "Text7", {"Power failure delay time (0-240 sec):"});
  b.text(F::setup1_Text8, "Text8", {"GPS reading interval  (1-240 min):"});
  b.list(F::setup1_Combo4, "Combo4", {"SOS function:"},
         {"SOS output signal", "Speed Camera function", "Location Reference function",
          "No GSM output signal", "Overspeed function"});
  // The one two-state list with "Enabled" first.
  b.list(F::setup1_Combo14, "Combo14", {"Panic input:"}, {"Enabled", "Disabled"});
  b.list(F::setup1_Combo13, "Combo13", {"Status send every:"}, numbers(7)).suffix = "Day(s)";
  b.list(F::setup1_Combo15, "Combo15", {"Input voltage low trigger level:"}, voltageItems(31))
      .initialIndex = -1;
  b.list(F::setup1_Combo16, "Combo16", {"Input voltage high trigger level:"}, voltageItems(91))
      .initialIndex = -1;
  b.text(F::setup1_Text33, "Text33", {"Delay time input volt. low or high:", "(0- 255 seconds)"});

  // setup1, middle column.
  b.window(Window::setup1, 1);
  b.text(F::setup1_Text29, "Text29", {"Speed Limit (0-183 km/h):"});
  b.text(F::setup1_Text30, "Text30", {"Speed limit activation time:", "(0-255 sec)"});
  b.list(F::setup1_Combo12, "Combo12", {"GEO Fencing", "activation:"},
         {"Disabled", "SMS - Outside Area", "SMS+Act. Al.- Outside Area", "SMS - Inside Area",
          "SMS+Act. Al.- Intside Area"});
  b.text(F::setup1_Text25, "Text25", {"LAT1"}).heading = "GEO Fencing Area setup:";
  b.list(F::setup1_Combo8, "Combo8", {}, {"N", "S"}).sameRow = true;
  b.text(F::setup1_Text24, "Text24", {"2"}).sameRow = true;
  b.list(F::setup1_Combo9, "Combo9", {}, {"N", "S"}).sameRow = true;
  b.text(F::setup1_Text26, "Text26", {"LONG1"});
  b.list(F::setup1_Combo10, "Combo10", {}, {"E", "W"}).sameRow = true;
  b.text(F::setup1_Text23, "Text23", {"2"}).sameRow = true;
  b.list(F::setup1_Combo11, "Combo11", {}, {"E", "W"}).sameRow = true;
  // The corners' second boxes are captioned "2" and the hemispheres not at all.
  for (auto [field, name] : {std::pair{F::setup1_Combo8, "LAT1 hemisphere"},
                             {F::setup1_Text24, "LAT2"},
                             {F::setup1_Combo9, "LAT2 hemisphere"},
                             {F::setup1_Combo10, "LONG1 hemisphere"},
                             {F::setup1_Text23, "LONG2"},
                             {F::setup1_Combo11, "LONG2 hemisphere"}}) {
    for (FieldRow& row : b.rows) {
      if (row.field == field) row.accessibleName = name;
    }
  }
  b.text(F::setup1_Text22, "Text22",
         {"Real Time track int. ONLINE(0-16383):", "(Realtime multiple times 4)"});
  b.text(F::setup1_Text31, "Text31",
         {"Real Time track int. OFFLINE(0-16383):", "(Realtime multiple times 4)"});
  b.list(F::setup1_Combo7, "Combo7", {" Working Mode:"}, {"SMS ONLY", "SMS + GPRS"});
  b.list(F::setup1_Combo1, "Combo1", {"GPRS Mode: "}, {"UDP", "TCP"});
  b.text(F::setup1_Text11, "Text11", {"Static IP addr. or Domain:"}).captionAbove = true;
  b.text(F::setup1_Text12, "Text12", {"UDP destination port (0-65535):"});
  b.text(F::setup1_Text10, "Text10", {"TCP destination port (0-65535):"});
  b.text(F::setup1_Text21, "Text21", {"APN (access point Name) 32 Max:"}, 32).captionAbove = true;
  b.text(F::setup1_Text18, "Text18", {"GPRS login name:", "(24 Max)"}, 24);
  b.text(F::setup1_Text19, "Text19", {"GPRS password  (16 Max):"}, 16).secret = true;
  b.list(F::setup1_Combo17, "Combo17", {"Disconnect GPRS when", "message is send:"},
         kDisabledEnabled);

  // setup1, right column.
  b.window(Window::setup1, 2);
  b.text(F::setup1_Text20, "Text20", {"OS upload port (0-65535):"}).captionAbove = true;
  FieldRow& password = b.text(F::setup1_Text9, "Text9", {"Existing Password"});
  password.captionAbove = true;
  password.initialText = kInitialPassword;
  password.secret = true;
  FieldRow& newPassword = b.text(F::setup1_Text14, "Text14", {"New Password"});
  newPassword.captionAbove = true;
  newPassword.secret = true;

  // setup1, never shown.
  b.text(F::setup1_Text13, "Text13", {"Primary DNS"}, 32).hidden = true;
  b.text(F::setup1_Text15, "Text15", {"Secondary DNS"}, 32).hidden = true;
  b.list(F::setup1_Combo5, "Combo5", {"Remote server address"}, {"IP Address", "Domain Name"})
      .hidden = true;

  // setup3, left column.
  b.window(Window::setup3, 0);
  b.list(F::setup3_Combo2, "Combo2",
         {"Auto Pickup after (0-9) rings ", "(0 - Do not Auto Pickup Voice Call )"}, numbers(9))
      .heading = "Voice setup :";
  b.list(F::setup3_Combo20, "Combo20", {"Send Location for", "Missed Phone Call:"},
         kDisabledEnabled);
  FieldRow& adcLevel = b.text(F::setup3_Text2, "Text2", {"ADC input trigger level (0-255) :"});
  adcLevel.heading = "ADC setup (AUX3):";
  adcLevel.initialText = "0";
  b.text(F::setup3_Text3, "Text3", {"ADC delay time (0-255 sec) :", "(0 = disabled )"})
      .initialText = "0";
  b.list(F::setup3_Combo4, "Combo4", {"ADC trigger activation :"},
         {"Below trigger level", "Above trigger level"});
  b.list(F::setup3_Combo3, "Combo3", {"AUX2 input function :"},
         {"As input to activate after delay time", "Pickup incoming phone call", "Pulse counter"})
      .captionAbove = true;
  b.text(F::setup3_Text28, "Text28", {"AUX2 input delay  (0-255):", "(0 = disabled)"}).initialText =
      "0";
  b.text(F::setup3_Text15, "Text15", {"Pulse Counter Prescale (2-65535):", "(0-1 = disabled)"})
      .initialText = "0";
  b.list(F::setup3_Combo1, "Combo1", {"Read I-button ID:"}, kDisabledEnabled).heading = "I-Button:";
  b.text(F::setup3_Text1, "Text1", {"Panic Dial out number:", "(empty = no dial out)"}, 16);

  // setup3, right column.
  b.window(Window::setup3, 1);
  b.list(F::setup3_Combo5, "Combo5", {"Send Custom message to Base ", "Phone Number 2 :"},
         kDisabledEnabled)
      .heading = "Special Function setup :";
  b.list(F::setup3_Combo6, "Combo6",
         {"Send Panic, Alarm, GEO or Power loss", "activated to Base Phone Number 3:"},
         kDisabledEnabled);
  b.list(F::setup3_Combo9, "Combo9", {"Command received from Base3 ", "send back to Base1 :"},
         kDisabledEnabled);
  b.list(F::setup3_Combo7, "Combo7",
         {"Remove comma,points and other", "exclamation from GPRS data :"}, kDisabledEnabled);
  b.list(F::setup3_Combo8, "Combo8", {"Send data using SMS if GPRS fails  :"}, kDisabledEnabled);
  b.list(F::setup3_Combo10, "Combo10", {"Enable commands from other Base", "Phone numbers:"},
         kDisabledEnabled);
  FieldRow& securityCode = b.text(F::setup3_Text4, "Text4", {"Security ID code (10 Digits):"}, 10);
  securityCode.initialText = "4815062937";
  securityCode.secret = true;
  b.list(F::setup3_Combo12, "Combo12",
         {"Realtime tracking using saved GPS", "locations (5 locations per message)"},
         kDisabledEnabled);
  b.list(F::setup3_Combo14, "Combo14", {"Disconnect GPRS when in sleep", "mode:"},
         kDisabledEnabled);
  b.list(F::setup3_Combo15, "Combo15", {"Stop real time tracking when", "roaming:"},
         kDisabledEnabled);
  b.text(F::setup3_Text25, "Text25", {"SIM PIN Code(4 Digits):", "(empty = none)"}, 4).secret =
      true;
  b.list(F::setup3_Combo11, "Combo11", {"Select GSM Band:"},
         {"Auto Scan (default)", "PGSM_MODE", "DCS_MODE", "PCS_MODE", "EGSM_DCS_MODE",
          "GSM850_PCS_MODE"});
  b.list(
      F::setup3_Combo13, "Combo13", {"Serial Port Data:"},
      {"Debug Mode with GSM output", "SMS Received as <TEXT0> (no Debug)", "SMS only (No Debug)"});

  for (std::size_t i = 0; i < b.rows.size(); ++i) {
    if (static_cast<std::size_t>(b.rows[i].field) != i)
      throw std::logic_error("field table out of the order of Field");
  }
  if (b.rows.size() != static_cast<std::size_t>(kFieldCount))
    throw std::logic_error("field table incomplete");
  return std::move(b.rows);
}

}  // namespace

const std::vector<FieldRow>& fieldTable() {
  static const std::vector<FieldRow> table = buildTable();
  return table;
}

const FieldRow& fieldRow(Field field) {
  return fieldTable().at(static_cast<std::size_t>(field));
}

const FieldRow* findField(Window window, std::string_view control) {
  for (const FieldRow& row : fieldTable()) {
    if (row.window == window && row.control == control) return &row;
  }
  return nullptr;
}

const char* windowName(Window window) {
  return window == Window::setup1 ? "setup1" : "setup3";
}

const char* windowCaption(Window window) {
  return window == Window::setup1 ? "View/ Setup/ Select Configuration"
                                  : "View/ Setup/ Select VOICE/ ADC Configuration";
}

const char* windowLabel(Window window) {
  return window == Window::setup1 ? "Configuration" : "Special functions";
}

std::string fieldLabel(Field field) {
  const FieldRow& entry = fieldRow(field);
  std::string caption = fieldCaption(field);
  if (caption.empty()) caption = entry.control;
  return std::string(windowLabel(entry.window)) + " / " + caption;
}

void applyStartupValues(Fields& fields) {
  for (const FieldRow& row : fieldTable()) {
    if (row.kind == Kind::Text) {
      fields.setText(row.field, row.initialText);
    } else {
      fields.setIndex(row.field, row.initialIndex);
    }
  }
}

std::string fieldCaption(Field field) {
  const FieldRow& entry = fieldRow(field);
  auto trimmed = [](std::string text) {
    while (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
  };
  if (!entry.accessibleName.empty()) return entry.accessibleName;
  std::string name;
  for (const std::string& line : entry.caption) {
    const std::string part = trimmed(line);
    if (part.empty() || (!name.empty() && part.front() == '(')) continue;
    name += (name.empty() ? "" : " ") + part;
  }
  return name;
}

}  // namespace config

#pragma once
// The one description of every configuration field: which window it lives in, its control name,
// caption, kind, maximum length, list items, value after the main window's startup, and where it
// stands in its window. The windows are laid out from it, and FieldStore follows it.
#include <string>
#include <string_view>
#include <vector>

#include "config/fields.h"

namespace config {

enum class Window { setup1, setup3 };
enum class Kind { Text, List };

struct FieldRow {
  Field field;
  Window window;
  std::string control;                 // "Text9", "Combo15"
  std::vector<std::string> caption{};  // zero, one or two lines beside (or above) the control
  Kind kind;
  int maxLength = 0;                 // text fields: 0 = no maximum
  std::vector<std::string> items{};  // list fields, in index order
  std::string initialText{};         // text fields, after startup (before it: empty)
  int initialIndex = -1;             // list fields, after startup (-1: none selected, as before)
  bool hidden = false;               // never shown, not in the tab order, still a field
  // A password, PIN or code that opens the unit, the SIM or the GPRS account: never written
  // into a trace, which goes to support.
  bool secret = false;
  // The name screen readers give the field where its caption alone does not say what it is.
  std::string accessibleName{};

  // Placement in the window.
  int column = 0;             // 0 = left
  std::string heading{};      // a heading shown above this field
  std::string suffix{};       // a text shown to the right of the control
  bool captionAbove = false;  // the caption stands above the control, which spans the column
  bool sameRow = false;       // stands in the row of the field before it
};

// Every field, in the order of the Field enumeration (column by column, top to bottom).
const std::vector<FieldRow>& fieldTable();
const FieldRow& fieldRow(Field field);
// The field as the user knows it: its caption on one line without the colon (a second line
// that is only a note in brackets left out), or its name for screen readers where the caption
// alone does not say it ("LAT2").
std::string fieldCaption(Field field);
// The field of a window by its control name; nullptr when there is none.
const FieldRow* findField(Window window, std::string_view control);

const char* windowName(Window window);     // "setup1", "setup3"
const char* windowCaption(Window window);  // the window's title
// The window as a technician names it in a sentence: "Configuration", "Special functions".
const char* windowLabel(Window window);
// A field as a technician finds it: its window and caption
// ("Configuration / Base Phone number 1"), its control where it has no caption.
std::string fieldLabel(Field field);

// The items of a voltage list: item k stands for 5 + k/3 volts.
std::vector<std::string> voltageItems(int count);

// Gives every configuration field its value after the main window's startup (the table's
// initial text or index). The only place those values are written.
void applyStartupValues(Fields& fields);

inline constexpr const char* kInitialPassword = "7391";
inline constexpr const char* kInitialVersion = "XXXX";

}  // namespace config

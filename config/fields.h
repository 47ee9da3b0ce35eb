#pragma once
// The configuration fields of the configuration window setup1 and the special functions window
// setup3, named by window and control. Fields is how the configuration is read and written:
// its store (config::FieldStore, which the two windows show and edit), validation, the
// configuration file, the image codec and the device exchange all go through it.
#include <string>

namespace config {

// In the order of the windows' columns, top to bottom; the hidden fields of setup1 last.
enum class Field {
  // setup1, left column
  setup1_Combo2,
  setup1_Text2,
  setup1_Text34,
  setup1_Text5,
  setup1_Text35,
  setup1_Combo6,
  setup1_Text3,
  setup1_Text4,
  setup1_Text32,
  setup1_Combo3,
  setup1_Text6,
  setup1_Text7,
  setup1_Text8,
  setup1_Combo4,
  setup1_Combo14,
  setup1_Combo13,
  setup1_Combo15,
  setup1_Combo16,
  setup1_Text33,
  // setup1, middle column
  setup1_Text29,
  setup1_Text30,
  setup1_Combo12,
  setup1_Text25,
  setup1_Combo8,
  setup1_Text24,
  setup1_Combo9,
  setup1_Text26,
  setup1_Combo10,
  setup1_Text23,
  setup1_Combo11,
  setup1_Text22,
  setup1_Text31,
  setup1_Combo7,
  setup1_Combo1,
  setup1_Text11,
  setup1_Text12,
  setup1_Text10,
  setup1_Text21,
  setup1_Text18,
  setup1_Text19,
  setup1_Combo17,
  // setup1, right column
  setup1_Text20,
  setup1_Text9,
  setup1_Text14,
  // setup1, hidden
  setup1_Text13,
  setup1_Text15,
  setup1_Combo5,
  // setup3, left column
  setup3_Combo2,
  setup3_Combo20,
  setup3_Text2,
  setup3_Text3,
  setup3_Combo4,
  setup3_Combo3,
  setup3_Text28,
  setup3_Text15,
  setup3_Combo1,
  setup3_Text1,
  // setup3, right column
  setup3_Combo5,
  setup3_Combo6,
  setup3_Combo9,
  setup3_Combo7,
  setup3_Combo8,
  setup3_Combo10,
  setup3_Text4,
  setup3_Combo12,
  setup3_Combo14,
  setup3_Combo15,
  setup3_Text25,
  setup3_Combo11,
  setup3_Combo13,
};
inline constexpr int kFieldCount = static_cast<int>(Field::setup3_Combo13) + 1;

// Reading and writing the fields, whether their window is shown or not. Texts are Latin-1.
class Fields {
 public:
  virtual ~Fields() = default;
  // A text field's text.
  virtual std::string text(Field field) const = 0;
  // Sets a text field's text, cut to the field's maximum length without a message.
  virtual void setText(Field field, const std::string& text) = 0;
  // A list field's selected index, -1 when none is selected.
  virtual int index(Field field) const = 0;
  // Selects the item at index (-1: none). False, and the selection kept, when no item has
  // that index.
  virtual bool setIndex(Field field, int index) = 0;
  // The version text of setup1 (Label2 beside "Version number : V").
  virtual std::string versionText() const = 0;
  virtual void setVersionText(const std::string& text) = 0;
};

}  // namespace config

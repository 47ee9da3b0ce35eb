#pragma once
// A configuration that passes every check, for the encoding and transfer tests.
#include "config/field_store.h"

namespace test {

inline config::FieldStore sampleFields() {
  using F = config::Field;
  config::FieldStore f;
  f.setText(F::setup1_Text2, "+27821234567");
  f.setText(F::setup1_Text34, "+27827654321");
  f.setText(F::setup1_Text35, "+27831000002");
  f.setText(F::setup1_Text3, "30");
  f.setText(F::setup1_Text4, "10");
  f.setText(F::setup1_Text32, "20");
  f.setText(F::setup1_Text6, "5");
  f.setText(F::setup1_Text7, "10");
  f.setText(F::setup1_Text8, "5");
  f.setIndex(F::setup1_Combo15, 18);
  f.setIndex(F::setup1_Combo16, 30);
  f.setText(F::setup1_Text33, "10");
  f.setText(F::setup1_Text29, "100");
  f.setText(F::setup1_Text30, "10");
  f.setText(F::setup1_Text25, "33.9245");
  f.setText(F::setup1_Text24, "33.8712");
  f.setText(F::setup1_Text26, "18.2541");
  f.setText(F::setup1_Text23, "18.5123");
  f.setText(F::setup1_Text22, "60");
  f.setText(F::setup1_Text31, "240");
  f.setText(F::setup1_Text11, "tracker.example.net");
  f.setText(F::setup1_Text12, "9000");
  f.setText(F::setup1_Text10, "9100");
  f.setText(F::setup1_Text21, "internet");
  f.setText(F::setup1_Text18, "guest");
  f.setText(F::setup1_Text19, "secret");
  f.setText(F::setup1_Text20, "9001");
  return f;
}

}  // namespace test

#include "config/encoding.h"

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "config/field_table.h"
#include "config/numeric.h"
#include "config/slot_limits.h"

namespace config {

namespace {

using F = Field;

const ui::Message kPinLength{"Invalid SIM PIN Code (must be 4 digits long)", "Error",
                             ui::Icon::Critical};
const ui::Message kPinDigits{"Invalid SIM PIN Code (Digits ONLY)", "Error", ui::Icon::Critical};

constexpr int kTerminator = 35;  // "#"

// A number too large for a double cannot be encoded: a run-time error like any other.
double number(std::string_view text) {
  const auto value = readNumber(text);
  if (!value) throw ImageError("number out of range");
  return *value;
}

// Rounded to the nearest whole number, halves to the even neighbour.
long long rounded(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 1e15) throw ImageError("number out of range");
  return static_cast<long long>(std::nearbyint(value));
}

long long length(const std::string& text) {
  return static_cast<long long>(text.size());
}

int code(char c) {
  return static_cast<unsigned char>(c);
}

// A value of a field that cannot be encoded, with the box that names the field.
struct FieldError {
  Field field;
  ui::Message message;
};

// Why a value cannot be encoded: `reason`, or the range the field's caption gives.
ui::Message unencodable(Field field, const char* reason) {
  std::string text = "Invalid " + fieldCaption(field);
  if (reason) {
    text += reason;
  } else if (fieldSpec(field).kind == Kind::List) {
    text += " (nothing selected)";
  } else if (text.find('(') == std::string::npos) {
    text += " (out of range)";
  }
  return {text, "Error", ui::Icon::Critical};
}

class Encoder {
 public:
  // With `problems`, a value that cannot be encoded is noted there and the encoding goes on;
  // without, it ends the encoding with a FieldError.
  Encoder(const Fields& fields, Image& image, const VoltageCodeTable& voltageCodes,
          std::vector<FieldError>* problems = nullptr)
      : fields_(fields), image_(image), voltageCodes_(voltageCodes), problems_(problems) {}

  std::string text(Field field) const { return fields_.text(field); }
  double value(Field field) const { return number(fields_.text(field)); }
  int index(Field field) const { return fields_.index(field); }

  void set(int at, long long value) { image_.set(at, value); }
  // A list's selected position; nothing selected is an error.
  void list(int at, Field field) {
    guarded(field, [&] {
      const int position = fields_.index(field);
      if (position < 0) throw ImageError("no item selected");
      image_.set(at, position);
    });
  }
  void byte(int at, Field field) {
    guarded(field, [&] { image_.set(at, rounded(value(field))); });
  }
  void word(int at, Field field) {
    guarded(field, [&] {
      const double v = value(field);
      if (v > 255) {
        const long long high = rounded(std::trunc(v / 256));
        image_.set(at, high);
        image_.set(at + 1, rounded(v - 256.0 * static_cast<double>(high)));
      } else {
        image_.set(at, 0);
        image_.set(at + 1, rounded(v));
      }
    });
  }
  // km/h into knots.
  void speed(int at, Field field) {
    guarded(field, [&] { image_.set(at, rounded(value(field) / 1.852)); });
  }
  void voltage(int at, Field field) {
    guarded(field, [&] { image_.set(at, voltageCodes_.codeAt(fields_.index(field))); });
  }
  // Whole degrees, then the first two and the next two decimals, each read as a number.
  void coordinate(int at, Field field) {
    guarded(
        field,
        [&] {
          const std::string t = text(field);
          const size_t point = t.find('.');
          if (point == std::string::npos) throw ImageError("coordinate without a point");
          auto part = [&t](size_t from, size_t count) {
            return from < t.size() ? t.substr(from, count) : std::string();
          };
          image_.set(at, rounded(number(t.substr(0, point))));
          image_.set(at + 1, rounded(number(part(point + 1, 2))));
          image_.set(at + 2, rounded(number(part(point + 3, 2))));
        },
        " (digits only after the point)");
  }
  // The characters from `at` on, none of them past the slot's `width`. A skipped blank keeps
  // its byte; blanks after the last other character take none.
  void characters(int at, int width, const std::string& t, bool skipBlanks = false) {
    const size_t end = skipBlanks ? t.find_last_not_of(' ') + 1 : t.size();
    if (static_cast<long long>(end) > width) throw ImageError("text longer than its slot");
    for (size_t i = 0; i < end; ++i) {
      if (skipBlanks && t[i] == ' ') continue;
      image_.set(at + static_cast<int>(i), code(t[i]));
    }
  }
  // The characters, then "#"; a text that fills its 16-byte slot ends with the slot.
  void terminated(int at, Field field) {
    const std::string t = text(field);
    characters(at, 16, t);
    if (t.size() < 16) image_.set(at + static_cast<int>(t.size()), kTerminator);
  }

 private:
  template <class Write>
  void guarded(Field field, Write write, const char* reason = nullptr) {
    try {
      write();
    } catch (const ImageError&) {
      FieldError error{field, unencodable(field, reason)};
      if (!problems_) throw error;
      problems_->push_back(std::move(error));
    }
  }

  const Fields& fields_;
  Image& image_;
  const VoltageCodeTable& voltageCodes_;
  std::vector<FieldError>* problems_;
};

// The SIM PIN: empty, or four digits. At most one of the two messages is shown.
bool pinAccepted(const std::string& pin, ui::Messages& messages) {
  if (!pin.empty() && pin.size() != 4) {
    messages.show(kPinLength);
    return false;
  }
  for (const char c : pin) {
    if (code(c) > 57 || code(c) < 48) {
      messages.show(kPinDigits);
      return false;
    }
  }
  return true;
}

// The checks that have no message of their own. All of them are made, whatever the earlier
// ones found; any failure refuses the configuration.
bool checksPass(const Encoder& e) {
  bool pass = true;
  auto fail = [&pass](bool failed) {
    if (failed) pass = false;
  };
  auto outside = [&e](Field field, double low, double high) {
    const double v = e.value(field);
    return v < low || v > high;
  };
  auto len = [&e](Field field) { return length(e.text(field)); };

  fail(len(F::setup3_Text4) != 10);
  fail(outside(F::setup3_Text28, 0, 255));
  fail(outside(F::setup1_Text29, 0, 183));
  fail(outside(F::setup1_Text30, 0, 255));
  fail(outside(F::setup1_Text25, 0, 90) || len(F::setup1_Text25) < 6 || len(F::setup1_Text25) > 7);
  fail(outside(F::setup1_Text24, 0, 90) || len(F::setup1_Text24) < 6 || len(F::setup1_Text24) > 7);
  fail(outside(F::setup1_Text26, 0, 180) || len(F::setup1_Text26) < 6 || len(F::setup1_Text26) > 8);
  fail(outside(F::setup1_Text23, 0, 180) || len(F::setup1_Text23) < 6 || len(F::setup1_Text23) > 8);
  for (const Field field : {F::setup1_Text25, F::setup1_Text24, F::setup1_Text26, F::setup1_Text23})
    fail(e.text(field).find('.') == std::string::npos);
  for (const Field field : {F::setup1_Text12, F::setup1_Text20, F::setup1_Text10})
    fail(e.value(field) > 65535);
  fail(outside(F::setup1_Text32, 3, 255));
  fail(outside(F::setup1_Text22, 0, 16383));
  fail(outside(F::setup1_Text31, 0, 16383));
  fail(outside(F::setup3_Text15, 0, 65535));
  fail(len(F::setup1_Text2) > 16 || len(F::setup1_Text2) < 3);
  for (const Field field : {F::setup1_Text34, F::setup1_Text5, F::setup1_Text35})
    fail(len(field) > 16);
  fail(e.text(F::setup1_Text34).empty() && e.index(F::setup3_Combo5) == 1);
  fail(e.text(F::setup1_Text5).empty() && e.index(F::setup3_Combo6) == 1);
  const std::string smsc = e.text(F::setup1_Text35);
  fail(!smsc.empty() && smsc.front() != '+');
  fail(outside(F::setup1_Text3, 1, 240));
  fail(outside(F::setup1_Text4, 1, 240));
  fail(outside(F::setup1_Text33, 0, 255));
  fail(outside(F::setup1_Text6, 1, 240));
  fail(outside(F::setup1_Text7, 0, 240));
  fail(outside(F::setup1_Text8, 1, 240));
  fail(len(F::setup1_Text21) > 32);
  fail(len(F::setup1_Text18) > 24);
  fail(len(F::setup1_Text19) > 16);
  fail(len(F::setup1_Text9) != 4);
  fail(len(F::setup1_Text14) > 4);

  return pass;
}

// No field may spill into another's bytes: each text that could is refused with a box that
// names it and its limit, the one the configuration window's check shows.
bool slotsFit(const Fields& fields, ui::Messages& messages) {
  bool fit = true;
  for (const SlotLimit& limit : slotLimits()) {
    if (!slotExceeded(limit, fields)) continue;
    messages.show(limit.message, "Error", ui::Icon::Critical);
    fit = false;
  }
  return fit;
}

// Every field into its bytes, in an order that decides what a partly written image holds when
// a value cannot be encoded.
void encode(Encoder& e) {
  e.characters(0, 4, "L007");  // indices 1 to 3 are written again below
  for (int at = 320; at <= 326; ++at) e.set(at, 0);
  const std::string dns1 = e.text(F::setup1_Text13);
  if (dns1.size() > 3) {
    e.characters(336, 16, dns1);
    const std::string dns2 = e.text(F::setup1_Text15);
    if (dns2.size() > 3) e.characters(352, 16, dns2);
  }
  e.list(79, F::setup1_Combo5);
  e.set(8, 0);
  e.list(10, F::setup1_Combo2);
  e.terminated(16, F::setup1_Text2);
  e.terminated(256, F::setup1_Text34);
  e.terminated(304, F::setup3_Text1);
  const std::string pin = e.text(F::setup3_Text25);
  if (pin.size() == 4) {
    e.characters(155, 4, pin);
  } else {
    e.set(155, 0);
  }
  e.terminated(288, F::setup1_Text5);
  e.terminated(272, F::setup1_Text35);
  e.set(76, 0);
  e.list(78, F::setup3_Combo1);
  e.set(32, 0);
  e.list(15, F::setup1_Combo1);
  e.set(165, 0);
  e.set(166, 0);
  e.voltage(54, F::setup1_Combo15);
  e.voltage(55, F::setup1_Combo16);
  e.byte(56, F::setup1_Text33);
  e.list(75, F::setup3_Combo20);
  e.byte(33, F::setup1_Text3);
  e.byte(34, F::setup1_Text4);
  e.list(35, F::setup1_Combo3);
  e.byte(36, F::setup1_Text6);
  e.byte(38, F::setup1_Text7);
  e.byte(39, F::setup1_Text8);
  e.list(40, F::setup1_Combo6);
  e.set(41, 0);
  e.set(42, 16);
  e.set(43, 0);
  e.list(60, F::setup1_Combo17);
  e.list(61, F::setup3_Combo5);
  e.list(62, F::setup3_Combo6);
  e.list(52, F::setup1_Combo14);
  e.set(44, 20);
  e.set(45, 10);
  e.list(46, F::setup1_Combo4);
  e.list(50, F::setup3_Combo11);
  e.list(63, F::setup3_Combo9);
  e.byte(53, F::setup1_Text32);
  // Blanks are left out of the address and the ports: their bytes keep 255.
  for (const auto& [at, width, field] :
       {std::tuple{96, 48, F::setup1_Text11}, std::tuple{64, 5, F::setup1_Text12},
        std::tuple{160, 5, F::setup1_Text10}}) {
    const std::string t = e.text(field);
    if (!t.empty()) e.characters(at, width, t, true);
  }
  e.word(218, F::setup1_Text22);
  e.word(208, F::setup3_Text15);
  e.word(2, F::setup1_Text31);
  e.list(220, F::setup3_Combo7);
  e.list(221, F::setup3_Combo8);
  e.list(1, F::setup1_Combo13);
  e.list(167, F::setup3_Combo13);
  e.byte(93, F::setup3_Text28);
  e.speed(94, F::setup1_Text29);
  e.byte(222, F::setup1_Text30);
  e.list(95, F::setup1_Combo12);
  e.coordinate(4, F::setup1_Text25);
  e.list(7, F::setup1_Combo8);
  e.coordinate(11, F::setup1_Text24);
  e.list(14, F::setup1_Combo9);
  e.list(48, F::setup3_Combo3);
  e.list(8, F::setup3_Combo14);
  e.list(9, F::setup3_Combo15);
  e.coordinate(85, F::setup1_Text26);
  e.list(88, F::setup1_Combo10);
  e.coordinate(89, F::setup1_Text23);
  e.list(92, F::setup1_Combo11);
  e.list(77, F::setup1_Combo7);
  const std::string osPort = e.text(F::setup1_Text20);
  if (!osPort.empty()) e.characters(69, 5, osPort, true);
  const std::string apn = e.text(F::setup1_Text21);
  if (!apn.empty()) e.characters(224, 32, apn);
  e.characters(168, 24, e.text(F::setup1_Text18));
  e.characters(192, 16, e.text(F::setup1_Text19));
  const std::string newPassword = e.text(F::setup1_Text14);
  e.characters(211, 4,
               newPassword.size() == 4 ? newPassword : e.text(F::setup1_Text9).substr(0, 4));
  e.list(216, F::setup3_Combo2);
  e.set(217, e.index(F::setup3_Combo3) == 1 ? 1 : 0);
  e.byte(58, F::setup3_Text2);
  e.byte(57, F::setup3_Text3);
  e.list(59, F::setup3_Combo4);
  e.list(47, F::setup3_Combo10);
  e.characters(144, 10, e.text(F::setup3_Text4).substr(0, 10));
  e.list(74, F::setup3_Combo12);
  e.set(210, 0);
  e.set(37, 0);
}

}  // namespace

bool encodeConfiguration(const Fields& fields, Image& image, VoltageCodeTable& voltageCodes,
                         ui::Messages& messages) {
  voltageCodes.build();
  Encoder encoder(fields, image, voltageCodes);
  try {
    const bool pinOk = pinAccepted(fields.text(F::setup3_Text25), messages);
    const bool checksOk = checksPass(encoder);
    if (!slotsFit(fields, messages) || !checksOk || !pinOk) {
      messages.show(kInvalidConfiguration);
      return false;
    }
    image.fill(0, kDownloadedBytes - 1, 255);
    encode(encoder);
  } catch (const FieldError& error) {
    messages.show(error.message);
    messages.show(kInvalidConfiguration);
    return false;
  } catch (const ImageError&) {
    messages.show(kInvalidConfiguration);
    return false;
  }
  return true;
}

bool showEncodingProblems(const Fields& fields, ui::Messages& messages) {
  Image scratch;
  VoltageCodeTable voltageCodes;
  voltageCodes.build();
  std::vector<FieldError> problems;
  Encoder encoder(fields, scratch, voltageCodes, &problems);
  try {
    scratch.fill(0, kDownloadedBytes - 1, 255);
    encode(encoder);
  } catch (const ImageError&) {
    // Only a text too long for its slot gets here, and the slot rules have reported it.
    messages.show(kInvalidConfiguration);
    return true;
  }
  for (const FieldError& problem : problems) messages.show(problem.message);
  return !problems.empty();
}

}  // namespace config

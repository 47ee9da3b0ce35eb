#include "config/encoding.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_table.h"
#include "config/validation.h"
#include "records/numeric.h"

namespace config {

namespace {

constexpr int kTerminator = 35;  // "#"

// A number too large for a double cannot be encoded: a run-time error like any other.
double number(std::string_view text) {
  const auto value = records::readNumber(text);
  if (!value) throw ImageError("number out of range");
  return *value;
}

// Rounded to the nearest whole number, halves to the even neighbour.
long long rounded(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 1e15) throw ImageError("number out of range");
  return static_cast<long long>(std::nearbyint(value));
}

int code(char c) {
  return static_cast<unsigned char>(c);
}

// A value of a field that cannot be encoded, with the reason.
struct FieldError {
  EncodingProblem problem;
};

class Encoder {
 public:
  // With `problems`, a value that cannot be encoded is noted there and the encoding goes on;
  // without, it ends the encoding with a FieldError.
  Encoder(const Fields& fields, Image& image, const VoltageCodeTable& voltageCodes,
          std::vector<FieldError>* problems = nullptr)
      : fields_(fields), image_(image), voltageCodes_(voltageCodes), problems_(problems) {}

  // One step of the write order.
  void write(const Write& step) {
    switch (step.kind) {
      case Write::Header:
        characters(kHeaderIndex, static_cast<int>(kHeader.size()), std::string(kHeader));
        break;
      case Write::Constant:
        image_.fill(step.slot->index, step.slot->last(), step.slot->value);
        break;
      case Write::Zero:
        image_.set(step.slot->index, 0);
        break;
      case Write::FieldSlot:
        field(*step.slot);
        break;
    }
  }

 private:
  // The slot's field into its bytes, as the slot's format says.
  void field(const Slot& slot) {
    const Field f = *slot.field;
    const int at = slot.index;
    switch (slot.format) {
      case Format::ListPosition:
        return list(at, f);
      case Format::Flag:
        return image_.set(at, fields_.index(f) == 1 ? 1 : 0);
      case Format::ByteValue:
      case Format::ByteValuePlain:
        return guarded(f, [&] { image_.set(at, rounded(value(f))); });
      case Format::Word:
        return word(at, f);
      case Format::SpeedCode:  // km/h into knots
        return guarded(f, [&] { image_.set(at, rounded(value(f) / 1.852)); });
      case Format::VoltageCode:
        return guarded(f, [&] { image_.set(at, voltageCodes_.codeAt(fields_.index(f))); });
      case Format::Coordinate:
        return coordinate(at, f);
      case Format::TerminatedText:
        return terminated(slot, text(f));
      case Format::FilledText:
        return characters(at, slot.width, text(f));
      // Blanks are left out of the address and the ports: their bytes keep 255.
      case Format::FilledTextBlanksSkipped:
        return characters(at, slot.width, text(f), true);
      case Format::FilledTextLong:
        if (text(f).size() > 3 && (!slot.partner || text(*slot.partner).size() > 3))
          characters(at, slot.width, text(f));
        return;
      case Format::FixedText:
        return characters(at, slot.width, text(f).substr(0, static_cast<size_t>(slot.width)));
      case Format::Pin:
        if (text(f).size() == static_cast<size_t>(slot.width))
          return characters(at, slot.width, text(f));
        return image_.set(at, 0);
      case Format::Password: {
        const std::string chosen = text(f);
        const size_t width = static_cast<size_t>(slot.width);
        return characters(at, slot.width,
                          chosen.size() == width ? chosen : text(*slot.partner).substr(0, width));
      }
      case Format::Constant:
      case Format::Spare:
      case Format::LastByte:
      case Format::Unused:
        break;
    }
    throw std::logic_error("a slot without a field in the write order");
  }

  std::string text(Field field) const { return fields_.text(field); }
  double value(Field field) const { return number(fields_.text(field)); }

  // A list's selected position; nothing selected is an error.
  void list(int at, Field field) {
    guarded(field, [&] {
      const int position = fields_.index(field);
      if (position < 0) throw ImageError("no item selected");
      image_.set(at, position);
    });
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
        Unencodable::DigitsAfterThePoint);
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
  // The characters, then "#"; a text that fills its slot ends with the slot.
  void terminated(const Slot& slot, const std::string& t) {
    characters(slot.index, slot.width, t);
    if (t.size() < static_cast<size_t>(slot.width))
      image_.set(slot.index + static_cast<int>(t.size()), kTerminator);
  }

  template <class Step>
  void guarded(Field field, Step write, Unencodable why = Unencodable::OutOfRange) {
    try {
      write();
    } catch (const ImageError&) {
      if (fieldRow(field).kind == Kind::List) why = Unencodable::NothingSelected;
      FieldError error{{field, why}};
      if (!problems_) throw error;
      problems_->push_back(std::move(error));
    }
  }

  const Fields& fields_;
  Image& image_;
  const VoltageCodeTable& voltageCodes_;
  std::vector<FieldError>* problems_;
};

// Every field into its bytes, in the layout's write order.
void encode(Encoder& e) {
  for (const Write& step : writeOrder()) e.write(step);
}

}  // namespace

EncodingOutcome encodeConfiguration(const Fields& fields, Image& image,
                                    VoltageCodeTable& voltageCodes) {
  voltageCodes.build();
  EncodingOutcome outcome{false, downloadRuleProblems(fields)};
  if (!outcome.problems.empty()) return outcome;
  Encoder encoder(fields, image, voltageCodes);
  try {
    image.fill(0, kDownloadedBytes - 1, 255);
    encode(encoder);
  } catch (const FieldError&) {
    outcome.problems = unencodableProblems(fields);
    return outcome;
  } catch (const ImageError&) {
    outcome.problems = unencodableProblems(fields);
    return outcome;
  }
  outcome.encoded = true;
  return outcome;
}

std::vector<EncodingProblem> encodingProblems(const Fields& fields) {
  std::vector<FieldError> errors;
  Image scratch;
  VoltageCodeTable voltageCodes;
  voltageCodes.build();
  Encoder encoder(fields, scratch, voltageCodes, &errors);
  try {
    scratch.fill(0, kDownloadedBytes - 1, 255);
    encode(encoder);
  } catch (const ImageError&) {
    // A text too long for its slot: the download's rules name it, not the encoding.
  }
  std::vector<EncodingProblem> found;
  for (const FieldError& error : errors) found.push_back(error.problem);
  return found;
}

std::optional<std::vector<std::uint8_t>> heldBytes(const Fields& fields, Field field) {
  std::vector<FieldError> errors;
  Image scratch;
  VoltageCodeTable voltageCodes;
  voltageCodes.build();
  Encoder encoder(fields, scratch, voltageCodes, &errors);
  std::vector<std::uint8_t> bytes;
  try {
    scratch.fill(0, kDownloadedBytes - 1, 255);
    for (const Write& step : writeOrder()) {
      if (step.kind != Write::FieldSlot || step.slot->field != field) continue;
      encoder.write(step);
      for (int i = step.slot->index; i <= step.slot->last(); ++i)
        bytes.push_back(static_cast<std::uint8_t>(scratch.at(i)));
    }
  } catch (const ImageError&) {
    return std::nullopt;
  }
  if (bytes.empty() || !errors.empty()) return std::nullopt;
  return bytes;
}

std::string encodingProblemText(const EncodingProblem& problem) {
  std::string text = "Invalid " + fieldCaption(problem.field);
  switch (problem.why) {
    case Unencodable::NothingSelected:
      text += " (nothing selected)";
      break;
    case Unencodable::DigitsAfterThePoint:
      text += " (digits only after the point)";
      break;
    case Unencodable::OutOfRange:
      // A caption that gives its range says it already.
      if (text.find('(') == std::string::npos) text += " (out of range)";
      break;
  }
  return text;
}

std::string allowedInstead(Unencodable why) {
  switch (why) {
    case Unencodable::NothingSelected:
      return "an item selected";
    case Unencodable::DigitsAfterThePoint:
      return "digits only after the point";
    case Unencodable::OutOfRange:
      break;
  }
  return "a number the unit's bytes can hold";
}

}  // namespace config

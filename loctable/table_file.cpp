#include "loctable/table_file.h"

#include <cctype>
#include <cstdio>

#include "config/config_file.h"
#include "config/numeric.h"
#include "config/record_reader.h"
#include "config/safe_file.h"
#include "ui/messages.h"

namespace loctable {

namespace {

// A decimal number and nothing else: sign, digits with an optional point (or a point and
// digits), an optional exponent with E or D.
bool isDecimalNumber(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  auto digits = [&] {
    const size_t start = i;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i - start;
  };
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t mantissa = digits();
  if (i < n && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == n;
}

}  // namespace

std::string tableField(const std::string& text) {
  std::string field = config::textRecord(text);
  field.resize(field.size() - 2);  // its CR LF
  return field;
}

std::string tableText(const Cells& cells) {
  std::string out;
  out.reserve(kRows * 24);
  for (int row = 0; row < kRows; ++row) {
    out += tableField(cells.cell(row, 0)) + ',' + tableField(cells.cell(row, 1)) + ',' +
           tableField(cells.cell(row, 2)) + "\r\n";
  }
  return out;
}

bool saveTable(const Cells& cells, const std::string& path, ui::Messages& messages) {
  // The old file is replaced only once the whole table is written.
  const bool saved = config::replaceFile(path, tableText(cells));
  if (saved) {
    messages.show("Configuration has been Saved", "Saved", ui::Icon::Information);
  } else {
    messages.show("Error saving File !", "Error", ui::Icon::Critical);
  }
  return saved;
}

std::string loadedCellText(const std::string& field, bool quoted) {
  if (quoted || !isDecimalNumber(field)) return field;
  const std::optional<double> value = config::readNumber(field);
  if (!value) return field;
  if (*value == 0) return "0";
  char text[40];
  std::snprintf(text, sizeof text, "%.15G", *value);
  return text;
}

bool applyTableText(Cells& cells, std::string bytes) {
  config::RecordReader reader(std::move(bytes));
  for (int row = 0; row < kRows; ++row) {
    const std::optional<config::Record> id = reader.next();
    const std::optional<config::Record> latitude = reader.next();
    const std::optional<config::Record> longitude = reader.next();
    if (!id || !latitude || !longitude) return false;
    cells.setCell(row, 1, loadedCellText(latitude->text, latitude->quoted));
    cells.setCell(row, 2, loadedCellText(longitude->text, longitude->quoted));
  }
  return true;
}

bool loadTable(Cells& cells, const std::string& path, ui::Messages& messages) {
  std::optional<std::string> bytes = config::readWholeFile(path);
  const bool loaded = bytes && applyTableText(cells, std::move(*bytes));
  if (!loaded) messages.show("Error loading file", "Error", ui::Icon::Critical);
  return loaded;
}

}  // namespace loctable

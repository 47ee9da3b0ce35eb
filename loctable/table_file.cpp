#include "loctable/table_file.h"

#include <cstdio>

#include "records/numeric.h"
#include "records/safe_file.h"
#include "records/text_records.h"

namespace loctable {

std::string tableField(const std::string& text) {
  return records::quotedRecord(text);
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

records::FileOutcome saveTable(const Cells& cells, const std::string& path) {
  // The old file is replaced only once the whole table is written.
  std::string why;
  if (records::replaceFile(path, tableText(cells), &why)) return {};
  return {records::FileOutcome::Status::Refused, why};
}

std::string loadedCellText(const std::string& field, bool quoted) {
  if (quoted || !records::isDecimalNumber(field)) return field;
  const std::optional<double> value = records::readNumber(field);
  if (!value) return field;
  if (*value == 0) return "0";
  char text[40];
  std::snprintf(text, sizeof text, "%.15G", *value);
  return text;
}

namespace {
std::string cut(std::string text) {
  if (text.size() > kMaxLoadedCell) text.resize(kMaxLoadedCell);
  return text;
}
}  // namespace

bool applyTableText(Cells& cells, std::string bytes, int* rows, std::string* why) {
  records::RecordReader reader(std::move(bytes));
  int set = 0;
  if (!rows) rows = &set;
  *rows = 0;
  for (int row = 0; row < kRows; ++row) {
    const std::optional<records::Record> id = reader.next();
    const std::optional<records::Record> latitude = reader.next();
    const std::optional<records::Record> longitude = reader.next();
    if (!id || !latitude || !longitude) {
      if (why) {
        const int read = 3 * row + (id ? 1 : 0) + (latitude ? 1 : 0);
        *why = "the file ends after " + std::to_string(read) + " of " + std::to_string(3 * kRows) +
               " fields";
      }
      return false;
    }
    cells.setCell(row, 1, loadedCellText(cut(latitude->text), latitude->quoted));
    cells.setCell(row, 2, loadedCellText(cut(longitude->text), longitude->quoted));
    *rows = row + 1;
  }
  return true;
}

records::FileOutcome loadTable(Cells& cells, const std::string& path, int* rows) {
  if (rows) *rows = 0;
  std::string why;
  std::optional<std::string> bytes = records::readWholeFile(path, &why);
  if (!bytes) return {records::FileOutcome::Status::Refused, why};
  if (!applyTableText(cells, std::move(*bytes), rows, &why))
    return {records::FileOutcome::Status::Malformed, why};
  return {};
}

}  // namespace loctable

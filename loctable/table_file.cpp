#include "loctable/table_file.h"

#include <cstdio>

#include "messages/file_messages.h"
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

bool saveTable(const Cells& cells, const std::string& path, ui::Messages& messages) {
  // The old file is replaced only once the whole table is written.
  return ui::reportSave(records::replaceFile(path, tableText(cells)), messages,
                        {"Error saving File !", "Error", ui::Icon::Critical});
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

bool applyTableText(Cells& cells, std::string bytes, int* rows) {
  records::RecordReader reader(std::move(bytes));
  int set = 0;
  if (!rows) rows = &set;
  *rows = 0;
  for (int row = 0; row < kRows; ++row) {
    const std::optional<records::Record> id = reader.next();
    const std::optional<records::Record> latitude = reader.next();
    const std::optional<records::Record> longitude = reader.next();
    if (!id || !latitude || !longitude) return false;
    cells.setCell(row, 1, loadedCellText(cut(latitude->text), latitude->quoted));
    cells.setCell(row, 2, loadedCellText(cut(longitude->text), longitude->quoted));
    *rows = row + 1;
  }
  return true;
}

bool loadTable(Cells& cells, const std::string& path, ui::Messages& messages, int* rows) {
  if (rows) *rows = 0;
  std::optional<std::string> bytes = records::readWholeFile(path);
  const bool loaded = bytes && applyTableText(cells, std::move(*bytes), rows);
  if (!loaded) messages.show(ui::kErrorLoadingFile);
  return loaded;
}

}  // namespace loctable

// The GPS table file reader on any bytes. Rules checked:
// - a load writes only coordinate cells, row by row in table order, never an ID; whatever it
//   wrote before a failure stays, and a row it never reached keeps its cells;
// - the table file saved from whatever was loaded always loads again, and saving that gives
//   the same bytes;
// - a bare field read as a number gives a text that is its own normal form and stands for the
//   same number to 15 significant digits.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "loctable/cell_store.h"
#include "loctable/table_file.h"
#include "records/numeric.h"
#include "records/text_records.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Passes everything on to a store and notes the cells written, in order.
class NotingCells : public loctable::Cells {
 public:
  explicit NotingCells(loctable::CellStore& store) : store_(store) {}
  using Cells::cell;
  using Cells::setCell;
  std::string cell(int index) const override { return store_.cell(index); }
  void setCell(int index, const std::string& text) override {
    FUZZ_CHECK(index >= 0 && index < loctable::kCellCount);
    written.push_back(index);
    store_.setCell(index, text);
  }
  std::vector<int> written;

 private:
  loctable::CellStore& store_;
};

void checkNumberText(const std::string& field) {
  const std::string text = loctable::loadedCellText(field, false);
  if (text == field) return;
  FUZZ_CHECK(loctable::loadedCellText(text, false) == text);
  const std::optional<double> original = records::readNumber(field);
  const std::optional<double> shown = records::readNumber(text);
  FUZZ_CHECK(original && shown);
  const double tolerance = std::fmax(std::fabs(*original) * 1e-14, DBL_MIN);
  FUZZ_CHECK(std::fabs(*original - *shown) <= tolerance);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  records::RecordReader reader(bytes);
  while (const std::optional<records::Record> record = reader.next()) {
    if (!record->quoted) checkNumberText(record->text);
  }

  const loctable::CellStore before;
  loctable::CellStore store;
  NotingCells noting(store);
  const bool loaded = loctable::applyTableText(noting, bytes);

  // Row by row: latitude, longitude; all 100 rows on success.
  for (std::size_t k = 0; k < noting.written.size(); ++k) {
    FUZZ_CHECK(noting.written[k] == static_cast<int>(k / 2 * 3 + 1 + k % 2));
  }
  if (loaded) FUZZ_CHECK(noting.written.size() == 2 * loctable::kRows);
  for (int index = static_cast<int>(noting.written.size() / 2 * 3); index < loctable::kCellCount;
       ++index) {
    FUZZ_CHECK(store.cell(index) == before.cell(index));
  }
  for (int row = 0; row < loctable::kRows; ++row) {
    FUZZ_CHECK(store.cell(row, 0) == before.cell(row, 0));
  }

  const std::string saved = loctable::tableText(store);
  loctable::CellStore again;
  FUZZ_CHECK(loctable::applyTableText(again, saved));
  FUZZ_CHECK(loctable::tableText(again) == saved);
  return 0;
}

// The GPS location table upload on any characters from the unit, cut into reads in any way.
// Rules checked:
// - the upload ends by itself within 8 ticks of the last character, no error escapes it, and
//   it hides its progress button;
// - it says "Upload succesful !" exactly when 1200 reads came, "Error upload !" otherwise;
// - it answers every read but the 1200th with "N", and sends nothing else;
// - it writes coordinate cells only, never an ID and never outside the table; a coordinate it
//   never began keeps its old text; a finished coordinate holds no blank, is "255" when its
//   degrees are 255, and is degrees "." two digits two digits when all six characters are
//   hexadecimal digits and both decimal bytes are at most 99.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/hex.h"
#include "device/table_upload.h"
#include "loctable/cell_store.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_link.h"

namespace {

constexpr int kDigits = 1200;

class CheckedCells : public loctable::Cells {
 public:
  CheckedCells() {
    for (int index = 0; index < loctable::kCellCount; ++index) {
      store_.setCell(index, "old" + std::to_string(index));
    }
  }
  using Cells::cell;
  using Cells::setCell;
  std::string cell(int index) const override {
    FUZZ_CHECK(index >= 0 && index < loctable::kCellCount);
    return store_.cell(index);
  }
  void setCell(int index, const std::string& text) override {
    FUZZ_CHECK(index >= 0 && index < loctable::kCellCount && index % loctable::kColumns != 0);
    store_.setCell(index, text);
  }

 private:
  loctable::CellStore store_;
};

int hexValue(char c) {
  return c <= '9' ? c - '0' : c - 'A' + 10;
}

std::string twoDigits(int value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> input = fuzzing::pieces(data, size);
  fuzzing::MemoryPort port;
  device::Link link(port);
  fuzzing::MemoryHost host;
  CheckedCells cells;

  const fuzzing::Ending ending =
      fuzzing::drive(link, port, device::tableUpload(host.context(link), &cells), input, 20);
  FUZZ_CHECK(ending.ended && !ending.escaped && ending.ticksAfterInput <= 8);
  FUZZ_CHECK(port.settings() == device::kSettings38400);

  const int reads = port.reads;
  FUZZ_CHECK(reads <= kDigits && reads <= static_cast<int>(input.size()));
  FUZZ_CHECK(port.written == std::string(reads < kDigits ? reads : kDigits - 1, 'N'));
  long long damaged = 0;
  for (int k = 0; k < reads; ++k) damaged += device::isHexDigit(input[k].front()) ? 0 : 1;
  FUZZ_CHECK(host.result.damaged == damaged);
  FUZZ_CHECK(host.result.ending == (reads < kDigits ? device::Ending::TimedOut
                                    : damaged > 0   ? device::Ending::Damaged
                                                    : device::Ending::Finished));

  // The digit of each read: the first character of its piece.
  for (int coordinate = 0; coordinate < kDigits / 6; ++coordinate) {
    const int index = coordinate / 2 * loctable::kColumns + 1 + coordinate % 2;
    const int first = 6 * coordinate;
    const std::string text = cells.cell(index);
    if (reads < first + 2) {
      FUZZ_CHECK(text == "old" + std::to_string(index));
      continue;
    }
    if (reads < first + 6) continue;  // still showing its partial text
    std::string digits;
    for (int k = first; k < first + 6; ++k) digits += input[k].front();
    bool hex = true;
    for (char c : digits) hex = hex && device::isHexDigit(c);
    // A coordinate with noise in it never reaches its cell.
    if (!hex) {
      FUZZ_CHECK(text == "old" + std::to_string(index));
      continue;
    }
    FUZZ_CHECK(text.find(' ') == std::string::npos);
    const int degrees = 16 * hexValue(digits[0]) + hexValue(digits[1]);
    const int high = 16 * hexValue(digits[2]) + hexValue(digits[3]);
    const int low = 16 * hexValue(digits[4]) + hexValue(digits[5]);
    if (degrees == 255) {
      FUZZ_CHECK(text == loctable::kEmptyMarker);
    } else if (high <= 99 && low <= 99) {
      FUZZ_CHECK(text == std::to_string(degrees) + "." + twoDigits(high) + twoDigits(low));
    }
  }
  return 0;
}

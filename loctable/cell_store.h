#pragma once
// The GPS location table held in memory, without any window: what the tests and the benchmark
// use in place of the grid of setup2. It starts with the table's startup content.
#include <array>
#include <string>

#include "loctable/cells.h"

namespace loctable {

// The startup content: row n holds the ID n and the empty marker in both coordinates.
void fillStartupContent(Cells& cells);

class CellStore : public Cells {
 public:
  CellStore();
  using Cells::cell;
  using Cells::setCell;
  // An index outside 0 to 299 reads as empty and is not written.
  std::string cell(int index) const override;
  void setCell(int index, const std::string& text) override;

 private:
  std::array<std::string, kCellCount> cells_;
};

}  // namespace loctable

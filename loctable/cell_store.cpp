#include "loctable/cell_store.h"

namespace loctable {

void fillStartupContent(Cells& cells) {
  for (int row = 0; row < kRows; ++row) {
    cells.setCell(row, 0, std::to_string(row));
    cells.setCell(row, 1, kEmptyMarker);
    cells.setCell(row, 2, kEmptyMarker);
  }
}

CellStore::CellStore() {
  fillStartupContent(*this);
}

std::string CellStore::cell(int index) const {
  if (index < 0 || index >= kCellCount) return {};
  return cells_[static_cast<size_t>(index)];
}

void CellStore::setCell(int index, const std::string& text) {
  if (index < 0 || index >= kCellCount) return;
  cells_[static_cast<size_t>(index)] = text;
  if (changed_) changed_(index);
  if (afterChange_) afterChange_();
}

}  // namespace loctable

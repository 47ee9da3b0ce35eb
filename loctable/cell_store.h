#pragma once
// The GPS location table held in memory: the table of both programs. The grid of setup2 shows it
// and writes every edit back. It starts with the table's startup content.
#include <array>
#include <functional>
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

  // Told of every cell written, by its index: the grid that shows the store follows it.
  void onChange(std::function<void(int index)> handler) { changed_ = std::move(handler); }
  // Told after every change too, whoever made it: the keeper of the technician's unsaved edits.
  void afterChange(std::function<void()> handler) { afterChange_ = std::move(handler); }

 private:
  std::array<std::string, kCellCount> cells_;
  std::function<void(int)> changed_;
  std::function<void()> afterChange_;
};

}  // namespace loctable

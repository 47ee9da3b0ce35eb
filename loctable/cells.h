#pragma once
// The GPS location table: 100 rows of three text cells (ID, Latitude, Longitude), addressed by
// cell index = row * 3 + column (0 to 299). Cells is how the table is read and written: its
// store (loctable::CellStore, which the grid of setup2 shows and edits), the transfers and the
// table file all go through it.
#include <string>

namespace loctable {

inline constexpr int kRows = 100;
inline constexpr int kColumns = 3;
inline constexpr int kCellCount = kRows * kColumns;
// A coordinate cell that holds no location.
inline constexpr const char* kEmptyMarker = "255";

class Cells {
 public:
  virtual ~Cells() = default;
  virtual std::string cell(int index) const = 0;
  virtual void setCell(int index, const std::string& text) = 0;
  std::string cell(int row, int column) const { return cell(row * kColumns + column); }
  void setCell(int row, int column, const std::string& text) {
    setCell(row * kColumns + column, text);
  }
};

}  // namespace loctable

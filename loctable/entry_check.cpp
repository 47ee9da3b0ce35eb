#include "loctable/entry_check.h"

#include <cmath>

#include "loctable/cells.h"
#include "records/numeric.h"

namespace loctable {

bool tooManyDecimals(std::string_view text) {
  const size_t point = text.find('.');
  return point != std::string_view::npos && text.size() - point - 1 > kMaxDecimals;
}

int coordinateLimit(int column) {
  return column == 1 ? 90 : 180;
}

bool coordinateInRange(int column, double value) {
  return (value >= 0 && value <= coordinateLimit(column)) || std::trunc(value) == 255;
}

std::optional<std::string> acceptedEntry(const std::string& typed) {
  const std::optional<double> value = records::readNumber(typed);
  if (!value || !(std::fabs(*value) < 256)) return std::nullopt;
  if (tooManyDecimals(typed)) return std::nullopt;
  if (typed.empty()) return std::string(kEmptyMarker);
  return typed;
}

}  // namespace loctable

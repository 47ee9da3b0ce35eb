#include "loctable/entry_check.h"

#include <cmath>

#include "loctable/cells.h"
#include "records/numeric.h"

namespace loctable {

std::optional<std::string> acceptedEntry(const std::string& typed) {
  const std::optional<double> value = records::readNumber(typed);
  if (!value || !(std::fabs(*value) < 256)) return std::nullopt;
  const size_t point = typed.find('.');
  if (point != std::string::npos && typed.size() - point - 1 >= 5) return std::nullopt;
  if (typed.empty()) return std::string(kEmptyMarker);
  return typed;
}

}  // namespace loctable

#pragma once
// The test at the end of an edit of a coordinate cell. It is lenient by design: it looks only
// at the magnitude of the leading number and at what follows the first point, so a text that
// is no number at all passes and goes into the cell as typed.
#include <optional>
#include <string>

namespace loctable {

// The text the cell receives: the typed text unchanged, or the empty marker for an empty
// text. Nothing when the entry is refused: a leading number of 256 or more in magnitude (or too
// large to read), or five or more characters after the first point.
std::optional<std::string> acceptedEntry(const std::string& typed);

}  // namespace loctable

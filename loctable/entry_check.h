#pragma once
// The test at the end of an edit of a coordinate cell. It is lenient by design: it looks only
// at the magnitude of the leading number and at what follows the first point, so a text that
// is no number at all passes and goes into the cell as typed.
#include <optional>
#include <string>
#include <string_view>

namespace loctable {

// The decimals a coordinate may have: the unit stores four.
inline constexpr int kMaxDecimals = 4;
// Whether the text has more characters after its first point than a coordinate's decimals.
bool tooManyDecimals(std::string_view text);

// The largest value of a coordinate column: 90 for the latitude (column 1), 180 for the
// longitude (column 2).
int coordinateLimit(int column);
// Whether the unit can hold `value` in `column` as a location: 0 to the column's limit, or
// whole degrees 255, the empty marker. Every table download, from the window or the command
// line, sends only such values.
bool coordinateInRange(int column, double value);

// The text the cell receives: the typed text unchanged, or the empty marker for an empty
// text. Nothing when the entry is refused: a leading number of 256 or more in magnitude (or too
// large to read), or five or more characters after the first point.
std::optional<std::string> acceptedEntry(const std::string& typed);

}  // namespace loctable

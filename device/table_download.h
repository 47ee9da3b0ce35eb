#pragma once
// Operation code 4, "O": the GPS location table written into the unit at 9600 baud. Each
// coordinate goes out as three bytes (whole degrees, then the first and second and the third
// and fourth decimal digits), each byte as two upper-case hex digits, and the unit acknowledges
// every byte with exactly "N". After row 99 the transfer pads to the 200 entries the unit's
// firmware may count, with 0, 0, 0 coordinates.
#include <array>
#include <optional>
#include <string>

#include "device/exchange.h"
#include "device/unsendable_cell.h"
#include "loctable/cells.h"

namespace device {

// The three bytes of a coordinate whose text reads as `value`: whole degrees with the fraction
// cut off, then digits 5-6 and 7-8 of the value formatted as "000.0000" (rounded to four
// decimals). Nothing for a value outside 0 <= value < 256, which has no bytes the unit can
// hold.
std::optional<std::array<int, 3>> coordinateBytes(double value);

// The bytes of a coordinate cell's text; nothing when the numeric reading does not take the
// whole text (blanks around it apart), so that "abc", "12,5" or "1.2.3" are not quietly sent
// as 0, 12 or 1.2, or when the number lies outside 0 to 256.
std::optional<std::array<int, 3>> cellBytes(const std::string& text);

// The first coordinate cell the unit cannot be sent, in row order; nothing when every
// coordinate can be sent.
std::optional<UnsendableCell> firstUnsendableCell(const loctable::Cells& cells);
// Where the cell is: its column and its text, a long text cut ("latitude "300"").
std::string unsendableCellPlace(const UnsendableCell& cell);
// What is wrong with its value: "not a number", "outside 0 to 90", ...
std::string unsendableCellFault(const UnsendableCell& cell);
// The cell in a few words for a status line or a summary: "row 5 latitude "300": outside 0 to
// 90".
std::string unsendableCellWords(const UnsendableCell& cell);

// The transfer. The table is expected to have passed firstUnsendableCell(); a coordinate that
// has become unsendable since (edited while the transfer runs) goes out as the empty marker.
Task tableDownload(Context context, const loctable::Cells* cells);
Transfer tableDownloadTransfer(const loctable::Cells* cells);

}  // namespace device

#pragma once
// Operation code 3, "C": the unit's table of 100 GPS locations read into the GPS location table.
// At 38400 baud the unit sends 1200 hex digits, one at a time, and the PC answers each one but
// the last with "N". Every three bytes make one coordinate text: whole degrees, a point, then
// the two pairs of decimal digits ("32.0851"); a coordinate whose whole degrees are 255 is the
// empty marker "255".
#include <string>

#include "device/exchange.h"
#include "loctable/cells.h"

namespace device {

// A number's decimal text with a blank where a plus sign would stand: " 32", "-5".
std::string signedDecimalText(int value);

// The cell's text after the byte at `position` (1 to 3) of its coordinate has arrived. The cell
// shows the partial text while the coordinate comes in; after the third byte the blanks are
// removed and a text beginning with "255" becomes the empty marker.
std::string placeByte(const std::string& cell, int position, int byte);

Task tableUpload(Context context, loctable::Cells* cells);
Transfer tableUploadTransfer(loctable::Cells* cells);

}  // namespace device

#pragma once
// The GPS table file: 100 lines, one per row of the table in row order, each the row's ID,
// latitude and longitude as three quoted texts separated by commas, ended by CR LF. Saving and
// loading work on the table's cells directly, whether the window is shown or not, and report
// their outcome in a message box.
#include <cstddef>
#include <string>

#include "loctable/cells.h"

namespace ui {
class Messages;
}

namespace loctable {

// One field of a line, as the configuration file writes a text: between double quotes; a text
// that holds a double quote is written so that it and every field after it still load.
std::string tableField(const std::string& text);

// The whole file as saved.
std::string tableText(const Cells& cells);

// Saves to path: "Configuration has been Saved" on success, "Error saving File !" on any
// failure. The file is replaced only once every line is written; on a failure an old file
// stays as it was.
bool saveTable(const Cells& cells, const std::string& path, ui::Messages& messages);

// The text a loaded field puts into a cell: a quoted field's text as it stands; an unquoted
// field that is a number becomes that number's decimal text ("032.50" gives "32.5"); any other
// unquoted field is taken as it stands.
std::string loadedCellText(const std::string& field, bool quoted);

// The longest text a load puts into a cell; a longer field is cut, without a message. A
// coordinate has at most 9 characters ("255.9999", "-45.5"), a number the load rewrites at most
// 22: 64 keeps every text that can be a coordinate and keeps the grid quick.
inline constexpr std::size_t kMaxLoadedCell = 64;

// Loads from path: three fields per row, the first (the ID) dropped, the other two into the
// row's coordinates, each row set as soon as its fields are read. On any failure (empty path,
// unreadable file, a path that is not a regular file, a file larger than records::kMaxFileBytes,
// fewer than 300 fields) "Error loading file" is shown and the rows set before
// keep their values. Fields after the 300th are ignored. `rows`, when given, is set to the rows
// set, 100 after a successful load.
bool loadTable(Cells& cells, const std::string& path, ui::Messages& messages, int* rows = nullptr);
// The same, from the file's bytes; no message.
bool applyTableText(Cells& cells, std::string bytes, int* rows = nullptr);

}  // namespace loctable

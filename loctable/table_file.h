#pragma once
// The GPS table file: 100 lines, one per row of the table in row order, each the row's ID,
// latitude and longitude as three quoted texts separated by commas, ended by CR LF. Saving and
// loading work on the table's cells directly, whether the window is shown or not, and return
// their outcome as a fact.
#include <cstddef>
#include <string>

#include "loctable/cells.h"
#include "records/file_outcome.h"

namespace loctable {

// One field of a line, as the configuration file writes a text: between double quotes; a text
// that holds a double quote is written so that it and every field after it still load.
std::string tableField(const std::string& text);

// The whole file as saved.
std::string tableText(const Cells& cells);

// Saves to path; a failure is Refused with the system's reason. The file is replaced only once
// every line is written; on a failure an old file stays as it was.
records::FileOutcome saveTable(const Cells& cells, const std::string& path);

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
// unreadable file, a path that is not a regular file, a file larger than records::kMaxFileBytes:
// Refused; fewer than 300 fields: Malformed) the rows set before keep their values. Fields
// after the 300th are ignored. `rows`, when given, is set to the rows set, 100 after a
// successful load.
records::FileOutcome loadTable(Cells& cells, const std::string& path, int* rows = nullptr);
// The same, from the file's bytes. `why`, when given, says what the bytes lack after a failure
// ("the file ends after 7 of 300 fields").
bool applyTableText(Cells& cells, std::string bytes, int* rows = nullptr,
                    std::string* why = nullptr);

}  // namespace loctable

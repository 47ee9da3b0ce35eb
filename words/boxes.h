#pragma once
// Which box says which fact: the configuration's, the table's and the files' facts turned into
// the boxes the window shows, in the order it shows them. The domain only says what happened;
// a text, a title and a look are put together here and nowhere else.
#include <optional>
#include <vector>

#include "config/problems.h"
#include "config/validation.h"
#include "device/result.h"
#include "device/unsendable_cell.h"
#include "records/file_outcome.h"
#include "words/messages.h"

namespace words {

// The boxes of a download refused before the port was opened. A configuration: the problems a
// download names in a box of its own, in order, up to a number too large for a double, then
// "Invalid Configuration". A table: its first coordinate the unit cannot store.
std::vector<Message> refusalBoxes(const device::Refusal& refusal);
Message unsendableCellBox(const device::UnsendableCell& cell);

// The configuration window's check: one box per broken rule, then "Invalid Configuration" when a
// number could not be read, else one per value the encoding cannot take, or "Configuration is
// OK".
std::vector<Message> checkBoxes(const config::FieldCheck& check);

// The two files the windows load and save.
enum class FileKind { Configuration, Table };
// The box that ends a save: "Configuration has been Saved" (for both kinds), or the kind's own
// failure box.
Message saveBox(FileKind kind, const records::FileOutcome& outcome);
// The box a failed load shows; none after a load that worked.
std::optional<Message> loadBox(const records::FileOutcome& outcome);
// Shows the save's box, or a failed load's; true when the file was saved or loaded.
bool showSaveBox(FileKind kind, const records::FileOutcome& outcome, Messages& messages);
bool showLoadBox(const records::FileOutcome& outcome, Messages& messages);

}  // namespace words

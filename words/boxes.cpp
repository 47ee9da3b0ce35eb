#include "words/boxes.h"

#include <string>

#include "config/encoding.h"
#include "device/table_download.h"
#include "loctable/entry_check.h"

namespace words {

namespace {

// Every rule, every value the encoding cannot take and every refusal of a configuration ends in
// a stop box titled "Error" with its own words.
Message error(std::string text) {
  return {std::move(text), "Error", Icon::Critical};
}

const Message kConfigurationOk{"Configuration is OK", "Valid Configuration", Icon::None};
const Message kFileSaved{"Configuration has been Saved", "Saved", Icon::Information};
const Message kErrorLoadingFile{"Error loading file", "Error", Icon::Critical};

}  // namespace

std::vector<Message> refusalBoxes(const device::Refusal& refusal) {
  if (refusal.cell) return {unsendableCellBox(*refusal.cell)};
  std::vector<Message> boxes;
  for (const config::Problem& problem : refusal.problems) {
    if (problem.unreadable) break;
    if (problem.ownBox) boxes.push_back(error(problem.message));
  }
  boxes.push_back(error(config::kInvalidConfiguration));
  return boxes;
}

Message unsendableCellBox(const device::UnsendableCell& cell) {
  using device::UnsendableCell;
  return {"Row " + std::to_string(cell.row) + " holds a coordinate " +
              (cell.reason == UnsendableCell::NotANumber   ? "that is "
               : cell.reason == UnsendableCell::TooPrecise ? "with "
                                                           : "") +
              device::unsendableCellFault(cell) + " (" + device::unsendableCellPlace(cell) +
              "), which the GPS TRACKING system cannot store. Type a latitude from 0 to " +
              std::to_string(loctable::coordinateLimit(1)) + " or a longitude from 0 to " +
              std::to_string(loctable::coordinateLimit(2)) + ", with at most " +
              std::to_string(loctable::kMaxDecimals) +
              " decimals, or 255 for no location. Nothing has been sent.",
          "Invalid GPS Table", Icon::Critical};
}

std::vector<Message> checkBoxes(const config::FieldCheck& check) {
  std::vector<Message> boxes;
  for (const config::Rule* rule : check.broken) boxes.push_back(error(rule->message));
  if (check.outcome == config::CheckOutcome::Failed) {
    boxes.push_back(error(config::kInvalidConfiguration));
    return boxes;
  }
  for (const config::EncodingProblem& problem : check.unencodable)
    boxes.push_back(error(config::encodingProblemText(problem)));
  if (check.outcome == config::CheckOutcome::Valid) boxes.push_back(kConfigurationOk);
  return boxes;
}

Message saveBox(FileKind kind, const records::FileOutcome& outcome) {
  if (outcome.done()) return kFileSaved;
  return error(kind == FileKind::Configuration ? "Invalid Path" : "Error saving File !");
}

std::optional<Message> loadBox(const records::FileOutcome& outcome) {
  if (outcome.done()) return std::nullopt;
  return kErrorLoadingFile;
}

bool showSaveBox(FileKind kind, const records::FileOutcome& outcome, Messages& messages) {
  messages.show(saveBox(kind, outcome));
  return outcome.done();
}

bool showLoadBox(const records::FileOutcome& outcome, Messages& messages) {
  if (const std::optional<Message> box = loadBox(outcome)) messages.show(*box);
  return outcome.done();
}

}  // namespace words

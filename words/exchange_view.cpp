#include "words/exchange_view.h"

#include <algorithm>
#include <array>

#include "device/exchange.h"
#include "words/boxes.h"

namespace words {

namespace {

using words::Icon;
using words::Message;

// The progress button of each operation, by operation code.
constexpr std::array kProgressButtons = {Indicator::Command8, Indicator::Command9,
                                         Indicator::Command11, Indicator::Command16,
                                         Indicator::Command15};

// How a transfer's data phase ends on the window: its box for the ending (none: no box), and
// whether the box shows while the progress button still does.
struct ClosingRow {
  int operation;
  device::Ending ending;
  Message box;
  bool beforeHiding;
};

const Message kUploadComplete{"Upload complete", "Upload", Icon::Information};
const Message kTableUploaded{"Upload succesful !", "Upload", Icon::Information};
const Message kTableUploadFailed{"Error upload !", "Invalid upload !", Icon::Critical};
const Message kLogTimedOut{"Error GPS Data download !", "Invalid download !", Icon::Critical};
// A GPS log file that could not be created or written (the trailing blank is the system's own).
const Message kLogFileFailed{"Download ", "Error", Icon::Critical};
const Message kInvalidPassword{"Invalid Password", "Password Invalid !", Icon::Critical};

// clang-format off
const ClosingRow kClosings[] = {
    {device::kConfigUpload,   device::Ending::Finished,    kUploadComplete,    false},
    {device::kConfigUpload,   device::Ending::TimedOut,    kDownloadFailed,    false},
    {device::kConfigDownload, device::Ending::Finished,    kDownloadSucceeded, false},
    {device::kConfigDownload, device::Ending::Unconfirmed, kDownloadFailed,    false},
    {device::kLogUpload,      device::Ending::TimedOut,    kLogTimedOut,       false},
    {device::kLogUpload,      device::Ending::FileFailed,  kLogFileFailed,     true},
    {device::kTableUpload,    device::Ending::Finished,    kTableUploaded,     true},
    {device::kTableUpload,    device::Ending::TimedOut,    kTableUploadFailed, false},
    {device::kTableDownload,  device::Ending::Finished,    kDownloadSucceeded, true},
    {device::kTableDownload,  device::Ending::TimedOut,    kDownloadFailed,    false},
};
// clang-format on

// The box of a GPS log upload that reached the end of the log.
Message endOfLog(long long positions, long long damaged, bool endedInsideRecord) {
  if (damaged == 0 && positions == 0) {
    return {"No GPS locations to download !", "", Icon::Information};
  }
  std::string saved = std::to_string(positions) + " GPS locations Saved !";
  if (damaged == 0) return {std::move(saved), "Saved", Icon::Information};
  const std::string left =
      damaged == 1 ? "1 damaged record was" : std::to_string(damaged) + " damaged records were";
  std::string text = saved + "\n" + left +
                     " left out of the file: what arrived cannot be a GPS location (characters "
                     "other than digits, or a record of the wrong length). Check the cable and "
                     "upload again.";
  if (endedInsideRecord) {
    text +=
        "\nThe log ended inside a record: it may be incomplete, the unit may hold more "
        "positions.";
  }
  return {std::move(text), "Saved", Icon::Warning};
}

// An upload whose characters arrived garbled: the transfer's own failure box, and under it what
// was found and what to do.
Message damaged(const Message& failure, long long characters) {
  const std::string count =
      characters == 1 ? "1 damaged character" : std::to_string(characters) + " damaged characters";
  return {failure.text + "\n" + count +
              " arrived (not hexadecimal digits); nothing garbled was kept. Check the cable and "
              "upload again.",
          failure.title, failure.icon};
}

Message portNotAvailable(const device::Result& result) {
  // The fixed text, and under it the device and why it failed.
  std::string text = kPortNotAvailable;
  if (!result.portDetail.empty()) text += "\n" + result.portDetail;
  return {std::move(text), "ERROR", Icon::None};
}

}  // namespace

Ending endingOf(const device::Result& result) {
  if (result.ending == device::Ending::Cancelled) return Ending::Cancelled;
  if (!result.finished()) return Ending::Failed;
  // Only a GPS log is kept with records left out; its box says how many.
  return result.damaged > 0 || result.endedInsideRecord ? Ending::Incomplete : Ending::Done;
}

void ExchangeView::set(Indicator indicator, bool visible) {
  const auto at = std::find(shown_.begin(), shown_.end(), indicator);
  if (visible == (at != shown_.end())) return;
  if (visible) {
    shown_.push_back(indicator);
  } else {
    shown_.erase(at);
  }
  face_.setIndicator(indicator, visible);
}

void ExchangeView::hidden(Indicator indicator) {
  std::erase(shown_, indicator);
}

void ExchangeView::hideAll() {
  while (!shown_.empty()) set(shown_.front(), false);
}

void ExchangeView::progress(const device::Progress& report) {
  switch (report.stage) {
    case device::Stage::Polling:
    case device::Stage::Password:
      set(Indicator::Command5, true);
      break;
    case device::Stage::Acceptance:
      set(Indicator::Command5, false);
      break;
    case device::Stage::Data:
      set(kProgressButtons.at(static_cast<size_t>(operation_)), true);
      if (operation_ == device::kLogUpload) {
        set(Indicator::Label4, true);
        set(Indicator::Label3, true);
      }
      break;
  }
  if (report.positions > count_) {
    count_ = report.positions;
    face_.setCount(count_);
  }
}

ExchangeView::Closing ExchangeView::closing(const device::Result& result) const {
  switch (result.ending) {
    case device::Ending::Invalid:
      return {words::refusalBoxes(result.refusal), false, false};
    case device::Ending::PortUnavailable:
      return {{portNotAvailable(result)}, false, false};
    case device::Ending::WrongPassword:
      return {{kInvalidPassword}, true, false};
    case device::Ending::Cancelled:
      return {{}, true, false};
    default:
      break;
  }
  if (operation_ == device::kLogUpload && result.finished()) {
    return {{endOfLog(result.positions, result.damaged, result.endedInsideRecord)}, true, false};
  }
  if (result.ending == device::Ending::Damaged) {
    return {{damaged(operation_ == device::kTableUpload ? kTableUploadFailed : kDownloadFailed,
                     result.damaged)},
            true,
            false};
  }
  for (const ClosingRow& row : kClosings) {
    if (row.operation == operation_ && row.ending == result.ending) {
      return {{row.box}, true, row.beforeHiding};
    }
  }
  return {{}, true, false};
}

std::vector<Message> ExchangeView::end(const device::Result& result) {
  const Closing plan = closing(result);
  if (plan.boxesFirst) {
    for (const Message& box : plan.boxes) face_.showBox(box);
  }
  if (plan.hides) hideAll();
  if (!plan.boxesFirst) {
    for (const Message& box : plan.boxes) face_.showBox(box);
  }
  return plan.boxes;
}

}  // namespace words

#include "device/table_download.h"

#include <cmath>
#include <cstdio>

#include "device/hex.h"
#include "loctable/entry_check.h"
#include "records/numeric.h"

namespace device {

namespace {

// 8 link ticks without "N" end the download.
constexpr int kSilenceTicks = 8;
// The unit counts 200 entries of two coordinates: the table's 100 rows, then padding.
constexpr int kEntries = 200;
constexpr std::array<int, 3> kEmptyBytes = {255, 0, 0};
constexpr std::array<int, 3> kPaddingBytes = {0, 0, 0};

// Sends one byte and waits until the unit answers exactly "N". False on a time-out. A cancel
// click is looked at between coordinates, not while a byte waits for its answer.
Task sendByte(Link* link, int byte, bool* acknowledged) {
  Port& port = link->port();
  const std::string pair = hexPair(byte);
  port.write(pair.substr(0, 1));
  port.write(pair.substr(1, 1));

  link->setTick(0);
  // Anything but one upper-case "N" alone ("n", "N" with a CR, two answers run together) is no
  // acknowledgement.
  Heard heard;
  do {
    heard = co_await link->hear({.ticks = kSilenceTicks, .cancels = false});
  } while (heard.kind == Heard::Characters && heard.piece != "N");
  *acknowledged = heard.kind == Heard::Characters;
}

}  // namespace

std::optional<std::array<int, 3>> coordinateBytes(double value) {
  if (!(value >= 0 && value < 256)) return std::nullopt;
  if (value == 0) value = 0;  // -0 would be formatted with its sign
  char formatted[32];
  std::snprintf(formatted, sizeof formatted, "%08.4f", value);
  // "ddd.dddd": digits 5-6 and 7-8, counted from 1.
  const int first = (formatted[4] - '0') * 10 + (formatted[5] - '0');
  const int second = (formatted[6] - '0') * 10 + (formatted[7] - '0');
  return std::array<int, 3>{static_cast<int>(std::trunc(value)), first, second};
}

std::optional<std::array<int, 3>> cellBytes(const std::string& text) {
  if (!records::readsWhole(text)) return std::nullopt;
  const std::optional<double> value = records::readNumber(text);
  if (!value) return std::nullopt;
  return coordinateBytes(*value);
}

std::optional<UnsendableCell> firstUnsendableCell(const loctable::Cells& cells) {
  for (int row = 0; row < loctable::kRows; ++row) {
    for (int column : {1, 2}) {
      std::string text = cells.cell(row, column);
      std::optional<UnsendableCell::Reason> reason;
      if (!cellBytes(text)) {
        reason =
            records::readsWhole(text) ? UnsendableCell::OutOfRange : UnsendableCell::NotANumber;
      } else if (!loctable::coordinateInRange(column, records::readNumber(text).value_or(0))) {
        reason = UnsendableCell::OutOfRange;
      } else if (loctable::tooManyDecimals(text)) {
        reason = UnsendableCell::TooPrecise;
      }
      if (reason) return UnsendableCell{row, column, std::move(text), *reason};
    }
  }
  return std::nullopt;
}

// A long text is shown by its start; the row and column say where the rest is.
std::string unsendableCellPlace(const UnsendableCell& cell) {
  constexpr std::size_t kShown = 24;
  const std::string shown =
      cell.text.size() > kShown ? cell.text.substr(0, kShown) + "..." : cell.text;
  return std::string(cell.column == 1 ? "latitude" : "longitude") + " \"" + shown + "\"";
}

std::string unsendableCellFault(const UnsendableCell& cell) {
  switch (cell.reason) {
    case UnsendableCell::NotANumber:
      return "not a number";
    case UnsendableCell::OutOfRange:
      return "outside 0 to " + std::to_string(loctable::coordinateLimit(cell.column));
    case UnsendableCell::TooPrecise:
      break;
  }
  return "more than " + std::to_string(loctable::kMaxDecimals) + " decimals";
}

std::string unsendableCellWords(const UnsendableCell& cell) {
  return "row " + std::to_string(cell.row) + " " + unsendableCellPlace(cell) + ": " +
         unsendableCellFault(cell);
}

Task tableDownload(Context context, const loctable::Cells* cells) {
  Link& link = *context.link;
  Host& host = *context.host;
  Port& port = link.port();

  port.discardInput();
  Progress progress = startDataPhase(context, 2 * kEntries * 3, Counting::Bytes);

  bool acknowledged = true;
  for (int coordinate = 0; coordinate < 2 * kEntries && acknowledged; ++coordinate) {
    if (link.cancelled()) {
      endDataPhase(context, Ending::Cancelled, progress);
      co_return;
    }
    // Coordinate n is row n / 2, latitude then longitude; cell index 3 * row + 1 + n % 2. Each
    // byte reads the cell afresh.
    const int row = coordinate / 2;
    const int cellIndex = 3 * row + 1 + coordinate % 2;
    for (int byte = 0; byte < 3 && acknowledged; ++byte) {
      std::array<int, 3> bytes = kPaddingBytes;
      if (row < loctable::kRows) bytes = cellBytes(cells->cell(cellIndex)).value_or(kEmptyBytes);
      co_await sendByte(&link, bytes[static_cast<size_t>(byte)], &acknowledged);
      if (acknowledged) {
        ++progress.done;
        host.progress(progress);
      }
    }
  }

  endDataPhase(context, acknowledged ? Ending::Finished : Ending::TimedOut, progress);
}

Transfer tableDownloadTransfer(const loctable::Cells* cells) {
  return [cells](Context context) { return tableDownload(context, cells); };
}

}  // namespace device

#include "device/table_upload.h"

#include <algorithm>

#include "device/hex.h"

namespace device {

namespace {

// 8 link ticks without a character end the upload.
constexpr int kSilenceTicks = 8;

}  // namespace

std::string signedDecimalText(int value) {
  return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string placeByte(const std::string& cell, int position, int byte) {
  if (position == 1) return signedDecimalText(byte) + ".";
  std::string text = cell + (byte > 9 ? "" : "0") + signedDecimalText(byte);
  if (position < 3) return text;
  std::erase(text, ' ');
  if (text.starts_with(loctable::kEmptyMarker)) text = loctable::kEmptyMarker;
  return text;
}

Task tableUpload(Context context, loctable::Cells* cells) {
  Link& link = *context.link;
  Host& host = *context.host;
  Port& port = link.port();

  port.setSettings(kSettings38400);
  port.discardInput();
  // Two coordinates a row, three bytes a coordinate, two digits a byte.
  Progress progress = startDataPhase(context, loctable::kRows * 2 * 3 * 2, Counting::Digits);

  int cellIndex = 1;  // row 0, latitude
  bool lowNibble = false;
  int assembled = 0;
  int bytePosition = 0;
  int coordinatesInRow = 0;
  // A coordinate shows in its cell byte by byte; once a digit of it is noise, the cell gets back
  // the text it had before, so a damaged coordinate is never kept.
  std::string before;
  bool coordinateDamaged = false;
  bool done = false;

  while (!done) {
    const Heard heard = co_await link.hear({.ticks = kSilenceTicks});
    if (heard.kind == Heard::Cancelled) {
      endDataPhase(context, Ending::Cancelled, progress);
      co_return;
    }
    if (heard.kind == Heard::Silence) break;
    link.setTick(0);
    // One digit per acknowledgement: any further characters of the same read are dropped.
    const std::string& received = heard.piece;
    if (received.empty()) continue;
    if (!isHexDigit(received.front())) {
      coordinateDamaged = true;
      ++context.result->damaged;
    }
    const int digit = hexDigitValue(received.front());
    ++progress.done;
    host.progress(progress);

    if (!lowNibble) {
      assembled = 16 * digit;
      lowNibble = true;
    } else {
      assembled += digit;
      lowNibble = false;
      ++bytePosition;
      if (bytePosition == 1) before = cells->cell(cellIndex);
      cells->setCell(cellIndex, coordinateDamaged
                                    ? before
                                    : placeByte(cells->cell(cellIndex), bytePosition, assembled));
      if (bytePosition == 3) {
        coordinateDamaged = false;
        // Latitude, longitude, then past the ID cell of the next row.
        if (++coordinatesInRow == 2) {
          ++cellIndex;
          coordinatesInRow = 0;
        }
        ++cellIndex;
        bytePosition = 0;
      }
    }

    // The last digit is not answered.
    if (cellIndex >= loctable::kCellCount) {
      done = true;
    } else {
      port.write("N");
    }
  }

  Ending ending = done ? Ending::Finished : Ending::TimedOut;
  if (done && context.result->damaged > 0) ending = Ending::Damaged;
  endDataPhase(context, ending, progress);
}

Transfer tableUploadTransfer(loctable::Cells* cells) {
  return [cells](Context context) { return tableUpload(context, cells); };
}

}  // namespace device

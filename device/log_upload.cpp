#include "device/log_upload.h"

#include <algorithm>

#include "logline/logline.h"

namespace device {

namespace {

// The wait for the next character of a record ends after this many ticks of silence.
constexpr int kSilenceTicks = 8;

// Positions counted from 1, as in the record layout.
std::string_view part(std::string_view record, size_t position, size_t length) {
  return record.substr(position - 1, length);
}

// `whole` digits, a point, then the rest.
std::string withPoint(std::string_view record, size_t position, size_t whole, size_t decimals) {
  return logline::decimal(part(record, position, whole), part(record, position + whole, decimals));
}

// The record's fields, cut by its layout: the date at positions 33 to 38, the time at 1 to 6,
// the latitude at 7 to 14 and the longitude at 15 to 23 with the hemisphere code at 24, the two
// values at 25 to 32.
logline::Line cutRecord(std::string_view record, Hemisphere& letters) {
  applyHemisphereCode(record.at(23), letters);
  return {logline::date(part(record, 33, 2), part(record, 35, 2), part(record, 37, 2)),
          logline::time(part(record, 1, 2), part(record, 3, 2), part(record, 5, 2)),
          withPoint(record, 7, 4, 4),
          letters.latitude,
          withPoint(record, 15, 5, 4),
          letters.longitude,
          withPoint(record, 25, 3, 1),
          withPoint(record, 29, 3, 1)};
}

}  // namespace

std::string reverseRecord(std::string_view collected) {
  return std::string(collected.rbegin(), collected.rend());
}

void applyHemisphereCode(char code, Hemisphere& letters) {
  // Codes "0" to "3": latitude north or south, longitude east or west.
  static const Hemisphere kByCode[] = {{"N", "E"}, {"S", "E"}, {"N", "W"}, {"S", "W"}};
  if (code >= '0' && code <= '3') letters = kByCode[code - '0'];
}

std::string recordLine(std::string_view record, Hemisphere& letters) {
  return logline::write(cutRecord(record, letters));
}

bool isCleanRecord(std::string_view record) {
  return record.size() == static_cast<size_t>(kLogRecordLength) &&
         std::all_of(record.begin(), record.end(), [](char c) { return c >= '0' && c <= '9'; });
}

LogRecordReader::Step LogRecordReader::take(std::string_view piece) {
  using enum Outcome;
  if (piece == "E") {
    // An end mark after some of a record's characters is most likely one of them damaged.
    const Outcome outcome = collected_.empty() ? EndOfLog : EndInsideRecord;
    collected_.clear();
    return {outcome, true};
  }
  collected_ += piece;
  if (collected_.size() < static_cast<size_t>(kLogRecordLength)) return {Partial, true};
  // Only a whole record of the layout's characters is a position: one of any other length would
  // put wrong digits in every field, and one with other characters is noise that could even
  // break the file's quoting.
  return {isCleanRecord(collected_) ? Record : Damaged, false};
}

Task logUpload(Context context, LogUploadSetup setup) {
  Link& link = *context.link;
  Host& host = *context.host;
  Port& port = link.port();

  port.setSettings(kSettings38400);
  port.discardInput();

  Ending end = Ending::Finished;
  long long damaged = 0;  // records left out
  bool endedInsideRecord = false;
  std::unique_ptr<LogSink> file;
  Progress progress = dataPhase(0, Counting::Characters);
  progress.positions = 0;
  context.result->phase = Stage::Data;
  try {
    if (!setup.folder->create(file, progress.file)) end = Ending::FileFailed;
    host.progress(progress);

    Hemisphere letters;
    for (bool endOfLog = false; end == Ending::Finished && !endOfLog;) {
      // One record, or the end mark: each read answered with "N" until the record is whole,
      // then "1" once its line is in the file.
      LogRecordReader reader;
      LogRecordReader::Outcome outcome = LogRecordReader::Outcome::Partial;
      link.setTick(0);
      while (outcome == LogRecordReader::Outcome::Partial) {
        const Heard heard = co_await link.hear({.ticks = kSilenceTicks});
        if (heard.kind != Heard::Characters) {
          end = heard.kind == Heard::Cancelled ? Ending::Cancelled : Ending::TimedOut;
          break;
        }
        link.setTick(0);  // the limit counts silence, not the whole record
        progress.done += static_cast<long long>(heard.piece.size());
        host.progress(progress);
        const LogRecordReader::Step step = reader.take(heard.piece);
        if (step.answer) port.write("N");
        outcome = step.outcome;
      }
      switch (outcome) {
        case LogRecordReader::Outcome::Partial:
          continue;  // cancelled or timed out
        case LogRecordReader::Outcome::Record:
          // The count is shown before the line is written.
          ++progress.positions;
          host.progress(progress);
          if (!file->writeLine(recordLine(reader.record(), letters))) {
            // The position counted above never reached the file.
            --progress.positions;
            end = Ending::FileFailed;
            continue;
          }
          break;
        case LogRecordReader::Outcome::EndInsideRecord:
          // The record is dropped all the same, counted, and the log may go on.
          endedInsideRecord = true;
          ++damaged;
          endOfLog = true;
          break;
        case LogRecordReader::Outcome::Damaged:
          ++damaged;
          break;
        case LogRecordReader::Outcome::EndOfLog:
          endOfLog = true;
          break;
      }
      port.write("1");
    }
  } catch (...) {
    end = Ending::FileFailed;
  }
  // The file is closed before anyone is told how the upload ended.
  file.reset();
  context.result->damaged = damaged;
  context.result->endedInsideRecord = endedInsideRecord;
  endDataPhase(context, end, progress);
}

Transfer logUploadTransfer(LogUploadSetup setup) {
  return [setup](Context context) { return logUpload(context, setup); };
}

}  // namespace device

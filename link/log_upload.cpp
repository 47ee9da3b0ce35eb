#include "link/log_upload.h"

#include <algorithm>

namespace device {

namespace {

// The wait for the next character of a record ends after this many ticks of silence.
constexpr int kSilenceTicks = 8;

// Positions counted from 1, as in the record layout.
std::string part(std::string_view record, size_t position, size_t length) {
  return std::string(record.substr(position - 1, length));
}

// `whole` digits, a point, then the rest.
std::string withPoint(std::string_view record, size_t position, size_t whole, size_t decimals) {
  return part(record, position, whole) + "." + part(record, position + whole, decimals);
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

LogLine cutRecord(std::string_view record, Hemisphere& letters) {
  applyHemisphereCode(record.at(23), letters);
  LogLine line;
  line.date = part(record, 33, 2) + "/" + part(record, 35, 2) + "/" + part(record, 37, 2);
  line.time = part(record, 1, 2) + ":" + part(record, 3, 2) + ":" + part(record, 5, 2);
  line.latitude = withPoint(record, 7, 4, 4);
  line.latitudeLetter = letters.latitude;
  line.longitude = withPoint(record, 15, 5, 4);
  line.longitudeLetter = letters.longitude;
  line.value1 = withPoint(record, 25, 3, 1);
  line.value2 = withPoint(record, 29, 3, 1);
  return line;
}

std::string csvLine(const LogLine& line) {
  std::string text;
  for (const std::string* field :
       {&line.date, &line.time, &line.latitude, &line.latitudeLetter, &line.longitude,
        &line.longitudeLetter, &line.value1, &line.value2}) {
    if (!text.empty() || field != &line.date) text += ',';
    if (!field->empty()) text += '"' + *field + '"';
  }
  return text + "\r\n";
}

bool isCleanRecord(std::string_view record) {
  return record.size() == static_cast<size_t>(kLogRecordLength) &&
         std::all_of(record.begin(), record.end(), [](char c) { return c >= '0' && c <= '9'; });
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
    bool answered = false;  // a whole record or the end mark has come
    bool endOfLog = false;
    while (end == Ending::Finished && !endOfLog) {
      link.setTick(0);
      int characters = 0;
      std::string collected;
      while (!answered && link.tick() < kSilenceTicks) {
        const Heard heard = co_await link.hear({.ticks = kSilenceTicks});
        if (heard.kind == Heard::Cancelled) {
          end = Ending::Cancelled;
          break;
        }
        if (heard.kind == Heard::Characters) {
          link.setTick(0);  // the limit counts silence, not the whole record
          const std::string& piece = heard.piece;
          progress.done += static_cast<long long>(piece.size());
          host.progress(progress);
          if (piece == "E") {
            // An end mark after some of a record's characters is most likely one of them
            // damaged: the record is dropped all the same, counted, and the log may go on.
            if (characters > 0) {
              ++damaged;
              endedInsideRecord = true;
            }
            collected.clear();
            answered = true;
            endOfLog = true;
          } else {
            // A unit that runs ahead of the "N"s can deliver several characters in one read;
            // counting characters rather than reads keeps the fields where they belong.
            collected += piece;
            characters += static_cast<int>(piece.size());
          }
          if (characters < kLogRecordLength) port.write("N");
        }
        if (characters >= kLogRecordLength && !answered) {
          answered = true;
          // Only a whole record of the layout's characters counts and becomes a line: one cut
          // short by "E" has been cleared, one of any other length would put wrong digits in
          // every field, and one with other characters is noise that could even break the
          // file's quoting. Those are counted for the final message.
          if (isCleanRecord(collected)) {
            ++progress.positions;
            host.progress(progress);
          } else {
            ++damaged;
          }
        }
      }
      if (end != Ending::Finished) break;
      if (!answered) {
        end = Ending::TimedOut;
        break;
      }
      if (isCleanRecord(collected) &&
          !file->writeLine(csvLine(cutRecord(reverseRecord(collected), letters)))) {
        // The position counted above never reached the file.
        --progress.positions;
        end = Ending::FileFailed;
        break;
      }
      port.write("1");
      answered = false;
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

#pragma once
// The GPS log upload (operation "L", Command10): the unit sends its logged positions, one
// 38-character record at a time, last character first and one character per "N"; each record
// becomes one line of a new .csv file the log folder names. A record
// that cannot be a position is left out, and the final message says how many were; one cut
// short by "E" is among them, since the log may not have ended there.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "device/exchange.h"

namespace device {

// A record as the unit holds it, positions 1 to 38 in reading order.
inline constexpr int kLogRecordLength = 38;

// The latitude and longitude letters. A record with a hemisphere code other than "0" to "3"
// keeps the letters of the record before it; before the first valid code both are empty.
struct Hemisphere {
  std::string latitude;
  std::string longitude;
  bool operator==(const Hemisphere&) const = default;
};

// True when the record can be a position: 38 characters, every one a digit (the hemisphere
// code included, which is a digit whatever its value). Any other record is left out of the file
// and counted as damaged.
bool isCleanRecord(std::string_view record);

// The characters collected in arrival order, put back in reading order.
std::string reverseRecord(std::string_view collected);
// Sets the letters for a hemisphere code; any other code leaves them as they are.
void applyHemisphereCode(char code, Hemisphere& letters);
// The log file's line for a record (in reading order, 38 characters), with the letters carried
// over from the record before.
std::string recordLine(std::string_view record, Hemisphere& letters);

// One record's characters as the reads bring them, and what the PC answers to each read: "N"
// while the record is not whole, also after the end mark. The unit sends one character per
// "N", but a unit that runs ahead can deliver several in one read; the count is of characters,
// not reads, so the fields stay where they belong.
class LogRecordReader {
 public:
  enum class Outcome {
    Partial,          // more characters to come
    Record,           // 38 digits: a position
    Damaged,          // 38 characters or more that cannot be a position
    EndOfLog,         // the end mark "E" alone, before any character of a record
    EndInsideRecord,  // "E" after some of a record's characters: the record is lost
  };
  struct Step {
    Outcome outcome;
    bool answer;  // "N" goes back
    bool operator==(const Step&) const = default;
  };
  // One read's characters.
  Step take(std::string_view piece);
  // After Outcome::Record: the record in reading order.
  std::string record() const { return reverseRecord(collected_); }

 private:
  std::string collected_;
};

// A log file being written. Each line reaches the operating system before writeLine returns,
// so whatever ends the upload, the lines written so far are on disk. A line that cannot be
// written whole is taken back: the file always ends after its last whole line.
class LogSink {
 public:
  virtual ~LogSink() = default;
  // False when the line could not be written whole.
  virtual bool writeLine(std::string_view line) = 0;
};

// Where log files are created; the program's folder on disk is logfile::DiskLogFolder, which
// also names them.
class LogFolder {
 public:
  virtual ~LogFolder() = default;
  // A new, empty file for an upload starting now, never one that exists already; `name` gets
  // its name. False when no file could be created.
  virtual bool create(std::unique_ptr<LogSink>& file, std::string& name) = 0;
};

struct LogUploadSetup {
  std::shared_ptr<LogFolder> folder;
};

// The transfer of operation code 2, run after the unit has accepted the password.
Task logUpload(Context context, LogUploadSetup setup);
Transfer logUploadTransfer(LogUploadSetup setup);

}  // namespace device

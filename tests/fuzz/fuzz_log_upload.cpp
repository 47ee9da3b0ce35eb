// The GPS log upload on any characters from the unit, cut into reads in any way, and the cutting
// of any 38 characters into a file line. Rules checked:
// - the upload ends by itself within 8 ticks of the last character, no error escapes it, and
//   it hides its progress controls;
// - it ends with "n GPS locations Saved !" (or "No GPS locations to download !") when the unit
//   said "E", with "Error GPS Data download !" otherwise;
// - every record of 38 digits is counted on the main window and becomes exactly one line of the
//   file, in order, and n is the number of lines; every other record is left out and counted
//   in a second line of the message, which then has the warning look;
// - each line ends with CR LF, has no other line end, and has the eight fields in their places,
//   quoted, the letters those of the last valid hemisphere code so far (empty before the first).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/log_upload.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_link.h"

namespace {

class MemoryLog : public device::LogSink {
 public:
  explicit MemoryLog(std::vector<std::string>& lines) : lines_(lines) {}
  bool writeLine(std::string_view line) override {
    lines_.emplace_back(line);
    return true;
  }

 private:
  std::vector<std::string>& lines_;
};

class MemoryFolder : public device::LogFolder {
 public:
  bool create(std::unique_ptr<device::LogSink>& file, std::string& name) override {
    ++files;
    file = std::make_unique<MemoryLog>(lines);
    name = "log.csv";
    return true;
  }
  int files = 0;
  std::vector<std::string> lines;
};

// The fields of a line: split at commas, each either empty or one quoted text.
std::vector<std::string> fieldsOf(std::string_view line) {
  std::vector<std::string> fields;
  for (;;) {
    const std::size_t comma = line.find(',');
    fields.emplace_back(line.substr(0, comma));
    if (comma == std::string_view::npos) break;
    line.remove_prefix(comma + 1);
  }
  return fields;
}

void checkLine(const std::string& line, const std::string& record,
               const device::Hemisphere& letters) {
  FUZZ_CHECK(line.size() >= 2 && line.ends_with("\r\n"));
  FUZZ_CHECK(line.find_first_of("\r\n") == line.size() - 2);
  const std::vector<std::string> fields =
      fieldsOf(std::string_view(line).substr(0, line.size() - 2));
  FUZZ_CHECK(fields.size() == 8);
  const std::size_t widths[] = {8, 8, 9, 0, 10, 0, 5, 5};
  for (std::size_t k = 0; k < 8; ++k) {
    if (k == 3 || k == 5) continue;
    FUZZ_CHECK(fields[k].size() == widths[k] + 2 && fields[k].front() == '"' &&
               fields[k].back() == '"');
  }
  const auto quoted = [](const std::string& letter) {
    return letter.empty() ? letter : '"' + letter + '"';
  };
  FUZZ_CHECK(fields[3] == quoted(letters.latitude));
  FUZZ_CHECK(fields[5] == quoted(letters.longitude));
  // The date: positions 33 to 38 of the record, in groups of two.
  FUZZ_CHECK(fields[0] == '"' + record.substr(32, 2) + "/" + record.substr(34, 2) + "/" +
                              record.substr(36, 2) + '"');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> input = fuzzing::pieces(data, size);
  fuzzing::MemoryPort port;
  device::Link link(port);
  fuzzing::MemoryHost host;
  auto folder = std::make_shared<MemoryFolder>();
  const device::LogUploadSetup setup{folder};

  const fuzzing::Ending ending =
      fuzzing::drive(link, port, device::logUpload(host.context(link), setup), input, 20);
  FUZZ_CHECK(ending.ended && !ending.escaped && ending.ticksAfterInput <= 8);
  FUZZ_CHECK(folder->files == 1);

  // What the unit said, read by read as the upload took it: records of 38 characters, each
  // in arrival order, until a read that is "E".
  std::vector<std::string> records;
  long long damaged = 0;
  bool endMark = false;
  std::string collected;
  for (int k = 0; k < port.reads; ++k) {
    if (input[k] == "E") {
      // A record cut short by the end mark is left out and counted.
      if (!collected.empty()) ++damaged;
      endMark = true;
      break;
    }
    collected += input[k];
    if (collected.size() >= static_cast<std::size_t>(device::kLogRecordLength)) {
      const bool clean = collected.size() == static_cast<std::size_t>(device::kLogRecordLength) &&
                         collected.find_first_not_of("0123456789") == std::string::npos;
      if (clean) {
        records.push_back(device::reverseRecord(collected));
      } else {
        ++damaged;
      }
      collected.clear();
    }
  }

  const std::vector<std::string>& lines = folder->lines;
  FUZZ_CHECK(lines.size() == records.size());
  FUZZ_CHECK(host.counts.size() == lines.size());
  for (std::size_t k = 0; k < host.counts.size(); ++k) {
    FUZZ_CHECK(host.counts[k] == static_cast<long long>(k + 1));
  }
  device::Hemisphere letters;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const char code = records[k][23];
    if (code >= '0' && code <= '3') {
      letters.latitude = code == '0' || code == '2' ? "N" : "S";
      letters.longitude = code == '0' || code == '1' ? "E" : "W";
    }
    checkLine(lines[k], records[k], letters);
  }

  const device::Result& result = host.result;
  if (!endMark) {
    FUZZ_CHECK(result.ending == device::Ending::TimedOut);
  } else {
    FUZZ_CHECK(result.ending == device::Ending::Finished);
    FUZZ_CHECK(result.damaged == damaged);
    FUZZ_CHECK(result.positions == static_cast<long long>(lines.size()));
  }
  return 0;
}

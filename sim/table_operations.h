#pragma once
// The unit's side of the GPS location table transfers.
//   "C": the unit sends its stored table, 100 entries of latitude and longitude, each coordinate
//        three bytes, each byte two hex digits: 1200 characters, the first unprompted after "p",
//        each further one after the PC's "N".
//   "O": the unit takes the table, two hex digits a byte, and answers every byte with "N".
#include <functional>
#include <string>
#include <vector>

#include "sim/unit.h"

namespace sim {

// One coordinate as the unit stores it: whole degrees (255: no location) and the two pairs of
// decimal digits.
struct CoordinateBytes {
  int whole = 255;
  int first = 0;
  int second = 0;
  bool operator==(const CoordinateBytes&) const = default;
};

struct TableEntry {
  CoordinateBytes latitude;
  CoordinateBytes longitude;
};

// Two upper-case hex digits per byte, in row order, latitude before longitude.
std::string tableDigits(const std::vector<TableEntry>& entries);

class TableSend : public Operation {
 public:
  // 100 empty entries.
  TableSend();
  // The table as stored; sent as it is.
  explicit TableSend(const std::vector<TableEntry>& entries);
  // Any characters at all, sent one per "N".
  explicit TableSend(std::string digits) : digits_(std::move(digits)) {}

  // Sends the character at this position together with the next one, before the PC's answer
  // (-1: never).
  int twoAt = -1;

  void begin(Unit& unit) override;
  void receive(Unit& unit, char c) override;

  // Characters sent so far.
  int sent() const { return static_cast<int>(next_); }
  // Replaces the stored table (a table the unit has just taken).
  void store(const std::vector<TableEntry>& entries) { digits_ = tableDigits(entries); }

 private:
  void sendNext(Unit& unit);

  std::string digits_;
  size_t next_ = 0;
};

class TableReceive : public Operation {
 public:
  // The answer to every byte: "N"; a faulty unit may say "n" or "N" followed by CR.
  std::string answer = "N";
  // Bytes taken before the unit considers the table complete: 200 entries of two coordinates.
  int expectedBytes = 1200;
  // Called with the first 100 entries once the table is complete.
  std::function<void(const std::vector<TableEntry>&)> onComplete;

  void begin(Unit& unit) override;
  void receive(Unit& unit, char c) override;

  // Every character of the data phase, as received.
  const std::string& characters() const { return characters_; }
  // The bytes received, each from its two digits; -1 for a pair that is not hex.
  const std::vector<int>& bytes() const { return bytes_; }
  // Coordinate n (0: row 0 latitude, 1: row 0 longitude, ...) as received; whole -1 when
  // incomplete.
  CoordinateBytes coordinate(int n) const;

 private:
  std::string characters_;
  std::string pair_;
  std::vector<int> bytes_;
};

// Some speed cameras and reference locations in the first rows, the rest empty.
std::vector<TableEntry> plausibleTable();

// "C" and "O" on one stored table: what the unit takes it sends back.
void installTableOperations(Unit& unit, const std::vector<TableEntry>& stored);

}  // namespace sim

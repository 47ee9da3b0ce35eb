#pragma once
// The sequential text records of the program's files (the configuration file, the GPS table
// file). They are read one after the other:
// - a record ends at a comma outside double quotes or at a line end (CR LF, CR or LF); the
//   records of a file follow one another whatever lines they stand on;
// - blanks (spaces, tabs) before a record are skipped;
// - a record that begins with a double quote is the text up to the next double quote, line
//   ends included; anything after that quote up to the next comma or line end is skipped;
// - any other record runs to the next comma or line end, its trailing blanks dropped.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace records {

struct Record {
  std::string text;
  bool quoted = false;
  bool operator==(const Record&) const = default;
};

class RecordReader {
 public:
  explicit RecordReader(std::string bytes) : bytes_(std::move(bytes)) {}
  // The next record; nothing when the bytes are used up.
  std::optional<Record> next();
  // The line, counted from 1, on which the last record read began.
  int line() const;

 private:
  bool atLineEnd() const;
  void skipLineEnd();
  std::string bytes_;
  std::size_t pos_ = 0;
  std::size_t start_ = 0;  // of the last record
};

// The whole number an index record stands for: its text (quoted or not) as a decimal number,
// a fraction rounded to the nearest whole number, a half to the even neighbour. Nothing when
// the text is not a number or lies outside the range of an int.
std::optional<int> recordIndex(const Record& record);

// A text as one record, without what ends it: between double quotes. A text that holds a double
// quote cannot stand between quotes: it is written without them when it reads back exactly so
// (no comma, line break, leading quote, or blank at either end); otherwise its double quotes are
// written as apostrophes, so that the record and all that follow still read.
std::string quotedRecord(std::string_view text);

}  // namespace records

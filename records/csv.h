#pragma once
// A CSV file as spreadsheets write it (RFC 4180), for values a technician prepares in one:
// - a row ends at a line end (CR LF, CR or LF) outside double quotes, a cell at a comma outside
//   them;
// - a cell that begins with a double quote runs to the next lone double quote; a doubled one
//   inside it ("") stands for one;
// - blanks (spaces, tabs) around a cell are dropped, blanks inside its quotes kept.
// The file's text is UTF-8 when it begins with UTF-8's byte order mark or is valid UTF-8
// throughout, otherwise Latin-1. A cell is given as written; latin1Text gives it as the program's
// texts are, one byte a character.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace records {

struct CsvRow {
  int line = 0;                    // the line it begins on, counted from 1
  std::vector<std::string> cells;  // as written, quotes undone
  // Why a cell cannot be taken as it stands ("column 2 holds a NUL byte"), each in a few words;
  // empty when every cell reads as the file says.
  std::vector<std::string> problems;
};

struct CsvFile {
  bool utf8 = false;
  std::vector<CsvRow> rows;
};

// The rows of a CSV file. Nothing, with `error` naming the line, when its rows cannot be told
// apart (a quote that is never closed) or a file that says it is UTF-8 is not.
std::optional<CsvFile> readCsv(std::string_view bytes, std::string& error);

// A column as the problems name it, counted from 0: "column 1".
std::string csvColumn(std::size_t index);

// A cell's text in Latin-1: a UTF-8 file's decoded, a Latin-1 file's as it stands. Nothing, with
// `why`, for a character Latin-1 has not (the character and its code point: "... (U+20AC) is
// not a Latin-1 character") or bytes that are not UTF-8.
std::optional<std::string> latin1Text(std::string_view cell, bool utf8, std::string& why);

}  // namespace records

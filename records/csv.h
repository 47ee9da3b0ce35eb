#pragma once
// A CSV file as spreadsheets write it (RFC 4180), for values a technician prepares in one:
// - a row ends at a line end (CR LF, CR or LF) outside double quotes, a cell at a comma outside
//   them;
// - a cell that begins with a double quote runs to the next lone double quote; a doubled one
//   inside it ("") stands for one;
// - blanks (spaces, tabs) around a cell are dropped, blanks inside its quotes kept.
// The file's text is UTF-8 when it begins with UTF-8's byte order mark or is valid UTF-8
// throughout, otherwise Latin-1; either way each cell is given in Latin-1, one byte a character,
// as the program's texts are.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace records {

struct CsvRow {
  int line = 0;  // the line it begins on, counted from 1
  std::vector<std::string> cells;
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

}  // namespace records

#include "records/csv.h"

#include <cstdio>

namespace records {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool isLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// The character of the UTF-8 sequence at `pos`, which then moves past it; nothing for bytes
// that are no such sequence (a stray continuation byte, a sequence cut short, an overlong form,
// a surrogate, a value beyond U+10FFFF).
std::optional<char32_t> nextUtf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || pos + static_cast<std::size_t>(length) > text.size())
    return std::nullopt;
  char32_t c = lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(pos + static_cast<std::size_t>(i));
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kShortest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  pos += static_cast<std::size_t>(length);
  return c;
}

// Where the valid UTF-8 at the start of `text` ends: its size when all of it is.
std::size_t utf8Length(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && nextUtf8(text, pos)) {
  }
  return pos;
}

// A UTF-8 cell in Latin-1, in place; or where the first character Latin-1 has not begins, the
// cell then as it was.
std::optional<std::size_t> toLatin1(std::string& cell) {
  std::string latin1;
  std::size_t pos = 0;
  while (pos < cell.size()) {
    const std::size_t at = pos;
    const char32_t c = *nextUtf8(cell, pos);  // the whole file was found valid
    if (c > 0xFF) return at;
    latin1 += static_cast<char>(c);
  }
  cell = std::move(latin1);
  return std::nullopt;
}

// The character at `at` of a UTF-8 text, which Latin-1 has not, as a problem names it: itself
// and its code point.
std::string outsideLatin1(std::string_view utf8, std::size_t at) {
  std::size_t end = at;
  const char32_t c = *nextUtf8(utf8, end);
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  return "\"" + std::string(utf8.substr(at, end - at)) + "\" (" + code +
         ") is not a Latin-1 character";
}

int linesBefore(std::string_view text, std::size_t end) {
  int line = 1;
  for (std::size_t i = 0; i < end; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= end || text[i + 1] != '\n'))) ++line;
  }
  return line;
}

class Reader {
 public:
  Reader(std::string_view bytes, bool utf8) : bytes_(bytes), utf8_(utf8) {}

  std::optional<CsvFile> rows(std::string& error) {
    CsvFile file;
    file.utf8 = utf8_;
    while (pos_ < bytes_.size()) {
      CsvRow row;
      row.line = line_;
      for (;;) {
        if (!cell(row, error)) return std::nullopt;
        if (pos_ >= bytes_.size() || bytes_[pos_] != ',') break;
        ++pos_;
      }
      // A cell ends at a comma, a line end or the file's end.
      if (pos_ < bytes_.size()) skipLineEnd();
      file.rows.push_back(std::move(row));
    }
    return file;
  }

 private:
  // The next cell of `row`, with its problems; false when its quote is never closed.
  bool cell(CsvRow& row, std::string& error) {
    const std::string column = "column " + std::to_string(row.cells.size() + 1);
    skipBlanks();
    std::string text;
    if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
      const int opened = line_;
      ++pos_;
      for (;;) {
        if (pos_ >= bytes_.size()) {
          error = "line " + std::to_string(opened) + ": the quote that opens " + column +
                  " is never closed";
          return false;
        }
        const char c = bytes_[pos_];
        if (c == '"' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '"') {
          text += '"';
          pos_ += 2;
        } else if (c == '"') {
          ++pos_;
          break;
        } else if (isLineEnd(c)) {
          text += '\n';
          skipLineEnd();
        } else {
          text += c;
          ++pos_;
        }
      }
      if (line_ != opened) {
        row.problems.push_back(column + " holds a line break inside its quotes (lines " +
                               std::to_string(opened) + " to " + std::to_string(line_) + ")");
      }
      skipBlanks();
      if (pos_ < bytes_.size() && bytes_[pos_] != ',' && !isLineEnd(bytes_[pos_])) {
        row.problems.push_back(column + " goes on after its closing quote");
        while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !isLineEnd(bytes_[pos_])) ++pos_;
      }
    } else {
      const std::size_t start = pos_;
      while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !isLineEnd(bytes_[pos_])) ++pos_;
      std::size_t end = pos_;
      while (end > start && isBlank(bytes_[end - 1])) --end;
      text = bytes_.substr(start, end - start);
    }
    if (text.find('\0') != std::string::npos) row.problems.push_back(column + " holds a NUL byte");
    if (utf8_) {
      if (const auto at = toLatin1(text))
        row.problems.push_back(column + ": " + outsideLatin1(text, *at));
    }
    row.cells.push_back(std::move(text));
    return true;
  }

  void skipBlanks() {
    while (pos_ < bytes_.size() && isBlank(bytes_[pos_])) ++pos_;
  }

  // CR LF, CR or LF: one line end each.
  void skipLineEnd() {
    if (bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
  }

  std::string_view bytes_;
  bool utf8_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace

std::optional<CsvFile> readCsv(std::string_view bytes, std::string& error) {
  const bool marked = bytes.starts_with(kByteOrderMark);
  if (marked) bytes.remove_prefix(kByteOrderMark.size());
  const std::size_t valid = utf8Length(bytes);
  if (marked && valid < bytes.size()) {
    error = "line " + std::to_string(linesBefore(bytes, valid)) +
            ": not UTF-8, though the file begins with UTF-8's byte order mark";
    return std::nullopt;
  }
  return Reader(bytes, valid == bytes.size()).rows(error);
}

}  // namespace records

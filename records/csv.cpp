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

int linesBefore(std::string_view text, std::size_t end) {
  int line = 1;
  for (std::size_t i = 0; i < end; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= end || text[i + 1] != '\n'))) ++line;
  }
  return line;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<CsvFile> rows(std::string& error) {
    CsvFile file;
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
    const std::string column = csvColumn(row.cells.size());
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
  std::optional<CsvFile> file = Reader(bytes).rows(error);
  if (file) file->utf8 = valid == bytes.size();
  return file;
}

std::string csvColumn(std::size_t index) {
  return "column " + std::to_string(index + 1);
}

std::optional<std::string> latin1Text(std::string_view cell, bool utf8, std::string& why) {
  if (!utf8) return std::string(cell);
  std::string latin1;
  std::size_t pos = 0;
  while (pos < cell.size()) {
    const std::size_t at = pos;
    const std::optional<char32_t> c = nextUtf8(cell, pos);
    if (!c) {
      why = "not UTF-8";
      return std::nullopt;
    }
    if (*c > 0xFF) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*c));
      why = "\"" + std::string(cell.substr(at, pos - at)) + "\" (" + code +
            ") is not a Latin-1 character";
      return std::nullopt;
    }
    latin1 += static_cast<char>(*c);
  }
  return latin1;
}

}  // namespace records

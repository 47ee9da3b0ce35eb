#include "records/text_records.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace records {

namespace {
bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
}  // namespace

bool RecordReader::atLineEnd() const {
  return pos_ < bytes_.size() && (bytes_[pos_] == '\r' || bytes_[pos_] == '\n');
}

void RecordReader::skipLineEnd() {
  if (bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
}

std::optional<Record> RecordReader::next() {
  const std::size_t size = bytes_.size();
  while (pos_ < size && isBlank(bytes_[pos_])) ++pos_;
  if (pos_ >= size) return std::nullopt;

  start_ = pos_;
  Record record;
  if (bytes_[pos_] == '"') {
    record.quoted = true;
    const std::size_t close = bytes_.find('"', pos_ + 1);
    const std::size_t end = close == std::string::npos ? size : close;
    record.text = bytes_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = close == std::string::npos ? size : close + 1;
    // Whatever follows the closing quote belongs to no record.
    while (pos_ < size && bytes_[pos_] != ',' && !atLineEnd()) ++pos_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < size && bytes_[pos_] != ',' && !atLineEnd()) ++pos_;
    std::size_t end = pos_;
    while (end > start && isBlank(bytes_[end - 1])) --end;
    record.text = bytes_.substr(start, end - start);
  }
  if (pos_ < size) {
    if (bytes_[pos_] == ',') {
      ++pos_;
    } else {
      skipLineEnd();
    }
  }
  return record;
}

int RecordReader::line() const {
  int line = 1;
  for (std::size_t i = 0; i < start_; ++i) {
    // CR LF, CR or LF: one line end each.
    const bool crlf = bytes_[i] == '\r' && i + 1 < start_ && bytes_[i + 1] == '\n';
    if (bytes_[i] == '\n' || (bytes_[i] == '\r' && !crlf)) ++line;
  }
  return line;
}

std::optional<int> recordIndex(const Record& record) {
  std::string_view text = record.text;
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  // from_chars takes no plus sign.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  // nearbyint rounds halves to the even neighbour in the default rounding mode.
  const double whole = std::nearbyint(value);
  if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(whole);
}

std::string quotedRecord(std::string_view text) {
  if (text.find('"') == std::string_view::npos) return '"' + std::string(text) + '"';
  const bool readsBackBare = text.front() != '"' && !isBlank(text.front()) &&
                             !isBlank(text.back()) &&
                             text.find_first_of(",\r\n") == std::string_view::npos;
  if (readsBackBare) return std::string(text);
  std::string safe(text);
  for (char& c : safe) {
    if (c == '"') c = '\'';
  }
  return '"' + safe + '"';
}

}  // namespace records

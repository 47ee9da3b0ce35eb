#include "logline/logline.h"

#include <charconv>
#include <cmath>

namespace logline {

namespace {

std::string joined(std::string_view a, std::string_view b, std::string_view c, char separator) {
  std::string text;
  text.reserve(a.size() + b.size() + c.size() + 2);
  text.append(a).append(1, separator).append(b).append(1, separator).append(c);
  return text;
}

// At least two digits, "07"; a negative number keeps its sign ("-5").
std::string twoDigits(int value) {
  return (value >= 0 && value < 10 ? "0" : "") + std::to_string(value);
}

std::optional<int> twoDigits(std::string_view text) {
  if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
    return std::nullopt;
  return (text[0] - '0') * 10 + (text[1] - '0');
}

std::optional<Groups> groups(std::string_view text, char separator) {
  if (text.size() != 8 || text[2] != separator || text[5] != separator) return std::nullopt;
  const auto a = twoDigits(text.substr(0, 2));
  const auto b = twoDigits(text.substr(3, 2));
  const auto c = twoDigits(text.substr(6, 2));
  if (!a || !b || !c) return std::nullopt;
  return Groups{*a, *b, *c};
}

constexpr char kDateSeparator = '/';
constexpr char kTimeSeparator = ':';

}  // namespace

std::string date(std::string_view a, std::string_view b, std::string_view c) {
  return joined(a, b, c, kDateSeparator);
}

std::string time(std::string_view a, std::string_view b, std::string_view c) {
  return joined(a, b, c, kTimeSeparator);
}

std::string date(const Groups& g) {
  return date(twoDigits(g[0]), twoDigits(g[1]), twoDigits(g[2]));
}

std::string time(const Groups& g) {
  return time(twoDigits(g[0]), twoDigits(g[1]), twoDigits(g[2]));
}

std::string decimal(std::string_view whole, std::string_view decimals) {
  std::string text;
  text.reserve(whole.size() + decimals.size() + 1);
  return text.append(whole).append(1, '.').append(decimals);
}

std::string write(const Line& line) {
  std::string text;
  for (const std::string* field :
       {&line.date, &line.time, &line.latitude, &line.latitudeLetter, &line.longitude,
        &line.longitudeLetter, &line.value1, &line.value2}) {
    if (!text.empty() || field != &line.date) text += ',';
    if (!field->empty()) text += '"' + *field + '"';
  }
  return text + "\r\n";
}

std::vector<std::string> fields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::optional<Line> read(std::string_view text) {
  std::vector<std::string> f = fields(text);
  if (f.size() != kFields) return std::nullopt;
  return Line{std::move(f[0]), std::move(f[1]), std::move(f[2]), std::move(f[3]),
              std::move(f[4]), std::move(f[5]), std::move(f[6]), std::move(f[7])};
}

std::optional<Groups> dateGroups(std::string_view text) {
  return groups(text, kDateSeparator);
}

std::optional<Groups> timeGroups(std::string_view text) {
  return groups(text, kTimeSeparator);
}

std::optional<double> number(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  // "nan" and "inf" read as numbers here; no field holds either.
  if (error != std::errc() || stop != end || text.empty() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<double> degrees(std::string_view degreesAndMinutes, std::string_view letter,
                              double limit) {
  const auto value = number(degreesAndMinutes);
  if (!value || *value < 0 || (letter != "N" && letter != "S" && letter != "E" && letter != "W"))
    return std::nullopt;
  const double whole = std::floor(*value / 100);
  const double minutes = *value - whole * 100;
  if (minutes >= 60 || whole > limit) return std::nullopt;
  const double result = whole + minutes / 60;
  if (result > limit) return std::nullopt;
  return letter == "S" || letter == "W" ? -result : result;
}

}  // namespace logline

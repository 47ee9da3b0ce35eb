#pragma once
// One line of a GPS log file: the format the log upload writes (device/log_upload) and the track
// reads back (track/places). Eight fields in this order: date, time, latitude, its letter,
// longitude, its letter, two one-decimal values. Each field stands between double quotes, an
// empty one as nothing at all; the fields are separated by commas and the line ends with CR LF.
//
// A field's text: the date and the time are three groups of two digits ("12/05/08",
// "10:15:30"; the unit's day, month, two-digit year and its GPS time); a coordinate is whole
// degrees and minutes with four decimals (ddmm.mmmm, dddmm.mmmm) beside its letter N, S, E or
// W; a value is digits, a point and one decimal.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace logline {

inline constexpr std::size_t kFields = 8;

// The eight fields, in file order.
struct Line {
  std::string date, time, latitude, latitudeLetter, longitude, longitudeLetter, value1, value2;
  bool operator==(const Line&) const = default;
};

// A date's or a time's three groups, in the order the field holds them.
using Groups = std::array<int, 3>;

// Writing.
// A date or time field from its three groups of digits.
std::string date(std::string_view a, std::string_view b, std::string_view c);
std::string time(std::string_view a, std::string_view b, std::string_view c);
// The same from numbers, each written with at least two digits.
std::string date(const Groups& groups);
std::string time(const Groups& groups);
// A coordinate or value field: the whole digits, a point, the decimals.
std::string decimal(std::string_view whole, std::string_view decimals);
// The line as written to the file, CR LF included.
std::string write(const Line& line);

// Reading.
// The fields of a line without its line end, their quotes taken off; a comma between quotes
// belongs to its field.
std::vector<std::string> fields(std::string_view line);
// A line of eight fields; nothing for a line of any other number.
std::optional<Line> read(std::string_view line);
// A date's or a time's three groups: two digits each between the separators; nothing for
// anything else ("12:-5:-1", "7:05:00").
std::optional<Groups> dateGroups(std::string_view text);
std::optional<Groups> timeGroups(std::string_view text);
// A coordinate field with its letter in signed decimal degrees: degrees + minutes / 60,
// negative for "S" and "W". Nothing without a letter, for what is no number, for minutes of 60
// or more, or beyond `limit` degrees (90 for a latitude, 180 for a longitude).
std::optional<double> degrees(std::string_view degreesAndMinutes, std::string_view letter,
                              double limit);
// A value field's number; nothing where it holds none ("", "nan", "1.2.3").
std::optional<double> number(std::string_view text);

}  // namespace logline

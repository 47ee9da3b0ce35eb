#pragma once
// The one rule by which a text is read as a number:
// - blanks, tabs and line feeds are skipped wherever they stand;
// - "&H" or "&O" (either case) at the start introduce a hexadecimal or octal whole number made
//   of the digits that follow;
// - otherwise the longest leading decimal number is taken: sign, digits, "." and digits, an
//   exponent letter E or D with sign and digits; the point is always ".";
// - reading stops at the first character that cannot continue the number, and a text with no
//   number at its start reads as 0.
// A number too large for a double is a failure: nothing is returned and the caller reports it
// in its own words.
#include <optional>
#include <string_view>

namespace config {

std::optional<double> readNumber(std::string_view text);

}  // namespace config

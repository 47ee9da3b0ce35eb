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

namespace records {

std::optional<double> readNumber(std::string_view text);

// A decimal number and nothing else: sign, digits with an optional point (or a point and
// digits), an optional exponent with E or D, its sign and digits.
bool isDecimalNumber(std::string_view text);

// True when the reading above takes all of the text, blanks and tabs around it apart: a
// decimal number, or "&H" or "&O" followed only by digits of that base. False for a text it
// would read in part or as 0 without a number ("abc", "12,5", "1.2.3", "1 2", "").
bool readsWhole(std::string_view text);

}  // namespace records

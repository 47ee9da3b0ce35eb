#include "records/numeric.h"

#include <charconv>
#include <cmath>
#include <string>

namespace records {

namespace {

bool skipped(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int digitValue(char c, int base) {
  int value = 99;
  if (isDigit(c)) {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

std::optional<double> wholeNumber(const std::string& digits, std::size_t pos, int base) {
  double value = 0;
  for (; pos < digits.size(); ++pos) {
    const int digit = digitValue(digits[pos], base);
    if (digit < 0) break;
    value = value * base + digit;
  }
  if (std::isinf(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> readNumber(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (!skipped(c)) s.push_back(c);
  }

  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return wholeNumber(s, 2, 16);
    if (s[1] == 'O' || s[1] == 'o') return wholeNumber(s, 2, 8);
  }

  // The longest leading decimal number, in the form from_chars takes.
  std::string number;
  std::size_t pos = 0;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  int significantBefore = 0;  // digits before the point, leading zeros not counted
  int zerosAfter = 0;         // zeros right after the point while nothing significant came yet
  bool seenSignificant = false;
  bool anyDigit = false;
  for (; pos < s.size() && isDigit(s[pos]); ++pos) {
    number.push_back(s[pos]);
    anyDigit = true;
    if (s[pos] != '0') seenSignificant = true;
    if (seenSignificant) ++significantBefore;
  }
  if (pos < s.size() && s[pos] == '.') {
    std::string fraction;
    for (++pos; pos < s.size() && isDigit(s[pos]); ++pos) {
      fraction.push_back(s[pos]);
      if (!seenSignificant && s[pos] == '0') ++zerosAfter;
      if (s[pos] != '0') seenSignificant = true;
    }
    if (!fraction.empty()) {
      number += "." + fraction;
      anyDigit = true;
    }
  }
  if (!anyDigit) return 0.0;
  long exponent = 0;
  if (pos < s.size() && (s[pos] == 'E' || s[pos] == 'e' || s[pos] == 'D' || s[pos] == 'd')) {
    std::size_t p = pos + 1;
    bool negativeExponent = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) negativeExponent = s[p++] == '-';
    if (p < s.size() && isDigit(s[p])) {
      std::string digits;
      for (; p < s.size() && isDigit(s[p]); ++p) digits.push_back(s[p]);
      number += std::string("e") + (negativeExponent ? "-" : "") + digits;
      // Only the sign and rough size matter below; keep it from overflowing.
      exponent = digits.size() > 9 ? 1000000000L : std::stol(digits);
      if (negativeExponent) exponent = -exponent;
    }
  }

  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too large fails; too small is as good as 0.
    if (!seenSignificant) return negative ? -0.0 : 0.0;
    const long magnitude = (significantBefore > 0 ? significantBefore : -zerosAfter) + exponent;
    if (magnitude > 0) return std::nullopt;
    value = 0;
  } else if (error != std::errc()) {
    return 0.0;
  }
  return negative ? -value : value;
}

bool isDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < n && isDigit(text[i])) ++i;
    return i - start;
  };
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < n && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == n;
}

bool readsWhole(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.size() >= 2 && text[0] == '&') {
    const int base = text[1] == 'H' || text[1] == 'h'   ? 16
                     : text[1] == 'O' || text[1] == 'o' ? 8
                                                        : 0;
    if (base == 0 || text.size() == 2) return false;
    for (const char c : text.substr(2)) {
      if (digitValue(c, base) < 0) return false;
    }
    return true;
  }
  return isDecimalNumber(text);
}

}  // namespace records

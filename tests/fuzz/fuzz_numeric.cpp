// The numeric reading on any text. Rules checked:
// - the result is a finite number or nothing (a number too large);
// - a character that cannot continue a number, put after the text, changes nothing;
// - a blank put anywhere changes nothing;
// - "&H" and "&O" numbers read as their digits in base 16 and 8;
// - a plain decimal number reads exactly as the C library reads it (both round correctly),
//   nothing when it is too large for a double, at most the smallest normal double when it
//   is below that.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "records/numeric.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The text as strtod would take it ("D" exponents as "e"), when it is a plain decimal number
// and nothing else: sign, digits with an optional point, an optional exponent.
std::optional<std::string> plainDecimal(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  const std::size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) out += text[i++];
  std::size_t digits = 0;
  for (; i < n && isDigit(text[i]); ++i, ++digits) out += text[i];
  if (i < n && text[i] == '.') {
    out += text[i++];
    for (; i < n && isDigit(text[i]); ++i, ++digits) out += text[i];
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    out += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) out += text[i++];
    std::size_t exponentDigits = 0;
    for (; i < n && isDigit(text[i]); ++i, ++exponentDigits) out += text[i];
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  return out;
}

// The leading digits of base 16 or 8 after "&H" or "&O", when they are few enough for a double
// to hold their value exactly and no blank stands anywhere.
std::optional<std::string> exactWholeDigits(const std::string& text, int& base) {
  if (text.size() < 2 || text[0] != '&' || text.find_first_of(" \t\n") != std::string::npos)
    return std::nullopt;
  const char kind = text[1];
  base = kind == 'H' || kind == 'h' ? 16 : kind == 'O' || kind == 'o' ? 8 : 0;
  if (base == 0) return std::nullopt;
  const char* const valid = base == 16 ? "0123456789abcdefABCDEF" : "01234567";
  const std::string digits = text.substr(2, text.find_first_not_of(valid, 2) - 2);
  if (digits.size() > (base == 16 ? 13u : 17u)) return std::nullopt;
  return digits;
}

bool same(const std::optional<double>& a, const std::optional<double>& b) {
  return a.has_value() == b.has_value() && (!a || *a == *b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<double> value = records::readNumber(text);
  if (value) FUZZ_CHECK(std::isfinite(*value));

  FUZZ_CHECK(same(records::readNumber(text + "#"), value));
  const std::size_t at = size == 0 ? 0 : data[0] % (size + 1);
  FUZZ_CHECK(same(records::readNumber(text.substr(0, at) + " " + text.substr(at)), value));

  int base = 0;
  if (const std::optional<std::string> digits = exactWholeDigits(text, base)) {
    const double expected =
        digits->empty() ? 0.0 : static_cast<double>(std::strtoull(digits->c_str(), nullptr, base));
    FUZZ_CHECK(value && *value == expected);
  }

  if (const std::optional<std::string> plain = plainDecimal(text)) {
    errno = 0;
    const double expected = std::strtod(plain->c_str(), nullptr);
    if (errno == ERANGE && std::isinf(expected)) {
      FUZZ_CHECK(!value);
    } else if (std::fabs(expected) < DBL_MIN) {
      FUZZ_CHECK(value && std::fabs(*value) <= DBL_MIN);
    } else {
      FUZZ_CHECK(value && *value == expected);
    }
  }
  return 0;
}

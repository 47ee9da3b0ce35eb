#include "link/line_settings.h"

#include <charconv>
#include <string>
#include <vector>

namespace device {

namespace {

std::optional<int> wholeNumber(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (parts.size() != 4 || parts[1].size() != 1) return std::nullopt;
  const auto baud = wholeNumber(parts[0]);
  const auto dataBits = wholeNumber(parts[2]);
  const auto stopBits = wholeNumber(parts[3]);
  const char parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[1][0])));
  if (!baud || *baud <= 0 || !dataBits || *dataBits < 5 || *dataBits > 8 || !stopBits ||
      (*stopBits != 1 && *stopBits != 2) ||
      std::string_view("NEOMS").find(parity) == std::string_view::npos)
    return std::nullopt;
  return LineSettings{*baud, parity, *dataBits, *stopBits};
}

}  // namespace device

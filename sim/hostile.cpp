#include "sim/hostile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace sim {

namespace {

template <class T, size_t N>
std::optional<T> lookup(const std::array<std::pair<std::string_view, T>, N>& names,
                        std::string_view name) {
  for (const auto& [text, value] : names) {
    if (text == name) return value;
  }
  return std::nullopt;
}

constexpr std::array<std::pair<std::string_view, Act>, 7> kActs{{
    {"none", Act::None},
    {"noise", Act::Noise},
    {"high", Act::High},
    {"nul", Act::Nul},
    {"flood", Act::Flood},
    {"stop", Act::Stop},
    {"vanish", Act::Vanish},
}};

constexpr std::array<std::pair<std::string_view, Stage>, 3> kStages{{
    {"wake", Stage::Wake},
    {"password", Stage::Password},
    {"data", Stage::Data},
}};

// The text before the next ':' (all of it when there is none), taken off `rest`.
std::string_view field(std::string_view& rest) {
  const size_t colon = rest.find(':');
  const std::string_view taken = rest.substr(0, colon);
  rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  return taken;
}

}  // namespace

std::optional<Hostility> parseHostility(std::string_view text) {
  Hostility hostility;
  std::string_view rest = text;
  const auto act = lookup(kActs, field(rest));
  if (!act) return std::nullopt;
  hostility.act = *act;
  if (!rest.empty()) {
    const auto stage = lookup(kStages, field(rest));
    if (!stage) return std::nullopt;
    hostility.stage = *stage;
  }
  if (!rest.empty()) {
    const std::string_view count = field(rest);
    const auto [end, error] =
        std::from_chars(count.data(), count.data() + count.size(), hostility.after);
    if (error != std::errc() || end != count.data() + count.size() || hostility.after < 0)
      return std::nullopt;
  }
  if (!rest.empty()) return std::nullopt;
  return hostility;
}

unsigned char Hostile::random() {
  if (!seeded_) {
    state_ = settings.seed ? settings.seed : 1;
    seeded_ = true;
  }
  // xorshift32: cheap, and the same bytes for the same seed on every machine.
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<unsigned char>(state_ >> 24);
}

void Hostile::shape(Stage stage, std::string piece, std::deque<std::string>& wire) {
  if (settings.act == Act::None) {
    wire.push_back(std::move(piece));
    return;
  }
  if (!turned_) {
    if (stage < settings.stage) {
      wire.push_back(std::move(piece));
      return;
    }
    // Still well behaved for the first characters of its stage.
    const long long room = stage == settings.stage ? settings.after - sentInStage_ : 0;
    if (room >= static_cast<long long>(piece.size())) {
      sentInStage_ += static_cast<long long>(piece.size());
      wire.push_back(std::move(piece));
      return;
    }
    const size_t good = static_cast<size_t>(std::max(0LL, room));
    if (good > 0) wire.push_back(piece.substr(0, good));
    piece.erase(0, good);
    turned_ = true;
    if (settings.act == Act::Flood) {
      for (int left = settings.floodSize; left > 0;) {
        const int length = std::min(left, 1 + random() % 32);
        std::string burst;
        for (int i = 0; i < length; ++i) burst += static_cast<char>(random());
        wire.push_back(std::move(burst));
        left -= length;
      }
      return;
    }
  }
  switch (settings.act) {
    case Act::Noise:
      for (char& c : piece) c = static_cast<char>(random());
      break;
    case Act::High:
      for (char& c : piece) c = static_cast<char>(static_cast<unsigned char>(c) | 0x80);
      break;
    case Act::Nul:
      std::fill(piece.begin(), piece.end(), '\0');
      break;
    case Act::Vanish:
      vanished_ = true;
      return;
    case Act::None:
    case Act::Flood:
    case Act::Stop:
      return;
  }
  if (!piece.empty()) wire.push_back(std::move(piece));
}

}  // namespace sim

#pragma once
// A transfer run in memory on fuzzed input: the unit's characters arrive as reads, one piece a
// read, as fast as the transfer takes them; then link ticks pass until the transfer ends.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/exchange.h"
#include "device/link.h"
#include "device/port.h"

namespace fuzzing {

class MemoryPort : public device::Port {
 public:
  bool isOpen() const override { return open_; }
  bool open(const std::string&, const device::LineSettings& settings) override {
    settings_ = settings;
    return open_ = true;
  }
  bool setSettings(const device::LineSettings& settings) override {
    settings_ = settings;
    return true;
  }
  void close() override { open_ = false; }
  void discardInput() override { input_.clear(); }
  int waiting() override { return static_cast<int>(input_.size()); }
  std::string read() override {
    if (!input_.empty()) ++reads;
    return std::exchange(input_, {});
  }
  void write(std::string_view text) override { written += text; }

  void deliver(const std::string& piece) {
    input_ += piece;
    arrived();
  }
  const device::LineSettings& settings() const { return settings_; }

  int reads = 0;
  std::string written;

 private:
  bool open_ = true;
  device::LineSettings settings_;
  std::string input_;
};

// Whoever runs the transfer: the password, and the positions each progress report counts.
class MemoryHost : public device::Host {
 public:
  std::string password() override { return "7391"; }
  void progress(const device::Progress& report) override {
    if (report.positions > (counts.empty() ? 0 : counts.back())) counts.push_back(report.positions);
  }

  std::vector<long long> counts;
  device::Result result;

  device::Context context(device::Link& link) { return {&link, this, &result}; }
};

// The unit's characters cut into reads. The first byte sets the rhythm: bit k (k = the
// character's position modulo 8) set means that character arrives in the same read as the one
// before it; 0 gives one character a read, as a well-behaved unit sends them.
inline std::vector<std::string> pieces(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> out;
  if (size == 0) return out;
  const std::uint8_t rhythm = data[0];
  for (std::size_t i = 1; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (!out.empty() && (rhythm >> (i % 8) & 1) != 0) {
      out.back() += c;
    } else {
      out.emplace_back(1, c);
    }
  }
  return out;
}

struct Ending {
  bool ended = false;
  bool escaped = false;     // an error escaped the transfer
  int ticksAfterInput = 0;  // ticks that passed after the last piece before the end
};

// Runs the transfer: every piece arrives as soon as the transfer waits for it, then up to
// maxTicks link ticks pass.
inline Ending drive(device::Link& link, MemoryPort& port, device::Task transfer,
                    const std::vector<std::string>& input, int maxTicks) {
  Ending ending;
  link.onFinished([&ending](std::exception_ptr error) { ending.escaped = error != nullptr; });
  link.start(std::move(transfer));
  for (const std::string& piece : input) {
    if (!link.busy()) break;
    port.deliver(piece);
  }
  while (link.busy() && ending.ticksAfterInput < maxTicks) {
    ++ending.ticksAfterInput;
    link.timerTick();
  }
  ending.ended = !link.busy();
  link.onFinished(nullptr);
  return ending;
}

}  // namespace fuzzing

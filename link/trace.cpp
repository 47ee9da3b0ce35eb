#include "link/trace.h"
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace device {

namespace {

const char* phaseWord(Stage stage) {
  switch (stage) {
    case Stage::Polling:
      return "poll";
    case Stage::Password:
    case Stage::Acceptance:
      return "password";
    case Stage::Data:
      break;
  }
  return "data";
}

}  // namespace

std::string settingsText(const LineSettings& s) {
  return std::to_string(s.baud) + "," + s.parity + "," + std::to_string(s.dataBits) + "," +
         std::to_string(s.stopBits);
}

TracingPort::TracingPort(Port& inner) : inner_(inner) {
  inner_.onArrival([this] { arrived(); });
}

TracingPort::~TracingPort() {
  inner_.onArrival(nullptr);
}

bool TracingPort::traceTo(const std::string& path, std::string* why) {
  file_.reset();
  if (path.empty()) return true;
  file_.reset(std::fopen(path.c_str(), "w"));
  if (!file_) {
    if (why) *why = std::strerror(errno);
    return false;
  }
  start_ = std::chrono::steady_clock::now();
  return true;
}

void TracingPort::maskData(bool fromUnit, long long first, long long count) {
  maskFirst_[fromUnit] = first;
  maskCount_[fromUnit] = count;
}

void TracingPort::stamp() {
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start_);
  std::fprintf(file_.get(), "%lld.%06lld ", static_cast<long long>(elapsed.count() / 1000000),
               static_cast<long long>(elapsed.count() % 1000000));
}

bool TracingPort::open(const std::string& device, const LineSettings& settings) {
  const bool opened = inner_.open(device, settings);
  if (file_) {
    stamp();
    std::fprintf(file_.get(), "%s %s %s\n", opened ? "open" : "open-failed", device.c_str(),
                 settingsText(settings).c_str());
    // Each exchange begins its phases afresh.
    phase_ = Stage::Polling;
    dataSeen_[0] = dataSeen_[1] = 0;
  }
  return opened;
}

bool TracingPort::setSettings(const LineSettings& settings) {
  const bool set = inner_.setSettings(settings);
  if (file_) {
    stamp();
    std::fprintf(file_.get(), "settings %s%s\n", settingsText(settings).c_str(),
                 set ? "" : " failed");
  }
  return set;
}

void TracingPort::close() {
  const bool wasOpen = inner_.isOpen();
  inner_.close();
  if (file_ && wasOpen) {
    stamp();
    std::fputs("close\n", file_.get());
    std::fflush(file_.get());
  }
}

std::string TracingPort::read() {
  std::string text = inner_.read();
  if (file_) characters(true, text, 0);
  return text;
}

void TracingPort::write(std::string_view text) {
  const size_t masked = maskWrite_;
  maskWrite_ = 0;
  // What never reaches the line is not traced: a write on a closed port goes nowhere.
  if (file_ && inner_.isOpen()) characters(false, text, masked);
  inner_.write(text);
}

void TracingPort::characters(bool fromUnit, std::string_view text, size_t masked) {
  const char* who = fromUnit ? "unit" : "pc";
  const char* phase = phaseWord(phase_);
  // One clock reading and one write to the file for the whole piece: the trace stays off the
  // exchange's pace.
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - start_)
                           .count();
  const long long seconds = elapsed / 1000000, micros = elapsed % 1000000;
  std::string lines;
  lines.reserve(text.size() * 32);
  for (size_t i = 0; i < text.size(); ++i) {
    bool secret = i < masked;
    if (phase_ == Stage::Data) {
      const long long at = dataSeen_[fromUnit]++;
      secret = secret ||
               (at >= maskFirst_[fromUnit] && at < maskFirst_[fromUnit] + maskCount_[fromUnit]);
    }
    const auto byte = static_cast<unsigned char>(text[i]);
    char line[64];
    int length = 0;
    if (secret) {
      length =
          std::snprintf(line, sizeof line, "%lld.%06lld %s %s **\n", seconds, micros, who, phase);
    } else if (byte > 0x20 && byte < 0x7F) {
      length = std::snprintf(line, sizeof line, "%lld.%06lld %s %s %02X %c\n", seconds, micros, who,
                             phase, byte, byte);
    } else {
      length = std::snprintf(line, sizeof line, "%lld.%06lld %s %s %02X\n", seconds, micros, who,
                             phase, byte);
    }
    lines.append(line, static_cast<size_t>(std::max(length, 0)));
  }
  std::fwrite(lines.data(), 1, lines.size(), file_.get());
}

}  // namespace device

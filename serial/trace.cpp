#include "serial/trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace serial {

using device::LineSettings;
using device::PortFault;
using device::Stage;

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

std::string traceFailureWords(const std::string& path, const std::string& why) {
  return "the trace " + path + " cannot be written: " + why;
}

namespace {

// Two names of one file: the same file on disk, or, where either is not there yet, the same
// path once made whole.
bool oneFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0)
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  auto whole = [](const std::string& path) {
    std::error_code failed;
    const auto made =
        std::filesystem::weakly_canonical(std::filesystem::absolute(path, failed), failed);
    return failed ? std::filesystem::path(path).lexically_normal() : made;
  };
  return whole(a) == whole(b);
}

}  // namespace

std::string traceRefusal(const std::string& path, const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    if (oneFile(path, file)) return "it is also " + file + ", which the run reads or writes";
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  if (S_ISREG(info.st_mode)) return {};
  if (S_ISDIR(info.st_mode)) return "it is a folder";
  if (S_ISFIFO(info.st_mode)) return "it is a FIFO, not a regular file";
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "it is a device, not a regular file";
  return "it is not a regular file";
}

bool TracingPort::traceTo(const std::string& path, std::string* why) {
  file_.reset();
  failure_.clear();
  if (path.empty()) return true;
  auto refused = [why](std::string reason) {
    if (why) *why = std::move(reason);
    return false;
  };
  if (std::string reason = traceRefusal(path); !reason.empty()) return refused(reason);
  // Opened without waiting, and looked at again once open: the name may have come to stand for
  // a FIFO or a device since, and a FIFO without a reader would hold the program here.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return refused(std::strerror(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return refused("it is not a regular file");
  }
  if (::ftruncate(fd, 0) != 0) {
    const int error = errno;
    ::close(fd);
    return refused(std::strerror(error));
  }
  file_.reset(::fdopen(fd, "w"));
  if (!file_) {
    const int error = errno;
    ::close(fd);
    return refused(std::strerror(error));
  }
  start_ = std::chrono::steady_clock::now();
  return true;
}

std::string TracingPort::failure() {
  if (file_ && std::fflush(file_.get()) != 0) failed(errno);
  return failure_;
}

void TracingPort::failed(int error) {
  failure_ = std::strerror(error != 0 ? error : EIO);
  // What follows would fail alike; the exchange goes on untraced.
  file_.reset();
}

void TracingPort::put(std::string_view text) {
  if (!file_) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) failed(errno);
}

void TracingPort::maskData(bool fromUnit, Stretches stretches) {
  masked_[fromUnit] = std::move(stretches);
}

bool TracingPort::secretData(bool fromUnit, long long at) const {
  return std::any_of(masked_[fromUnit].begin(), masked_[fromUnit].end(), [at](const auto& stretch) {
    return at >= stretch.first && at < stretch.first + stretch.second;
  });
}

void TracingPort::stamp() {
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start_);
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%lld.%06lld ",
                                   static_cast<long long>(elapsed.count() / 1000000),
                                   static_cast<long long>(elapsed.count() % 1000000));
  put(std::string_view(text, static_cast<size_t>(std::max(length, 0))));
}

bool TracingPort::open(const std::string& device, const LineSettings& settings) {
  const bool opened = inner_.open(device, settings);
  if (file_) {
    stamp();
    put(std::string(opened ? "open " : "open-failed ") + device + " " + settingsText(settings) +
        "\n");
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
    put("settings " + settingsText(settings) + (set ? "\n" : " failed\n"));
  }
  return set;
}

void TracingPort::close() {
  const bool wasOpen = inner_.isOpen();
  inner_.close();
  if (file_ && wasOpen) {
    stamp();
    put("close\n");
    // The exchange's lines are on disk, or their failure is known, when it ends.
    if (file_ && std::fflush(file_.get()) != 0) failed(errno);
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
    if (phase_ == Stage::Data) secret = secretData(fromUnit, dataSeen_[fromUnit]++) || secret;
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
  put(lines);
}

}  // namespace serial

#pragma once
// A trace of everything that crosses the line, for support: the port wrapped by this one writes
// every character in both directions to a plain text file, one line each, with the time since
// the trace began (steady clock), the direction, the exchange's phase, and the device and line
// settings at each open. A trace goes to support, so no secret reaches the file: the characters
// marked as a password, and those of the secret fields inside a configuration image, are written
// as "**". Without a file it only passes everything through.
//
// The file is a regular file of its own: a FIFO, a terminal or another device is refused, as
// writing to one would block the exchange or reach a machine. A write that fails (a full disk)
// ends the trace and is kept as its failure, for the run's outcome.
//
// The lines, each ended by LF:
//   SECONDS open DEVICE BAUD,PARITY,DATABITS,STOPBITS    (or "open-failed DEVICE ...")
//   SECONDS settings BAUD,PARITY,DATABITS,STOPBITS
//   SECONDS close
//   SECONDS pc|unit poll|password|data HH [C]            one character: its byte in hexadecimal,
//                                                        then the character itself when printable
//   SECONDS pc|unit poll|password|data **                a masked password character
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/port.h"
#include "device/progress.h"

namespace serial {

class TracingPort : public device::Port {
 public:
  explicit TracingPort(device::Port& inner);
  ~TracingPort() override;
  TracingPort(const TracingPort&) = delete;
  TracingPort& operator=(const TracingPort&) = delete;

  // Starts a trace in `path`, replacing the file; false with the reason when it cannot be
  // created or is no regular file. An empty path ends any trace.
  bool traceTo(const std::string& path, std::string* why = nullptr);
  bool tracing() const { return file_ != nullptr; }
  // Why the trace stopped being written (empty: every line so far reached the file). Pushes
  // what is still buffered to the file first.
  std::string failure();

  // The phase the characters that follow belong to.
  void setPhase(device::Stage stage) { phase_ = stage; }
  // The first `count` characters of the next write are a password.
  void maskNextWrite(size_t count) { maskWrite_ = count; }
  // From the start of the data phase on, these stretches of the data in one direction (first
  // character, count) are secret: the secret fields inside a configuration image.
  using Stretches = std::vector<std::pair<long long, long long>>;
  void maskData(bool fromUnit, Stretches stretches);

  bool isOpen() const override { return inner_.isOpen(); }
  bool open(const std::string& device, const device::LineSettings& settings) override;
  bool setSettings(const device::LineSettings& settings) override;
  void close() override;
  std::string openFailure() const override { return inner_.openFailure(); }
  std::optional<device::PortFault> openFault() const override { return inner_.openFault(); }
  void discardInput() override { inner_.discardInput(); }
  int waiting() override { return inner_.waiting(); }
  std::string read() override;
  void write(std::string_view text) override;

 private:
  void characters(bool fromUnit, std::string_view text, size_t masked);
  bool secretData(bool fromUnit, long long at) const;
  void stamp();
  // Writes a piece of the trace; a failure ends the trace and is kept.
  void put(std::string_view text);
  void failed(int error);

  device::Port& inner_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
  std::chrono::steady_clock::time_point start_;
  device::Stage phase_ = device::Stage::Polling;
  size_t maskWrite_ = 0;
  std::string failure_;
  // Data characters seen in the data phase so far, and the masked stretches, by direction.
  long long dataSeen_[2] = {0, 0};
  Stretches masked_[2];
};

// The words both programs use for a trace that cannot be written: "the trace FILE cannot be
// written: WHY".
std::string traceFailureWords(const std::string& path, const std::string& why);
// Why `path` cannot be the trace of a run that reads or writes `files`, said before anything is
// opened: a FIFO, a terminal or another device, a folder, or one of those files under any of its
// names, which the trace would replace or be replaced by. Empty: it can (a name not there yet
// becomes a new file).
std::string traceRefusal(const std::string& path, const std::vector<std::string>& files = {});

// "9600,N,8,1"
std::string settingsText(const device::LineSettings& settings);

}  // namespace serial

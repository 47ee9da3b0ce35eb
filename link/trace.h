#pragma once
// A trace of everything that crosses the line, for support: the port wrapped by this one writes
// every character in both directions to a plain text file, one line each, with the time since
// the trace began (steady clock), the direction, the exchange's phase, and the device and line
// settings at each open. Passwords never reach the file: the characters marked as a password
// are written as "**". Without a file it only passes everything through.
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

#include "link/port.h"
#include "link/progress.h"

namespace device {

class TracingPort : public Port {
 public:
  explicit TracingPort(Port& inner);
  ~TracingPort() override;
  TracingPort(const TracingPort&) = delete;
  TracingPort& operator=(const TracingPort&) = delete;

  // Starts a trace in `path`, replacing the file; false with the reason when it cannot be
  // created. An empty path ends any trace.
  bool traceTo(const std::string& path, std::string* why = nullptr);
  bool tracing() const { return file_ != nullptr; }

  // The phase the characters that follow belong to.
  void setPhase(Stage stage) { phase_ = stage; }
  // The first `count` characters of the next write are a password.
  void maskNextWrite(size_t count) { maskWrite_ = count; }
  // From the start of the data phase on, the characters `first` to `first + count - 1` of the
  // data in one direction are a password (the device password inside a configuration image).
  void maskData(bool fromUnit, long long first, long long count);

  bool isOpen() const override { return inner_.isOpen(); }
  bool open(const std::string& device, const LineSettings& settings) override;
  bool setSettings(const LineSettings& settings) override;
  void close() override;
  std::string openFailure() const override { return inner_.openFailure(); }
  std::optional<PortFault> openFault() const override { return inner_.openFault(); }
  void discardInput() override { inner_.discardInput(); }
  int waiting() override { return inner_.waiting(); }
  std::string read() override;
  void write(std::string_view text) override;

 private:
  void characters(bool fromUnit, std::string_view text, size_t masked);
  void stamp();

  Port& inner_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
  std::chrono::steady_clock::time_point start_;
  Stage phase_ = Stage::Polling;
  size_t maskWrite_ = 0;
  // Data characters seen in the data phase so far, and the masked stretch, by direction.
  long long dataSeen_[2] = {0, 0};
  long long maskFirst_[2] = {0, 0};
  long long maskCount_[2] = {0, 0};
};

// "9600,N,8,1"
std::string settingsText(const LineSettings& settings);

}  // namespace device

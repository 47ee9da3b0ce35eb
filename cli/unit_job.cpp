#include "cli/unit_job.h"

#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "config/config_file.h"
#include "config/encoding.h"
#include "config/field_table.h"
#include "link/config_download.h"
#include "link/config_upload.h"
#include "link/log_stamp.h"
#include "link/log_upload.h"
#include "link/serial_port.h"
#include "link/table_download.h"
#include "link/table_upload.h"
#include "loctable/table_file.h"
#include "logfile/disk_log_folder.h"

namespace cli {

// The port the exchange talks through, counting the characters that cross the line.
class UnitJob::CountingPort : public device::Port {
 public:
  explicit CountingPort(std::unique_ptr<device::Port> inner) : inner_(std::move(inner)) {
    inner_->onArrival([this] { arrived(); });
  }
  ~CountingPort() override { inner_->onArrival(nullptr); }

  bool isOpen() const override { return inner_->isOpen(); }
  bool open(int portNumber, const device::LineSettings& settings) override {
    return inner_->open(portNumber, settings);
  }
  std::string openFailure() const override { return inner_->openFailure(); }
  bool setSettings(const device::LineSettings& settings) override {
    return inner_->setSettings(settings);
  }
  void close() override { inner_->close(); }
  void discardInput() override { inner_->discardInput(); }
  int waiting() override { return inner_->waiting(); }
  std::string read() override {
    std::string text = inner_->read();
    count += static_cast<long long>(text.size());
    return text;
  }
  void write(std::string_view text) override {
    if (inner_->isOpen()) count += static_cast<long long>(text.size());
    inner_->write(text);
  }

  long long count = 0;

 private:
  std::unique_ptr<device::Port> inner_;
};

namespace {

// The folder of a log upload: the files go where the GUI would put them, with the port in
// front of the name in a fleet, and the name taken is kept for the report.
class NamingLogFolder : public device::LogFolder {
 public:
  NamingLogFolder(std::string folder, std::string prefix, std::string* taken)
      : disk_(folder), folder_(std::move(folder)), prefix_(std::move(prefix)), taken_(taken) {}
  Outcome create(const std::string& name, std::unique_ptr<device::LogSink>& file) override {
    const Outcome outcome = disk_.create(prefix_ + name, file);
    if (outcome == Outcome::Created) {
      *taken_ = (std::filesystem::path(folder_) / (prefix_ + name)).string();
    }
    return outcome;
  }

 private:
  logfile::DiskLogFolder disk_;
  std::string folder_, prefix_;
  std::string* taken_;
};

constexpr std::string_view kComPrefix = "COM";

}  // namespace

int comNumber(const std::string& port) {
  if (!port.starts_with(kComPrefix) || port.size() < 4 || port.size() > 5) return 0;
  int number = 0;
  for (const char c : port.substr(kComPrefix.size())) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number >= 1 && number <= 20 ? number : 0;
}

std::string portDevice(const std::string& port) {
  const int number = comNumber(port);
  if (number > 0) return device::comDevicePath(number);
  // The serial port takes a bare name for one under /dev; a path is made whole here so that
  // "./unit1" means the file of the current folder.
  return port.starts_with('/') ? port : std::filesystem::absolute(port).string();
}

UnitJob::UnitJob(JobSetup setup, std::unique_ptr<device::Port> port) : setup_(std::move(setup)) {
  if (!port) {
    const bool numbered = comNumber(setup_.port) > 0;
    port = numbered ? std::make_unique<device::SerialPort>()
                    : std::make_unique<device::SerialPort>(portDevice(setup_.port));
  }
  port_ = std::make_unique<CountingPort>(std::move(port));
  link_ = std::make_unique<device::Link>(*port_);
  // The download's pacing sleeps on a precise timer, as in the program.
  link_->setSleeper([this](std::chrono::microseconds length, std::function<void()> done) {
    const auto ms = std::max<long long>(1, (length.count() + 999) / 1000);
    QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &context_, std::move(done));
  });
  link_->onFinished([this](std::exception_ptr error) { ended(error); });
  config::applyStartupValues(fields_);
  outcome_.port = setup_.port;
  outcome_.device = portDevice(setup_.port);
}

UnitJob::~UnitJob() {
  link_->abort();
}

long long UnitJob::bytes() const {
  return port_->count;
}

void UnitJob::say(const std::string& text) {
  if (line_) line_(setup_.port + ": " + text);
}

void UnitJob::show(const ui::Message& message) {
  boxes_.push_back(message);
  if (message.icon == ui::Icon::Information) return;
  say(cause(message));
}

// A box's text as the cause of a failure. Two of the program's texts speak of its windows
// ("the CommPort property") or say too little for a line of their own ("Download "): the
// command line names what went wrong instead.
std::string UnitJob::cause(const ui::Message& message) const {
  if (message.text.starts_with(device::kPortNotAvailable)) {
    // The box's second line, when there is one, already names the device and the cause.
    const std::size_t newline = message.text.find('\n');
    if (newline != std::string::npos)
      return "port not available: " + message.text.substr(newline + 1);
    return "port not available (" + outcome_.device + ")";
  }
  if (setup_.action == Action::ReadLog && message.text == device::kLogFileFailure &&
      message.title == "Error") {
    const std::string folder = setup_.target.empty() ? "the current folder" : setup_.target;
    return "the GPS log file could not be created or written in " + folder;
  }
  return message.text;
}

void UnitJob::setIndicator(device::Indicator indicator, bool visible) {
  if (indicator == device::Indicator::Command5) connecting_ = visible;
}

device::Transfer UnitJob::transfer() {
  switch (setup_.action) {
    case Action::ReadConfig:
      return device::configUploadTransfer({&image_, &fields_});
    case Action::WriteConfig:
      return device::configDownloadTransfer(&image_);
    case Action::ReadLog:
      return device::logUploadTransfer(
          {std::make_shared<NamingLogFolder>(setup_.target, setup_.logPrefix, &logFile_),
           device::localLogStamp});
    case Action::ReadTable:
      return device::tableUploadTransfer(&cells_);
    case Action::WriteTable:
      return device::tableDownloadTransfer(&cells_);
  }
  return {};
}

void UnitJob::start(std::function<void()> done) {
  done_ = std::move(done);
  started_ = std::chrono::steady_clock::now();
  // The unit's password is what the technician types as the existing password.
  fields_.setText(config::Field::setup1_Text9, setup_.password);
  static const std::pair<Action, device::Operation> kOperations[] = {
      {Action::ReadConfig, device::kConfigUpload},  {Action::WriteConfig, device::kConfigDownload},
      {Action::ReadLog, device::kLogUpload},        {Action::ReadTable, device::kTableUpload},
      {Action::WriteTable, device::kTableDownload},
  };
  int operation = device::kConfigUpload;
  for (const auto& [action, code] : kOperations) {
    if (action == setup_.action) operation = code;
  }
  // As in the program: a configuration that fails its encoding and a table with a coordinate
  // the unit cannot hold are refused before the port is opened.
  bool refused = false;
  if (setup_.action == Action::WriteConfig) {
    refused = !config::encodeConfiguration(fields_, image_, voltageCodes_, *this);
  } else if (setup_.action == Action::WriteTable) {
    if (const auto cell = device::firstUnsendableCell(cells_)) {
      show(device::unsendableCellMessage(*cell));
      refused = true;
    }
  }
  if (refused) {
    ended(nullptr);
    return;
  }
  const int number = comNumber(setup_.port);
  link_->start(
      device::runExchange(device::Session{link_.get(), this},
                          device::ExchangeRequest{operation, number > 0 ? number : 1, transfer()}));
}

void UnitJob::tick() {
  if (finished_) return;
  ++seconds_;
  waking_ = connecting_ ? waking_ + 1 : 0;
  if (waking_ >= setup_.wakeLimit.count()) {
    giveUp("the unit does not answer (no reply to the poll in " +
           std::to_string(setup_.wakeLimit.count()) + " s)");
    return;
  }
  if (seconds_ >= setup_.totalLimit.count()) {
    giveUp("time limit of " + std::to_string(setup_.totalLimit.count()) + " s reached");
    return;
  }
  link_->timerTick();
}

void UnitJob::giveUp(std::string cause) {
  if (!givenUp_.empty()) return;
  givenUp_ = std::move(cause);
  say(givenUp_);
  link_->cancel();
  // A transfer that does not look at the cancel flag in its wait is ended here.
  link_->abort();
}

void UnitJob::ended(std::exception_ptr error) {
  if (finished_) return;
  finished_ = true;
  if (error) {
    givenUp_ = "unexpected error" + device::errorDetail(error);
    say(givenUp_);
  }
  auto failed = [this] {
    if (!givenUp_.empty()) return true;
    bool informed = false;
    for (const ui::Message& box : boxes_) {
      if (box.icon != ui::Icon::Information) return true;
      informed = true;
    }
    return !informed;
  };
  // What was read is saved only when the upload reported success, as a technician would.
  if (!failed() && !setup_.target.empty()) {
    if (setup_.action == Action::ReadConfig) {
      config::saveConfiguration(fields_, setup_.target, *this);
      outcome_.file = setup_.target;
    } else if (setup_.action == Action::ReadTable) {
      loctable::saveTable(cells_, setup_.target, *this);
      outcome_.file = setup_.target;
    }
  }
  if (setup_.action == Action::ReadLog) outcome_.file = logFile_;
  outcome_.ok = !failed();
  if (!givenUp_.empty()) {
    outcome_.cause = givenUp_;
  } else if (outcome_.ok) {
    outcome_.cause = boxes_.back().text;
  } else {
    outcome_.cause = "the exchange ended without an answer";
    for (const ui::Message& box : boxes_) {
      if (box.icon != ui::Icon::Information) {
        outcome_.cause = cause(box);
        break;
      }
    }
    if (boxes_.empty()) say(outcome_.cause);
  }
  outcome_.bytes = bytes();
  outcome_.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  if (done_) done_();
}

}  // namespace cli

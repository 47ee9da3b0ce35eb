#include "session/session.h"

#include "config/config_file.h"
#include "config/encoding.h"
#include "config/field_table.h"
#include "config/layout.h"
#include "config/problems.h"
#include "config/verify.h"
#include "device/config_download.h"
#include "device/config_upload.h"
#include "device/table_download.h"
#include "device/table_upload.h"
#include "loctable/table_file.h"
#include "records/safe_file.h"
#include "serial/precise_timer.h"

namespace session {

using device::configDownloadTransfer;
using device::configUploadTransfer;
using device::Context;
using device::Ending;
using device::ExchangeRequest;
using device::firstUnsendableCell;
using device::kConfigDownload;
using device::kConfigUpload;
using device::kLogUpload;
using device::kTableDownload;
using device::kTableUpload;
using device::logUploadTransfer;
using device::Port;
using device::Progress;
using device::Result;
using device::runExchange;
using device::Stage;
using device::tableDownloadTransfer;
using device::tableUploadTransfer;
using device::Transfer;

Session::Session(Port& port, Workspace workspace, QObject* timerOwner)
    : workspace_(std::move(workspace)), tracing_(port), link_(tracing_) {
  if (timerOwner) serial::usePreciseTimer(link_, timerOwner);
  link_.onFinished([this](std::exception_ptr error) { ended(error); });
}

Session::~Session() {
  link_.onFinished(nullptr);
  link_.abort();
}

std::string Session::password() {
  // A read-back talks to the unit with the password the download has just given it.
  const std::string password = readingBack_ ? config::devicePassword(sent_)
                                            : workspace_.fields->text(config::Field::setup1_Text9);
  tracing_.setPhase(Stage::Password);
  tracing_.maskNextWrite(password.size());
  return password;
}

void Session::progress(const Progress& report) {
  tracing_.setPhase(report.stage);
  // The GPS log file is known from its creation on, however the upload ends.
  if (!report.file.empty()) result_.file = report.file;
  if (progress_) progress_(report);
}

// A configuration that fails its encoding, and a table with a coordinate the unit cannot hold,
// are never sent: the port is not even opened.
bool Session::refuse(int operation) {
  if (operation == kConfigDownload) {
    config::EncodingOutcome encoding =
        config::encodeConfiguration(*workspace_.fields, image_, voltageCodes_);
    if (encoding.encoded) return false;
    result_.refusal.problems = std::move(encoding.problems);
    result_.refusal.checkFinds = config::checkProblems(*workspace_.fields).size();
    return true;
  }
  if (operation == kTableDownload) {
    result_.refusal.cell = firstUnsendableCell(*workspace_.cells);
    return result_.refusal.cell.has_value();
  }
  return false;
}

Transfer Session::transfer(int operation) {
  switch (operation) {
    case kConfigUpload:
      return configUploadTransfer({&image_, workspace_.fields});
    case kConfigDownload:
      return configDownloadTransfer(&image_);
    case kLogUpload:
      return logUploadTransfer({workspace_.logFolder});
    case kTableUpload:
      return tableUploadTransfer(workspace_.cells);
    case kTableDownload:
      return tableDownloadTransfer(workspace_.cells);
  }
  return {};
}

void Session::start(Request request) {
  // One exchange at a time: a second one would share the first one's port.
  if (link_.busy()) return;
  request_ = std::move(request);
  result_ = Result{};
  if (refuse(request_.operation)) {
    result_.ending = Ending::Invalid;
    if (finished_) finished_(result_, nullptr);
    return;
  }
  if (starting_) starting_();
  readBack_ = ReadBack{};
  readingBack_ = false;
  run(request_.operation, transfer(request_.operation));
}

void Session::run(int operation, Transfer transfer) {
  // The secret fields inside a configuration image stay out of the trace: two digits a byte,
  // in the direction the image goes.
  serial::TracingPort::Stretches secret;
  if (operation == kConfigUpload || operation == kConfigDownload) {
    for (const config::Slot* slot : config::secretSlots())
      secret.emplace_back(2LL * slot->index, 2LL * slot->width);
  }
  tracing_.maskData(operation == kConfigUpload, secret);
  tracing_.maskData(operation != kConfigUpload, {});
  link_.start(runExchange(Context{&link_, this, &result_},
                          ExchangeRequest{operation, request_.device, std::move(transfer)}));
}

// The configuration is read back into fields of its own, so the windows' fields keep what was
// meant; the unit's version text comes with it.
void Session::startReadBack() {
  readingBack_ = true;
  sent_ = image_;
  written_ = result_;
  readBack_.ran = true;
  config::copyFields(*workspace_.fields, readBackFields_);
  result_ = Result{};
  run(kConfigUpload, configUploadTransfer({&image_, &readBackFields_}));
}

void Session::ended(std::exception_ptr error) {
  if (readingBack_) {
    readingBack_ = false;
    readBack_.result = result_;
    if (!error && result_.finished())
      readBack_.unconfirmed = config::unconfirmedFields(sent_, image_);
    const std::string version = result_.version;
    result_ = written_;
    result_.version = version;
    if (finished_) finished_(result_, error);
    return;
  }
  if (!error && request_.verify && request_.operation == kConfigDownload && result_.finished()) {
    startReadBack();
    return;
  }
  // What an upload read is saved only when it finished: a half-read configuration or table
  // never replaces a file.
  const bool saves = request_.operation == kConfigUpload || request_.operation == kTableUpload;
  if (!error && result_.finished() && saves && !request_.saveTo.empty()) {
    // The file as the window's save writes it, replaced safely, and why not when it cannot be.
    const std::string text = request_.operation == kConfigUpload
                                 ? config::configurationText(*workspace_.fields)
                                 : loctable::tableText(*workspace_.cells);
    if (!records::replaceFile(request_.saveTo, text, &result_.fileFailure))
      result_.ending = Ending::FileFailed;
    result_.file = request_.saveTo;
  }
  if (finished_) finished_(result_, error);
}

}  // namespace session

#include "link/session.h"

#include "config/config_file.h"
#include "config/encoding.h"
#include "config/field_table.h"
#include "link/config_download.h"
#include "link/config_upload.h"
#include "link/precise_timer.h"
#include "link/table_download.h"
#include "link/table_upload.h"
#include "loctable/table_file.h"

namespace device {

Session::Session(Port& port, Workspace workspace, QObject* timerOwner)
    : workspace_(std::move(workspace)), link_(port) {
  if (timerOwner) usePreciseTimer(link_, timerOwner);
  link_.onFinished([this](std::exception_ptr error) { ended(error); });
}

Session::~Session() {
  link_.onFinished(nullptr);
  link_.abort();
}

std::string Session::password() {
  return workspace_.fields->text(config::Field::setup1_Text9);
}

void Session::progress(const Progress& report) {
  // The GPS log file is known from its creation on, however the upload ends.
  if (!report.file.empty()) result_.file = report.file;
  if (progress_) progress_(report);
}

// A configuration that fails its encoding, and a table with a coordinate the unit cannot hold,
// are never sent: the port is not even opened.
bool Session::refuse(int operation) {
  ui::RecordedMessages why;
  if (operation == kConfigDownload &&
      !config::encodeConfiguration(*workspace_.fields, image_, voltageCodes_, why)) {
    result_.refusal = std::move(why.shown);
    return true;
  }
  if (operation == kTableDownload) {
    if (const auto cell = firstUnsendableCell(*workspace_.cells)) {
      result_.refusal = {unsendableCellMessage(*cell)};
      return true;
    }
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
  link_.start(runExchange(
      Context{&link_, this, &result_},
      ExchangeRequest{request_.operation, request_.device, transfer(request_.operation)}));
}

void Session::ended(std::exception_ptr error) {
  // What an upload read is saved only when it finished: a half-read configuration or table
  // never replaces a file.
  const bool saves = request_.operation == kConfigUpload || request_.operation == kTableUpload;
  if (!error && result_.finished() && saves && !request_.saveTo.empty()) {
    ui::RecordedMessages saving;
    const bool saved = request_.operation == kConfigUpload
                           ? config::saveConfiguration(*workspace_.fields, request_.saveTo, saving)
                           : loctable::saveTable(*workspace_.cells, request_.saveTo, saving);
    if (!saved) result_.ending = Ending::FileFailed;
    result_.file = request_.saveTo;
  }
  if (finished_) finished_(result_, error);
}

}  // namespace device

#pragma once
// One session with the unit, as both programs run it: the port opened by its device, the link
// with the machine's clock and precise pauses, the operation's transfer over the configuration,
// the table or the GPS log folder, the refusals before the port is opened, and the save of what
// an upload read. It ends with a Result; the window and the command line only present it.
#include <QObject>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "config/field_store.h"
#include "config/fields.h"
#include "config/image.h"
#include "config/validation.h"
#include "device/exchange.h"
#include "device/log_upload.h"
#include "loctable/cells.h"
#include "serial/trace.h"

namespace session {

// What the session's exchanges work on; each must outlive the session.
struct Workspace {
  // The configuration: the upload's target, the download's source, and the password sent
  // (setup1 Text9).
  config::Fields* fields = nullptr;
  // The GPS location table.
  loctable::Cells* cells = nullptr;
  // Where GPS log files are created and named.
  std::shared_ptr<device::LogFolder> logFolder;
};

class Session : private device::Host {
 public:
  // With a `timerOwner` the link pauses on a precise timer it owns and tells time by the
  // machine's steady clock; without one (the tests) it counts virtual time.
  Session(device::Port& port, Workspace workspace, QObject* timerOwner);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  device::Link& link() { return link_; }
  bool busy() const { return link_.busy(); }
  // What the last configuration encoding or upload left in the configuration image.
  const config::Image& image() const { return image_; }

  // The refusals have passed and the port is about to be opened.
  void onStarting(std::function<void()> handler) { starting_ = std::move(handler); }
  // How the exchange is going, as the transfers report it.
  void onProgress(std::function<void(const device::Progress&)> handler) {
    progress_ = std::move(handler);
  }
  // How it ended. `error` is an exception that escaped the exchange; the result then says
  // where it was.
  void onFinished(std::function<void(const device::Result&, std::exception_ptr error)> handler) {
    finished_ = std::move(handler);
  }

  struct Request {
    int operation = device::kConfigUpload;
    std::string device;
    // A configuration or table upload that finished is saved here (empty: not saved).
    std::string saveTo;
    // A configuration download that finished is proven by reading the configuration back.
    bool verify = false;
  };
  // Starts the exchange. What cannot be sent is refused before the port is opened: the
  // finished handler then runs before start returns, with Ending::Invalid.
  void start(Request request);

  // Every character of the exchanges that follow goes to a trace in `path` (serial/trace.h);
  // empty: no trace. False with the reason when the file cannot be created or is no regular
  // file.
  bool traceTo(const std::string& path, std::string* why = nullptr) {
    return tracing_.traceTo(path, why);
  }
  // Why the trace could not be written to the end (empty: it was, or there is none); asked
  // once an exchange has ended.
  std::string traceFailure() { return tracing_.failure(); }

  // The proof of the last download asked to verify: the read-back exchange ran once the write
  // had finished; how it ended; and, when it finished, the fields that came back otherwise than
  // they were sent and the fields as read back. The download's own Result carries the unit's
  // version text from the read-back.
  struct ReadBack {
    bool ran = false;
    device::Result result;
    std::vector<config::Field> unconfirmed;
  };
  const ReadBack& readBack() const { return readBack_; }
  // Whether the exchange running now is a read-back.
  bool readingBack() const { return readingBack_; }
  const config::Fields& readBackFields() const { return readBackFields_; }

 private:
  // device::Host
  std::string password() override;
  void progress(const device::Progress& report) override;

  bool refuse(int operation);
  device::Transfer transfer(int operation);
  void ended(std::exception_ptr error);
  void startReadBack();
  void run(int operation, device::Transfer transfer);

  Workspace workspace_;
  serial::TracingPort tracing_;
  device::Link link_;
  config::Image image_;
  config::VoltageCodeTable voltageCodes_;
  Request request_;
  device::Result result_;
  // While a download is read back: what was sent, the download's result, what came back.
  bool readingBack_ = false;
  config::Image sent_;
  device::Result written_;
  ReadBack readBack_;
  config::FieldStore readBackFields_;
  std::function<void()> starting_;
  std::function<void(const device::Progress&)> progress_;
  std::function<void(const device::Result&, std::exception_ptr)> finished_;
};

}  // namespace session

#pragma once
// The GPS log files on disk, where both programs put what a log upload brings, each named from
// the date and time its upload started.
#include <functional>
#include <memory>
#include <string>

#include "device/log_upload.h"
#include "logfile/log_name.h"

namespace logfile {

// A folder on disk; an empty path is the program's current folder. A fleet's files carry
// `prefix` in front of their names; `now` gives the stamp of the upload.
class DiskLogFolder : public device::LogFolder {
 public:
  explicit DiskLogFolder(std::string folder = {}, std::string prefix = {},
                         std::function<LogStamp()> now = localLogStamp)
      : folder_(std::move(folder)), prefix_(std::move(prefix)), now_(std::move(now)) {}
  // Under the stamp's own name or, when that is taken, with the first free suffix. `name` is
  // the file's path from the folder given.
  bool create(std::unique_ptr<device::LogSink>& file, std::string& name) override;

 private:
  std::string folder_, prefix_;
  std::function<LogStamp()> now_;
};

}  // namespace logfile

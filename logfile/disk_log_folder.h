#pragma once
// The GPS log files on disk, where both programs put what a log upload brings.
#include <memory>
#include <string>

#include "link/log_upload.h"

namespace logfile {

// A folder on disk; an empty path is the program's current folder.
class DiskLogFolder : public device::LogFolder {
 public:
  explicit DiskLogFolder(std::string folder = {}) : folder_(std::move(folder)) {}
  Outcome create(const std::string& name, std::unique_ptr<device::LogSink>& file) override;

 private:
  std::string folder_;
};

}  // namespace logfile

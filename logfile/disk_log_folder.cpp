#include "logfile/disk_log_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace logfile {

namespace {

// Suffixes tried when uploads keep landing in the same second; past this the folder is
// plainly not a place to write logs.
constexpr int kMaxAttempts = 1000;

class DiskLogFile : public device::LogSink {
 public:
  explicit DiskLogFile(int fd) : fd_(fd) {}
  ~DiskLogFile() override { ::close(fd_); }
  DiskLogFile(const DiskLogFile&) = delete;
  DiskLogFile& operator=(const DiskLogFile&) = delete;

  // Written straight to the file, with no buffer of the program's own between: the line is the
  // operating system's before the unit hears "1", and nothing is left to be written at close.
  bool writeLine(std::string_view line) override {
    for (std::string_view rest = line; !rest.empty();) {
      const ssize_t written = ::write(fd_, rest.data(), rest.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        // A full disk can take part of a line. A CSV reader would take that part for a
        // position, so the file goes back to its last whole line.
        if (::ftruncate(fd_, complete_) == 0) ::lseek(fd_, complete_, SEEK_SET);
        return false;
      }
      rest.remove_prefix(static_cast<size_t>(written));
    }
    complete_ += static_cast<off_t>(line.size());
    return true;
  }

 private:
  int fd_;
  off_t complete_ = 0;  // the length of the whole lines written
};

}  // namespace

bool DiskLogFolder::create(std::unique_ptr<device::LogSink>& file, std::string& name) {
  const LogStamp stamp = now_();
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    const std::string taken = prefix_ + logFileName(stamp, attempt);
    const std::filesystem::path path = std::filesystem::path(folder_) / taken;
    // O_EXCL: the file is made new or not at all, so an earlier log is never replaced.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    file = std::make_unique<DiskLogFile>(fd);
    name = folder_.empty() ? taken : path.string();
    return true;
  }
  return false;
}

}  // namespace logfile

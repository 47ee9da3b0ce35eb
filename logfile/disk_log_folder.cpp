#include "logfile/disk_log_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace logfile {

namespace {

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

device::LogFolder::Outcome DiskLogFolder::create(const std::string& name,
                                                 std::unique_ptr<device::LogSink>& file) {
  const std::filesystem::path path = std::filesystem::path(folder_) / name;
  // O_EXCL: the file is made new or not at all, so an earlier log is never replaced.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? Outcome::Taken : Outcome::Failed;
  file = std::make_unique<DiskLogFile>(fd);
  return Outcome::Created;
}

}  // namespace logfile

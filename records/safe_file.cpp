#include "records/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace records {

namespace {

// A file descriptor closed on leaving its scope.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes it now, reporting whether the close went well (a deferred write error shows here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool failed(std::string* why, std::string reason) {
  if (why) *why = std::move(reason);
  return false;
}

bool failedBySystem(std::string* why) {
  return failed(why, std::strerror(errno));
}

// Writes the pieces from the file's start, one after the other. A false that no write caused
// (the bytes could not be made) fails with ECANCELED.
bool writeAll(int fd, const Pieces& pieces) {
  off_t offset = 0;
  bool written = true;
  const bool made = pieces([&](std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return written = false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
      offset += n;
    }
    return true;
  });
  if (!made && written) errno = ECANCELED;
  return made && written;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A shared lock on the folder for the length of a save. Taking it, a save that finds no other
// save running in the folder (no lock held) first removes the new files that saves cut short by
// a crash or a power cut left there: a running save holds its shared lock, so what is removed
// is never a file still being written.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!fd_.valid()) return;  // a folder the user may not list: nothing to tidy
    if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) removeLeftovers();
    // Never waits: a lock held elsewhere is no reason to hang the window.
    ::flock(fd_.get(), LOCK_SH | LOCK_NB);
  }

 private:
  void removeLeftovers() {
    const int listing = ::dup(fd_.get());
    if (listing < 0) return;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
      ::close(listing);
      return;
    }
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (!name.starts_with(kSavingPrefix)) continue;
      struct stat info {};
      if (::fstatat(fd_.get(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISREG(info.st_mode)) {
        ::unlinkat(fd_.get(), entry->d_name, 0);
      }
    }
    ::closedir(dir);
  }

  Descriptor fd_;  // closing it releases the lock
};

enum class Outcome { Replaced, Failed, FolderRefused };

// Writes the bytes into a new file in the target's folder, gives it the old file's owner and
// permissions, and renames it over the target. FolderRefused when the folder takes no new file
// or no rename, or the new file cannot have the old one's owner: the old file is then untouched
// and may still be written in place.
Outcome replaceThroughNewFile(const std::string& target, const Pieces& bytes,
                              const struct stat* old) {
  const std::string folder = folderOf(target);
  std::string temporary;
  Descriptor file;
  for (int attempt = 0; !file.valid() && attempt < 100; ++attempt) {
    temporary = folder + "/" + std::string(kSavingPrefix) + std::to_string(::getpid()) + "-" +
                std::to_string(attempt);
    // A new file gets the usual permissions (0666 less umask); a replacing one is kept private
    // until it has the old file's.
    file.reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      old ? 0600 : 0666));
    if (!file.valid() && errno != EEXIST) return Outcome::FolderRefused;
  }
  if (!file.valid()) return Outcome::FolderRefused;

  const auto discard = [&](Outcome outcome) {
    const int cause = errno;  // what failed, not what the clearing up does
    file.reset();
    ::unlink(temporary.c_str());
    errno = cause;
    return outcome;
  };
  if (!writeAll(file.get(), bytes) || ::fsync(file.get()) != 0) return discard(Outcome::Failed);
  if (old) {
    struct stat made {};
    if (::fstat(file.get(), &made) != 0) return discard(Outcome::Failed);
    // Another user's file (or one of a group the user is not in) cannot change hands through
    // a rename; written in place it keeps its owner. The owner first: a change of owner drops
    // the set-user and set-group bits that the permissions then put back.
    if ((made.st_uid != old->st_uid || made.st_gid != old->st_gid) &&
        ::fchown(file.get(), old->st_uid, old->st_gid) != 0) {
      return discard(Outcome::FolderRefused);
    }
    if (::fchmod(file.get(), old->st_mode & 07777) != 0) return discard(Outcome::FolderRefused);
  }
  if (!file.close()) return discard(Outcome::Failed);
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    // A sticky folder refuses to rename over another user's file; a mount point refuses any.
    return discard(old ? Outcome::FolderRefused : Outcome::Failed);
  }
  return Outcome::Replaced;
}

// The save of a file the user may write in a folder that takes no new file (a read-only or a
// sticky folder) or whose owner a new file cannot have. This path is not atomic: a crash half-way
// leaves the file part new, part old, which is why it is only taken when the safe path is closed.
// The space is reserved first, so a full disk refuses the save before a byte is changed.
bool writeInPlace(int fd, const Pieces& bytes) {
  off_t size = 0;
  const bool measured = bytes([&](std::string_view piece) {
    size += static_cast<off_t>(piece.size());
    return true;
  });
  if (!measured) {
    errno = ECANCELED;
    return false;
  }
  if (size > 0 && ::fallocate(fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
    return false;
  }
  return writeAll(fd, bytes) && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
}

}  // namespace

Pieces whole(std::string_view bytes) {
  return [bytes](const auto& put) { return put(bytes); };
}

bool replaceFile(const std::string& path, std::string_view bytes, std::string* why) {
  return replaceFileWith(path, whole(bytes), why);
}

// The file system facts behind the rules:
// - renaming over a file needs only the right to write the folder, so a read-only file would be
//   replaced: the file itself is opened for writing first, and a refusal ends the save;
// - a replaced file keeps its permissions, and its owner and group (a file the user could not
//   give them to a new file is written in place instead); extended attributes and ACLs are not
//   carried over;
// - a hard-linked file is replaced under the saved name only: the other names keep the old
//   contents, since the new contents are a new file (writing the shared file in place would
//   give up the guarantee that a failed save leaves it whole);
// - a symbolic link is followed, so the file it names is replaced and the link stays.
bool replaceFileWith(const std::string& path, const Pieces& bytes, std::string* why) {
  if (path.empty()) return failed(why, "no file name");
  std::string target = path;

  struct stat old {};
  bool exists = ::lstat(target.c_str(), &old) == 0;
  if (exists && S_ISLNK(old.st_mode)) {
    char resolved[PATH_MAX];
    if (!::realpath(target.c_str(), resolved)) return failedBySystem(why);
    target = resolved;
    exists = ::stat(target.c_str(), &old) == 0;
  }
  if (exists && !S_ISREG(old.st_mode)) return failed(why, "not a regular file");

  Descriptor inPlace;
  if (exists) {
    inPlace.reset(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!inPlace.valid()) return failedBySystem(why);
    struct stat opened {};
    if (::fstat(inPlace.get(), &opened) != 0 || !sameFile(opened, old)) {
      return failed(why, "replaced by another file while it was opened");
    }
  }

  const FolderLock lock(folderOf(target));
  switch (replaceThroughNewFile(target, bytes, exists ? &old : nullptr)) {
    case Outcome::Replaced:
      return true;
    case Outcome::Failed:
      return failedBySystem(why);
    case Outcome::FolderRefused:
      break;
  }
  // Without an old file to write in place, the folder's refusal is the cause.
  if (!exists || !writeInPlace(inPlace.get(), bytes) || !inPlace.close())
    return failedBySystem(why);
  return true;
}

namespace {

// Opens a regular file for reading, or says why not.
bool openForReading(const std::string& path, Descriptor& file, struct stat& info,
                    std::string* why) {
  if (path.empty()) return failed(why, "no file name");
  // Looked at before opening, since opening some devices has effects of its own (a serial line
  // is set up, a tape rewinds), and again after, on what was actually opened. Opening never
  // waits (a FIFO without a writer) and never makes a terminal the program's own.
  if (::stat(path.c_str(), &info) != 0) return failedBySystem(why);
  if (!S_ISREG(info.st_mode)) return failed(why, "not a regular file");
  file.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid() || ::fstat(file.get(), &info) != 0) return failedBySystem(why);
  if (!S_ISREG(info.st_mode)) return failed(why, "not a regular file");
  return true;
}

bool readPieces(int fd, const std::function<bool(std::string_view)>& take, std::string* why) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failedBySystem(why);
    if (n == 0) return true;
    if (!take(std::string_view(buffer, static_cast<std::size_t>(n)))) return false;
  }
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path, std::string* why) {
  Descriptor file;
  struct stat info {};
  if (!openForReading(path, file, info, why)) return std::nullopt;
  const std::string tooLarge = "larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB";
  if (static_cast<std::size_t>(info.st_size) > kMaxFileBytes) {
    failed(why, tooLarge);
    return std::nullopt;
  }
  std::string bytes;
  const bool read = readPieces(
      file.get(),
      [&](std::string_view piece) {
        bytes.append(piece);
        // A file that grows while it is read is no more one of the program's than a large one.
        return bytes.size() <= kMaxFileBytes || failed(why, tooLarge);
      },
      why);
  if (!read) return std::nullopt;
  return bytes;
}

bool readFileInPieces(const std::string& path,
                      const std::function<bool(std::string_view piece)>& take, std::string* why) {
  Descriptor file;
  struct stat info {};
  return openForReading(path, file, info, why) && readPieces(file.get(), take, why);
}

}  // namespace records

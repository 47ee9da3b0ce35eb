// The configuration file and the GPS table file against a file system that does not play
// along: paths that are not regular files, files far too large, records far too long, files
// and folders the user may not write, saves cut short by a crash. Each load and each save as
// another user runs in a child process, which its alarm ends if it hangs: a hang fails the
// test instead of stalling the run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "config/config_file.h"
#include "config/field_store.h"
#include "loctable/cell_store.h"
#include "loctable/table_file.h"
#include "records/file_outcome.h"
#include "records/safe_file.h"
#include "tests/child_process.h"
#include "tests/file_bytes.h"
#include "tests/private_device.h"

namespace {

namespace fs = std::filesystem;
using testing_child::Child;
using testing_child::inChild;

std::string read(const fs::path& path) {
  return testing_files::readBytes(path.string());
}

void write(const fs::path& path, const std::string& bytes) {
  testing_files::writeBytes(path.string(), bytes);
}

// The two files, each with its own load and save, reporting the outcome's status.
struct FileKind {
  const char* name;
  std::function<std::string(const std::string& path)> load;
  std::function<std::string(const std::string& path)> save;
  std::function<std::string()> savedText;  // the bytes a save writes
};

std::string statusOf(const records::FileOutcome& outcome) {
  switch (outcome.status) {
    case records::FileOutcome::Status::Done:
      return "done";
    case records::FileOutcome::Status::Refused:
      return outcome.why.empty() ? "refused without a reason" : "refused";
    case records::FileOutcome::Status::Malformed:
      break;
  }
  return "malformed";
}

const FileKind kKinds[] = {
    {"ConfigurationFile",
     [](const std::string& path) {
       config::FieldStore fields;
       return statusOf(config::loadConfiguration(fields, path));
     },
     [](const std::string& path) {
       return statusOf(config::saveConfiguration(config::FieldStore(), path));
     },
     [] { return config::configurationText(config::FieldStore()); }},
    {"TableFile",
     [](const std::string& path) {
       loctable::CellStore table;
       return statusOf(loctable::loadTable(table, path));
     },
     [](const std::string& path) {
       return statusOf(loctable::saveTable(loctable::CellStore(), path));
     },
     [] { return loctable::tableText(loctable::CellStore()); }},
};

class Files : public ::testing::Test {
 protected:
  Files() {
    char name[] = "/tmp/gpstracking-files-XXXXXX";
    folder = ::mkdtemp(name);
    // Other users go through it to their own folders below.
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  }
  ~Files() override {
    // Folders made read-only for a test are opened again first, so that all can go.
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_directory()) ::chmod(entry.path().c_str(), 0755);
    }
    fs::remove_all(folder);
  }
  fs::path folder;
};

// Whatever the path names, a load either reads a file of the program's size or shows its
// failure message at once, and never takes the program down.
TEST_F(Files, LoadingRefusesAtOnceWhatIsNoRegularFileOfTheProgramsSize) {
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  const std::string terminalPath = ::ptsname(terminal);
  const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (folder / "socket").string();
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::fs::create_directory(folder / "folder");
  const bool zero = testing_files::makePrivateDevice((folder / "zero").string(),
                                                     testing_files::MemoryDevice::Zero);
  ::symlink((folder / "zero").c_str(), (folder / "zero-link").c_str());

  for (const FileKind& kind : kKinds) {
    // A good file followed by more than the program reads: a load of it would succeed.
    const fs::path large = folder / (std::string(kind.name) + ".large");
    write(large, kind.savedText() + std::string(records::kMaxFileBytes, '\n'));
    const std::pair<std::string, std::string> paths[] = {
        {"Fifo", (folder / "fifo").string()},
        {"Terminal", terminalPath},
        {"Zero", (folder / "zero").string()},
        {"LinkToZero", (folder / "zero-link").string()},
        {"Socket", socketPath},
        {"Folder", (folder / "folder").string()},
        {"LargerThanTheCap", large.string()},
    };
    for (const auto& [name, path] : paths) {
      if (!zero && name.find("Zero") != std::string::npos) continue;
      SCOPED_TRACE(std::string(kind.name) + " " + name);
      const Child child = inChild([&] { return kind.load(path); });
      EXPECT_TRUE(child.finished) << child.how;
      EXPECT_EQ(child.output, "refused");
    }
  }
  ::close(listening);
  ::close(terminal);
}

// A read refuses what is no regular file before opening it (opening a device or FIFO has
// effects of its own), stops a file that grows past the cap while it is read, and says why.
TEST_F(Files, ReadingSaysWhyAndOpensNoOtherFile) {
  const fs::path fifo = folder / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  write(folder / "large", std::string(records::kMaxFileBytes + 1, 'x'));
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
  const std::pair<std::string, std::string> cases[] = {
      {fifo.string(), "not a regular file"},
      {folder.string(), "not a regular file"},
      {(folder / "none").string(), "No such file or directory"},
      {(folder / "large").string(), "larger than 1 MiB"},
      // A regular file of size 0 that reads on without end, as a file growing while read does.
      {"/proc/self/pagemap", "larger than 1 MiB"},
  };
  for (const auto& [path, why] : cases) {
    SCOPED_TRACE(path);
    const Child child = inChild([&] {
      std::string said;
      return records::readWholeFile(path, &said) ? "read" : said;
    });
    EXPECT_TRUE(child.finished) << child.how;
    EXPECT_EQ(child.output, why);
  }
  std::string said;
  EXPECT_FALSE(records::readFileInPieces(
      fifo.string(), [](std::string_view) { return true; }, &said));
  EXPECT_EQ(said, "not a regular file");
  char event[sizeof(inotify_event) + NAME_MAX + 1];
  EXPECT_LT(::read(watch, event, sizeof event), 0) << "the FIFO was opened";
  ::close(watch);
}

// The version text, a text field without a maximum length and a table cell: a record of 500 000
// characters is cut, so that the window takes it at once.
TEST_F(Files, LongRecordsAreCut) {
  const std::string longText(500000, '7');
  const fs::path configuration = folder / "long.cfg";
  std::string text = config::configurationText(config::FieldStore());
  text.replace(0, text.find("\r\n"), '"' + longText + '"');
  write(configuration, text);
  config::FieldStore fields;
  fields.setText(config::Field::setup1_Text9, longText);  // a password has no maximum length
  write(folder / "password.cfg", config::configurationText(fields));
  ASSERT_TRUE(config::loadConfiguration(fields, configuration.string()).done());
  EXPECT_EQ(fields.versionText(), std::string(config::kMaxVersionText, '7'));
  ASSERT_TRUE(config::loadConfiguration(fields, (folder / "password.cfg").string()).done());
  EXPECT_EQ(fields.text(config::Field::setup1_Text9), std::string(config::kMaxLoadedText, '7'));

  loctable::CellStore table;
  table.setCell(5, 1, longText);
  write(folder / "long.tbl", loctable::tableText(table));
  ASSERT_TRUE(loctable::loadTable(table, (folder / "long.tbl").string()).done());
  EXPECT_EQ(table.cell(5, 1), std::string(loctable::kMaxLoadedCell, '7'));
}

// Saving as a user without special rights: the one kind of user whom permissions bind (the
// superuser passes them all). Run as root, each save runs as "nobody".
TEST_F(Files, SavingAsAnUnprivilegedUser) {
  uid_t uid = ::geteuid();
  gid_t gid = ::getegid();
  const bool root = uid == 0;
  if (root) {
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody) GTEST_SKIP() << "running as root, and there is no user nobody to save as";
    uid = nobody->pw_uid;
    gid = nobody->pw_gid;
  }
  // Longer than what a save writes: a save in place leaves none of it behind.
  const std::string old = "old contents\r\n" + std::string(20000, 'o');
  struct Case {
    const char* name;
    mode_t folderMode;  // the user's own folder (a sticky one belongs to root)
    bool stickyRootFolder;
    mode_t fileMode;
    bool rootsFile;  // the file belongs to root
    bool saved;
  };
  const Case cases[] = {
      {"ReadOnlyFileInAWritableFolder", 0755, false, 0444, false, false},
      {"WritableFileInAReadOnlyFolder", 0555, false, 0666, false, true},
      {"ModeIsKept", 0755, false, 0640, false, true},
      {"AnotherUsersFileInAStickyFolderKeepsItsOwner", 01777, true, 0666, true, true},
  };
  for (const FileKind& kind : kKinds) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + " " + c.name);
      if (c.rootsFile && !root) {
        std::cout << "[  SKIPPED ] " << c.name << ": needs root to make another user's file\n";
        continue;
      }
      const fs::path place = folder / (std::string(kind.name) + c.name);
      fs::create_directory(place);
      const fs::path file = place / "file";
      write(file, old);
      ASSERT_EQ(::chmod(file.c_str(), c.fileMode), 0);
      if (root && !c.rootsFile) {
        ASSERT_EQ(::chown(file.c_str(), uid, gid), 0);
      }
      if (root && !c.stickyRootFolder) {
        ASSERT_EQ(::chown(place.c_str(), uid, gid), 0);
      }
      ASSERT_EQ(::chmod(place.c_str(), c.folderMode), 0);
      struct stat before {};
      ASSERT_EQ(::stat(file.c_str(), &before), 0);

      const Child child = inChild([&] { return kind.save(file.string()); }, root ? uid : 0, gid);
      ASSERT_TRUE(child.finished) << child.how;
      EXPECT_EQ(child.output, c.saved ? "done" : "refused");
      EXPECT_EQ(read(file), c.saved ? kind.savedText() : old);
      struct stat after {};
      ASSERT_EQ(::stat(file.c_str(), &after), 0);
      EXPECT_EQ(after.st_mode & 07777, c.fileMode);
      EXPECT_EQ(after.st_uid, before.st_uid);
      EXPECT_EQ(after.st_gid, before.st_gid);
      EXPECT_EQ(std::distance(fs::directory_iterator(place), fs::directory_iterator()), 1)
          << "only the file is left in its folder";
    }
  }
}

// A save cut short by a crash leaves its new file behind; the next save to that folder removes
// it, and a save never leaves one of its own.
TEST_F(Files, SavingRemovesWhatACrashedSaveLeft) {
  for (const FileKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const fs::path place = folder / kind.name;
    fs::create_directory(place);
    const fs::path leftover = place / (std::string(records::kSavingPrefix) + "424242-0");
    write(leftover, "half a file");
    write(place / "file", "old");
    const fs::path file = place / "file";
    EXPECT_EQ(kind.save(file.string()), "done");
    EXPECT_EQ(read(file), kind.savedText());
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(std::distance(fs::directory_iterator(place), fs::directory_iterator()), 1);
  }
}

}  // namespace

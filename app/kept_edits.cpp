#include "app/kept_edits.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "records/safe_file.h"

namespace app {

namespace {

const char* fileName(KeptEdits::Part part) {
  return part == KeptEdits::Part::Configuration ? "unsaved-configuration.cfg" : "unsaved-table.txt";
}

// Makes the folder and those above it, readable by the technician alone: the kept
// configuration holds the unit's passwords.
bool makeFolder(const std::string& folder, std::string* why) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      if (why) *why = part + ": " + std::strerror(errno);
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

std::string KeptEdits::defaultFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/gpstracking";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/gpstracking";
  return {};
}

std::string KeptEdits::path(Part part) const {
  return folder_ + "/" + fileName(part);
}

bool KeptEdits::keep(Part part, std::string_view text, std::string* why) const {
  if (!enabled()) return true;
  if (!makeFolder(folder_, why)) return false;
  std::string reason;
  if (records::replaceFile(path(part), text, &reason)) return true;
  if (why) *why = path(part) + ": " + reason;
  return false;
}

void KeptEdits::forget(Part part) const {
  if (enabled()) std::remove(path(part).c_str());
}

std::optional<KeptEdits::Kept> KeptEdits::kept(Part part) const {
  if (!enabled()) return std::nullopt;
  struct stat info {};
  if (::stat(path(part).c_str(), &info) != 0) return std::nullopt;
  auto text = records::readWholeFile(path(part));
  if (!text) return std::nullopt;
  return Kept{std::move(*text), info.st_mtime};
}

}  // namespace app

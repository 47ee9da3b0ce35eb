#pragma once
// Reading a file whole, and replacing a file's whole contents without ever leaving a half-written
// file behind: the bytes go into a new file beside it, which takes the old file's place only once
// every byte is written. On any failure the old file stays as it was and nothing else is left over.
#include <optional>
#include <string>
#include <string_view>

namespace config {

// path is the file system's name of the file (as ui::FileBrowser::path() gives it). False on
// any failure: an empty path, a folder, a missing folder, no right to write, a full disk.
bool replaceFile(const std::string& path, std::string_view bytes);

// Every byte of the file; nullopt when it cannot be read to its end (an empty path, a folder,
// a missing file, no right to read, a read error).
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace config

#pragma once
// Reading a file whole, and replacing a file's whole contents without ever leaving a half-written
// file behind: the bytes go into a new file beside it, which takes the old file's place only once
// every byte is written. On any failure the old file stays as it was and nothing else is left over.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace records {

// The largest file the program reads whole. Its configuration and table files are a few
// kilobytes (a configuration file is under 1 KiB, a GPS table file under 3 KiB), so anything
// bigger is not one of them; 1 MiB leaves a margin of several hundred times and still loads in
// a blink. A GPS log, which has no such bound, is read in pieces instead.
inline constexpr std::size_t kMaxFileBytes = 1 << 20;

// The name prefix of the new files a save writes beside the file it replaces. The leading dot
// keeps them out of the file browser; a save that finds such files in its folder while no other
// save runs there removes them, so that a save cut short by a crash leaves nothing for long.
inline constexpr std::string_view kSavingPrefix = ".gpstracking-saving-";

// path is the file system's name of the file (as ui::FileBrowser::path() gives it). False on
// any failure: an empty path, a folder or anything else that is not a regular file, a missing
// folder, a file the user may not write, a folder that takes no new file when there is no file
// to write in place, a full disk. An existing file keeps its permissions, and its owner and
// group where the system allows (see replaceFile in safe_file.cpp for how). `why`, when given,
// receives the reason as readWholeFile gives it.
bool replaceFile(const std::string& path, std::string_view bytes, std::string* why = nullptr);

// Hands the bytes of a file, in order and in pieces of any size, to `put`; false when it cannot
// go on (a false from `put` included). It may be asked twice (a file written in place is
// measured first) and gives the same bytes each time.
using Pieces = std::function<bool(const std::function<bool(std::string_view piece)>& put)>;

// The pieces of bytes already whole; they must outlive the Pieces.
Pieces whole(std::string_view bytes);

// The same replacement for a file whose bytes are made as they are written, so that its writer
// never holds them whole (an export of a long GPS log).
bool replaceFileWith(const std::string& path, const Pieces& pieces, std::string* why = nullptr);

// Every byte of the file; nullopt when it cannot be read to its end (an empty path, a missing
// file, no right to read, a read error), when it is not a regular file (a folder, a FIFO, a
// terminal or other device, a socket: refused at once, never read), or when it holds more than
// kMaxFileBytes. `why`, when given, receives the reason in a few words ("not a regular file",
// "larger than 1 MiB", the system's own words for a failed open or read).
std::optional<std::string> readWholeFile(const std::string& path, std::string* why = nullptr);

// The same reading for a file of any size, in pieces handed to `take` as they arrive, so that
// the reader holds no more than a piece: the same refusals, without the cap. `take` returns
// false to stop the reading, which then ends false with `why` untouched.
bool readFileInPieces(const std::string& path,
                      const std::function<bool(std::string_view piece)>& take,
                      std::string* why = nullptr);

}  // namespace records

#pragma once
// The configuration file: 71 records, one a line, each ended by CR LF; a text record is the
// field's text between double quotes, an index record a list's selected index as a decimal
// integer. Saving and loading work on the fields directly, whether their windows are shown or
// not, and return their outcome as a fact.
#include <cstddef>
#include <string>
#include <vector>

#include "config/fields.h"
#include "records/file_outcome.h"

namespace config {

struct FileRecord {
  enum Kind { Version, Text, Index };
  Kind kind;
  Field field;          // unused for the version text
  bool applied = true;  // false: read and dropped on loading
};

inline constexpr int kFileRecordCount = 71;

// The longest texts a load puts into the windows; longer ones are cut, without a message, as a
// field cuts a text longer than its maximum length. The unit's version text has 4 characters:
// 16 leaves room for a longer one while the label still shows it whole. A text field without a
// maximum length (numbers, passwords, a domain name) takes up to 1024 characters from a file,
// four times the longest domain name.
inline constexpr std::size_t kMaxVersionText = 16;
inline constexpr std::size_t kMaxLoadedText = 1024;

// The records in file order.
const std::vector<FileRecord>& fileRecords();

// One text record with its line end, quoted as records::quotedRecord quotes it.
std::string textRecord(const std::string& text);

// The whole file as saved.
std::string configurationText(const Fields& fields);

// path is the file system's name of the file (as ui::FileBrowser::path() gives it).
// Saves to path; a failure is Refused with the system's reason. The file is replaced only once
// every record is written; on a failure an old file stays as it was.
records::FileOutcome saveConfiguration(const Fields& fields, const std::string& path);

// What a load found beyond its outcome, for a report: why it failed, and the texts it cut.
struct LoadReport {
  std::string failure;  // "line 12: ..."; empty after a successful load
  int records = 0;      // the records read and applied before the end or the failure
  struct Cut {
    Field field;
    std::size_t length;  // of the text in the file
    std::size_t kept;    // the field's maximum length, or kMaxLoadedText
  };
  std::vector<Cut> cut;
};

// Loads from path, applying each record as soon as it is read, each text cut as said above. On
// any failure (empty path, unreadable file, a path that is not a regular file, a file larger
// than kMaxFileBytes: Refused; fewer than 71 records, an index that is no number or names no
// item: Malformed) the records applied before it keep their values. Records after the 71st are
// ignored. `report`, when given, is filled in.
records::FileOutcome loadConfiguration(Fields& fields, const std::string& path,
                                       LoadReport* report = nullptr);
// The same, from the file's bytes. `report`, when given, is filled in.
bool applyConfigurationText(Fields& fields, std::string bytes, LoadReport* report = nullptr);

}  // namespace config

#pragma once
// How a load or a save of one of the program's own files ended, as a fact: the window turns it
// into its box, the command line into its words.
#include <string>

namespace records {

struct FileOutcome {
  enum class Status {
    Done,      // loaded or saved
    Refused,   // the file system would not read or write the file
    Malformed  // the bytes were read but are not such a file
  };
  Status status = Status::Done;
  // Refused: the system's own words for why, as readWholeFile and replaceFile give them;
  // Malformed: what in the bytes does not fit ("the file ends after 12 of 71 records").
  std::string why;

  bool done() const { return status == Status::Done; }
};

}  // namespace records

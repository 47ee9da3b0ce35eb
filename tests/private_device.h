#pragma once
// A character device of the machine's own kind (null, zero, full) made inside a test's own
// folder. A test that needs a device as a path uses one of these and never the machine's own
// /dev entries: should the guard under test break, a save through the path replaces only the
// test's node, not the device every other program uses. Making a node needs root; without it
// there is no node and the caller leaves out the cases that need one.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <string>

namespace testing_files {

enum class MemoryDevice : unsigned { Null = 3, Zero = 5, Full = 7 };

inline bool makePrivateDevice(const std::string& path, MemoryDevice kind) {
  return ::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, static_cast<unsigned>(kind))) == 0;
}

}  // namespace testing_files

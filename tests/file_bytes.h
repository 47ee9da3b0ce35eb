#pragma once
// A test's whole-file reads and writes, byte for byte.
#include <fstream>
#include <sstream>
#include <string>

namespace testing_files {

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace testing_files

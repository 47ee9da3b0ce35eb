// gpstracking-unit-sim: the simulated tracking unit on a pseudo-terminal. It prints the path of
// the terminal's device (the PC side), optionally makes a symlink to it, and then plays the
// unit on it in real time until it is stopped.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/demo.h"
#include "sim/pty_server.h"
#include "sim/unit.h"

namespace {

void usage() {
  std::fputs(
      "usage: gpstracking-unit-sim [--link PATH] [--silent] [--answer TEXT] [--pieces N]\n"
      "                            [--lower] [--password TEXT] [--accept TEXT]\n"
      "                            [--silent-after K]\n"
      "Serves a simulated GPS tracking unit on a pseudo-terminal and prints its device path.\n"
      "Point COMn at it with GPSTRACKING_COMn=PATH.\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  sim::Unit unit;
  sim::installDemoOperations(unit);
  std::string linkPath;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--link")
      linkPath = value();
    else if (arg == "--silent")
      unit.knobs.silent = true;
    else if (arg == "--answer")
      unit.knobs.wakeAnswer = value() + "\r\n";
    else if (arg == "--pieces")
      unit.knobs.wakePieces = std::atoi(value().c_str());
    else if (arg == "--lower")
      unit.knobs.lowerCase = true;
    else if (arg == "--password")
      unit.knobs.password = value();
    else if (arg == "--accept")
      unit.knobs.accept = value();
    else if (arg == "--silent-after")
      unit.knobs.silentAfter = std::atoi(value().c_str());
    else {
      usage();
      return 2;
    }
  }

  try {
    sim::PtyServer server(unit);
    if (!linkPath.empty()) {
      ::unlink(linkPath.c_str());
      if (::symlink(server.path().c_str(), linkPath.c_str()) != 0) {
        std::perror("symlink");
        return 1;
      }
    }
    std::printf("%s\n", server.path().c_str());
    std::fflush(stdout);
    static sim::PtyServer* serving = &server;
    std::signal(SIGINT, [](int) { serving->stop(); });
    std::signal(SIGTERM, [](int) { serving->stop(); });
    server.serve();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gpstracking-unit-sim: %s\n", e.what());
    return 1;
  }
  if (!linkPath.empty()) ::unlink(linkPath.c_str());
  return 0;
}

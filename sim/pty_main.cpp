// gpstracking-unit-sim: the simulated tracking unit on a pseudo-terminal. It prints the path of
// the terminal's device (the PC side), optionally makes a symlink to it, and then plays the
// unit on it in real time until it is stopped.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "sim/demo.h"
#include "sim/unit.h"

namespace {

volatile std::sig_atomic_t stopping = 0;

void usage() {
  std::fputs(
      "usage: gpstracking-unit-sim [--link PATH] [--silent] [--answer TEXT] [--pieces N]\n"
      "                            [--lower] [--password TEXT] [--accept TEXT]\n"
      "                            [--silent-after K]\n"
      "Serves a simulated GPS tracking unit on a pseudo-terminal and prints its device path.\n"
      "Point COMn at it with GPSTRACKING_COMn=PATH.\n",
      stderr);
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
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
    if (arg == "--link") linkPath = value();
    else if (arg == "--silent") unit.knobs.silent = true;
    else if (arg == "--answer") unit.knobs.wakeAnswer = value() + "\r\n";
    else if (arg == "--pieces") unit.knobs.wakePieces = std::atoi(value().c_str());
    else if (arg == "--lower") unit.knobs.lowerCase = true;
    else if (arg == "--password") unit.knobs.password = value();
    else if (arg == "--accept") unit.knobs.accept = value();
    else if (arg == "--silent-after") unit.knobs.silentAfter = std::atoi(value().c_str());
    else {
      usage();
      return 2;
    }
  }

  int master = -1, slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }
  // Raw on both sides: no echo, no CR to LF, no line editing. The slave stays open here too,
  // so the terminal lives while the program opens and closes its side.
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  if (!linkPath.empty()) {
    ::unlink(linkPath.c_str());
    if (::symlink(name, linkPath.c_str()) != 0) {
      std::perror("symlink");
      return 1;
    }
  }
  std::printf("%s\n", name);
  std::fflush(stdout);

  std::signal(SIGINT, [](int) { stopping = 1; });
  std::signal(SIGTERM, [](int) { stopping = 1; });

  using Clock = std::chrono::steady_clock;
  auto nextTick = Clock::now() + std::chrono::seconds(1);
  while (!stopping) {
    // Each piece is its own arrival: a short gap keeps the PC from reading two in one go.
    while (unit.hasOutput()) {
      if (!writeAll(master, unit.takeArrival())) break;
      if (unit.hasOutput()) std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    const auto now = Clock::now();
    if (now >= nextTick) {
      unit.tick();
      nextTick += std::chrono::seconds(1);
      continue;
    }
    pollfd p{master, POLLIN, 0};
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now);
    if (::poll(&p, 1, static_cast<int>(wait.count()) + 1) > 0 && (p.revents & POLLIN)) {
      char buffer[4096];
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n > 0) unit.receive(std::string_view(buffer, static_cast<size_t>(n)));
    }
  }
  if (!linkPath.empty()) ::unlink(linkPath.c_str());
  ::close(slave);
  ::close(master);
  return 0;
}

// The yardstick for the CPU a GPS log upload costs: the least a driver can do on the same
// pseudo-terminal, in plain C calls. It wakes the unit, sends the password, then answers every
// character of the log with "N" and every record with "1", one poll, one read and one write a
// character. It prints the CPU microseconds per answered character of the data phase and the
// characters answered, and exits.
//
//     gpstracking-bench-driver DEVICE PASSWORD
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kRecordLength = 38;

double cpuMicroseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

bool setSpeed(int fd, speed_t speed) {
  termios line{};
  if (tcgetattr(fd, &line) != 0) return false;
  cfmakeraw(&line);
  cfsetispeed(&line, speed);
  cfsetospeed(&line, speed);
  return tcsetattr(fd, TCSANOW, &line) == 0;
}

bool send(int fd, const char* text) {
  const size_t length = std::strlen(text);
  return write(fd, text, length) == static_cast<ssize_t>(length);
}

// Reads until `wanted` has come, or `milliseconds` pass without a character.
bool await(int fd, const char* wanted, int milliseconds) {
  char seen[256] = {};
  size_t have = 0;
  pollfd watch{fd, POLLIN, 0};
  while (poll(&watch, 1, milliseconds) > 0) {
    char c = 0;
    if (read(fd, &c, 1) != 1) return false;
    if (have + 1 < sizeof seen) seen[have++] = c;
    if (std::strstr(seen, wanted)) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gpstracking-bench-driver DEVICE PASSWORD\n");
    return 2;
  }
  const int fd = open(argv[1], O_RDWR | O_NOCTTY);
  if (fd < 0 || !setSpeed(fd, B9600)) return 1;
  bool awake = false;
  for (int poll = 0; poll < 20 && !awake; ++poll) {
    send(fd, "O");
    awake = await(fd, "OK", 1000);
  }
  char password[64];
  std::snprintf(password, sizeof password, "%s\r", argv[2]);
  if (!awake || !send(fd, password) || !send(fd, "L") || !send(fd, password) ||
      !await(fd, "p", 3000) || !setSpeed(fd, B38400)) {
    return 1;
  }

  const double start = cpuMicroseconds();
  long long answered = 0;
  int inRecord = 0;
  pollfd watch{fd, POLLIN, 0};
  while (poll(&watch, 1, 8000) > 0) {
    char c = 0;
    if (read(fd, &c, 1) != 1) break;
    if (c == 'E') break;
    ++answered;
    if (++inRecord < kRecordLength) {
      send(fd, "N");
    } else {
      send(fd, "1");
      inRecord = 0;
    }
  }
  const double used = cpuMicroseconds() - start;
  close(fd);
  std::printf("%.3f %lld\n", answered > 0 ? used / static_cast<double>(answered) : 0, answered);
  return answered > 0 ? 0 : 1;
}

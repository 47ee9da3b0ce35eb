// The program's serial port on a real pseudo-terminal, when the device at the other end hangs
// up in the middle of an exchange.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <ctime>
#include <string>

#include "device/port_failure.h"
#include "serial/serial_port.h"

namespace {

// One pseudo-terminal; the port number `portNumber` is pointed at its device.
struct Terminal {
  int master = -1;
  int slave = -1;

  explicit Terminal(int portNumber) {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    ::setenv(("GPSTRACKING_COM" + std::to_string(portNumber)).c_str(), name, 1);
  }
  // The device goes away: both ends of the terminal are closed on its side.
  void hangUp() {
    ::close(slave);
    ::close(master);
    slave = master = -1;
  }
  ~Terminal() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
};

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The port's notifiers need an application object; each test has its own.
class SerialPort : public ::testing::Test {
  int argc_ = 1;
  char name_[17] = "test_serial_port";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
};

void processEventsFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

TEST_F(SerialPort, ADeviceThatHangsUpIsClosedInsteadOfReadForEver) {
  constexpr int kPort = 17;
  Terminal terminal(kPort);
  ASSERT_GE(terminal.master, 0);
  serial::SerialPort port;
  int arrivals = 0;
  port.onArrival([&arrivals] { ++arrivals; });
  ASSERT_TRUE(port.open(serial::comDevicePath(kPort), device::kSettings9600));

  ASSERT_EQ(::write(terminal.master, "p", 1), 1);
  processEventsFor(100);
  EXPECT_EQ(arrivals, 1);
  EXPECT_EQ(port.read(), "p");

  terminal.hangUp();
  const double before = threadCpuSeconds();
  processEventsFor(500);
  const double used = threadCpuSeconds() - before;
  // Waiting out a time-out costs next to nothing; reading end of file over and over would
  // take all of it.
  EXPECT_LT(used, 0.1) << "CPU seconds in half a second after the hang-up";
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.waiting(), 0);
  EXPECT_EQ(port.read(), "");
  port.write("N");  // nothing to write to, and no harm done

  // The unit comes back on a new terminal: the next exchange opens the port afresh.
  Terminal again(kPort);
  ASSERT_TRUE(port.open(serial::comDevicePath(kPort), device::kSettings9600));
  ASSERT_EQ(::write(again.master, "OK0\r\n", 5), 5);
  processEventsFor(100);
  EXPECT_EQ(port.read(), "OK0\r\n");
  port.write("O");
  char answer = 0;
  EXPECT_EQ(::read(again.master, &answer, 1), 1);
  EXPECT_EQ(answer, 'O');
  EXPECT_TRUE(port.isOpen());
}

// Answering each character costs one pass of the event loop, the one its arrival wakes: the
// answer itself leaves nothing for the loop to do afterwards (QSerialPort's write notifier
// would wake it once more for every character of a GPS log).
TEST_F(SerialPort, AnAnswerWakesTheEventLoopNoMore) {
  constexpr int kPort = 15;
  constexpr int kCharacters = 200;
  Terminal terminal(kPort);
  ASSERT_GE(terminal.master, 0);
  serial::SerialPort port;
  int answered = 0;
  port.onArrival([&] {
    answered += static_cast<int>(port.read().size());
    port.write("N");
  });
  ASSERT_TRUE(port.open(serial::comDevicePath(kPort), device::kSettings38400));

  // The passes that had something to do: those up to each answer, then those the loop still
  // finds work for before the unit's next character comes.
  QAbstractEventDispatcher& loop = *QAbstractEventDispatcher::instance();
  int passes = 0;
  std::string heard;
  for (int i = 0; i < kCharacters; ++i) {
    ASSERT_EQ(::write(terminal.master, "1", 1), 1);
    while (answered <= i && passes < 10 * kCharacters) {
      loop.processEvents(QEventLoop::WaitForMoreEvents);
      ++passes;
    }
    char answer = 0;
    ASSERT_EQ(::read(terminal.master, &answer, 1), 1);
    heard += answer;
    while (loop.processEvents(QEventLoop::AllEvents) && passes < 10 * kCharacters) ++passes;
  }
  EXPECT_EQ(heard, std::string(kCharacters, 'N'));
  // A little room for a pass the system adds now and then.
  EXPECT_LE(passes, kCharacters + kCharacters / 10);
}

// A port that cannot be opened says which device and why: one that is not there, one that
// another program holds, and one the program has no descriptor left for.
TEST_F(SerialPort, AFailedOpeningNamesTheDeviceAndWhy) {
  const std::string missing = "/tmp/gpstracking-no-such-device-" + std::to_string(::getpid());
  ::setenv("GPSTRACKING_COM18", missing.c_str(), 1);
  serial::SerialPort port;
  EXPECT_FALSE(port.open(serial::comDevicePath(18), device::kSettings9600));
  EXPECT_EQ(port.openFailure(), device::portFailureLine(missing, device::PortFault::NotPresent));
  EXPECT_EQ(port.openFault(), device::PortFault::NotPresent);

  Terminal terminal(19);
  ASSERT_GE(terminal.master, 0);
  serial::SerialPort holder;
  ASSERT_TRUE(holder.open(serial::comDevicePath(19), device::kSettings9600));
  EXPECT_FALSE(port.open(serial::comDevicePath(19), device::kSettings9600));
  EXPECT_EQ(port.openFailure(),
            device::portFailureLine(serial::comDevicePath(19), device::PortFault::InUse));
  EXPECT_EQ(port.openFault(), device::PortFault::InUse);
  holder.close();

  rlimit files{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
  const int lowest = ::open("/", O_PATH | O_CLOEXEC);
  ASSERT_GE(lowest, 0);
  ::close(lowest);
  rlimit none = files;
  none.rlim_cur = static_cast<rlim_t>(lowest);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
  const bool opened = port.open(serial::comDevicePath(19), device::kSettings9600);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0);
  EXPECT_FALSE(opened);
  EXPECT_EQ(port.openFailure(),
            device::portFailureLine(serial::comDevicePath(19), device::PortFault::NoDescriptors));
  EXPECT_EQ(port.openFault(), device::PortFault::NoDescriptors);

  // Once it is free, the port opens and has nothing to say.
  EXPECT_TRUE(port.open(serial::comDevicePath(19), device::kSettings9600));
  EXPECT_EQ(port.openFailure(), "");
}

// The line settings reach the device, also on an open port; settings the port cannot take
// leave it closed.
TEST_F(SerialPort, SetsTheLineSettingsItCanAndRefusesTheOthers) {
  constexpr int kPort = 16;
  Terminal terminal(kPort);
  ASSERT_GE(terminal.master, 0);
  const auto speed = [&terminal] {
    termios line{};
    tcgetattr(terminal.slave, &line);
    return cfgetospeed(&line);
  };
  serial::SerialPort port;
  ASSERT_TRUE(port.open(serial::comDevicePath(kPort), device::kSettings9600));
  EXPECT_EQ(speed(), static_cast<speed_t>(B9600));
  ASSERT_TRUE(port.setSettings(device::kSettings38400));
  EXPECT_EQ(speed(), static_cast<speed_t>(B38400));

  const device::LineSettings refused[] = {
      {9600, 'X', 8, 1}, {9600, 'n', 8, 1}, {9600, 'N', 9, 1},
      {9600, 'N', 4, 1}, {9600, 'N', 8, 3}, {0, 'N', 8, 1},
  };
  for (const device::LineSettings& settings : refused) {
    EXPECT_FALSE(port.open(serial::comDevicePath(kPort), settings))
        << settings.baud << "," << settings.parity << "," << settings.dataBits << ","
        << settings.stopBits;
    EXPECT_FALSE(port.isOpen());
  }
}

}  // namespace

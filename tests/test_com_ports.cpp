#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <functional>

#include "app/port_list.h"
#include "serial/com_ports.h"
#include "serial/serial_port.h"
#include "serial/serial_port_info.h"
#include "sim/pty_server.h"

namespace {

TEST(ComPorts, NamesMapToNumbersExactly) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"COM1", 1},
      {"COM12", 12},
      {"COM20", 20},
      {"COM21", std::nullopt},
      {"com1", std::nullopt},
      {"COM0", std::nullopt},
      {"COM01", std::nullopt},
      {"", std::nullopt},
      {" COM1", std::nullopt},
  };
  for (const auto& [name, number] : cases) EXPECT_EQ(serial::comPortNumber(name), number) << name;
  EXPECT_EQ(serial::comPortName(7), "COM7");
}

TEST(ComPorts, DevicesComeFromTheEnvironmentOrTheDefaultMapping) {
  ::unsetenv("GPSTRACKING_COM3");
  EXPECT_EQ(serial::comDevicePath(1), "/dev/ttyUSB0");
  EXPECT_EQ(serial::comDevicePath(3), "/dev/ttyUSB2");
  EXPECT_EQ(serial::comDevicePath(9), "/dev/ttyACM0");
  EXPECT_EQ(serial::comDevicePath(13), "/dev/ttyS0");
  EXPECT_EQ(serial::comDevicePath(20), "/dev/ttyS7");
  ::setenv("GPSTRACKING_COM3", "/tmp/unit", 1);
  EXPECT_EQ(serial::comDevicePath(3), "/tmp/unit");
  ::unsetenv("GPSTRACKING_COM3");
}

// A COM name with blanks or a line break in it (pasted, or read from a file) is a mistyped COM
// name, never the name of a file in the current folder.
TEST(ComPorts, ANameWithBlanksIsRefusedAsACOMName) {
  ::unsetenv("GPSTRACKING_COM3");
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {" COM3", std::nullopt},   {"COM 3", std::nullopt},  {"COM3\n", std::nullopt},
      {"\tcom3 ", std::nullopt}, {"COM3", "/dev/ttyUSB2"}, {"/tmp/my unit", "/tmp/my unit"},
      {"COM21", std::nullopt},
  };
  for (const auto& [given, device] : cases) {
    std::string error;
    EXPECT_EQ(serial::portDevice(given, error), device) << given;
    if (!device) {
      EXPECT_NE(error.find("is not a COM port"), std::string::npos) << error;
    }
  }
  std::string error;
  serial::portDevice("COM3\n", error);
  EXPECT_EQ(error.substr(0, 28), "\"COM3\\n\" is not a COM port: ");
  // A near miss is named; a name of no port is not.
  for (const auto& [given, guess] :
       {std::pair{"com3", "did you mean COM3? "}, std::pair{"COM 12", "did you mean COM12? "},
        std::pair{"COM21", ""}}) {
    serial::portDevice(given, error);
    EXPECT_EQ(error.substr(error.find(": ") + 2, std::string_view(guess).size()), guess) << error;
    if (!*guess) {
      EXPECT_EQ(error.find("did you mean"), std::string::npos) << error;
    }
  }
}

// A port pointed at something other than a terminal is no port: not present in the lists, and
// opening it says what it is instead of taking a file or /dev/zero for a unit.
TEST(ComPorts, SomethingOtherThanATerminalIsNoSerialDevice) {
  QTemporaryDir folder;
  const std::string file = folder.filePath("unit.cfg").toStdString(),
                    node = folder.filePath("zero").toStdString();
  ASSERT_TRUE(QFile(folder.filePath("unit.cfg")).open(QIODevice::WriteOnly));
  sim::Unit unit;
  sim::PtyServer server(unit);
  struct Case {
    std::string path;
    bool terminal;
  };
  std::vector<Case> cases = {
      {server.path(), true}, {file, false}, {folder.path().toStdString(), false}};
  // A device node of the test's own, as /dev/zero, when the test may make one.
  if (::geteuid() == 0 && ::mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0)
    cases.push_back({node, false});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ::setenv("GPSTRACKING_COM3", c.path.c_str(), 1);
    const serial::ComDevice described = serial::describeComDevice(3);
    EXPECT_EQ(described.present, c.terminal);
    EXPECT_EQ(described.notSerial, !c.terminal);
    if (c.terminal) continue;
    EXPECT_EQ(serial::comDeviceDetails(described), "not a serial device");
    serial::SerialPort port;
    EXPECT_FALSE(port.open(c.path, device::kSettings9600));
    EXPECT_EQ(port.openFault(), device::PortFault::NotSerial);
    EXPECT_NE(port.openFailure().find(c.path + " is not a serial device"), std::string::npos);
  }
  ::unsetenv("GPSTRACKING_COM3");
}

// Runs the event loop until `done` holds or twice the list's check interval has passed.
bool within2Seconds(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2 * app::PortList::kCheckMilliseconds + 500) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  return done();
}

TEST(PortList, MarksADeviceAsItComesAndGoesWithoutMovingTheSelection) {
  QTemporaryDir folder;
  const std::string link = folder.filePath("unit").toStdString();
  ::setenv("GPSTRACKING_COM3", link.c_str(), 1);
  sim::Unit unit;
  sim::PtyServer server(unit);

  QListWidget list;
  new app::PortList(list);
  list.setCurrentRow(5);
  list.show();
  QListWidgetItem* com3 = list.item(2);
  const auto present = [&] { return com3->font().bold(); };
  EXPECT_FALSE(present());
  EXPECT_NE(com3->toolTip().toStdString().find("no device"), std::string::npos);

  // The simulated unit's terminal appears behind COM3, goes, and comes back.
  for (bool plugged : {true, false, true}) {
    if (plugged) {
      ASSERT_EQ(::symlink(server.path().c_str(), link.c_str()), 0);
    } else {
      ASSERT_EQ(::unlink(link.c_str()), 0);
    }
    EXPECT_TRUE(within2Seconds([&] { return present() == plugged; })) << plugged;
    // The device beside the name, cut by the list's width rather than widening it.
    EXPECT_EQ(com3->text().toStdString().substr(0, plugged ? 5 + link.size() : std::string::npos),
              plugged ? "COM3 " + link : "COM3");
    EXPECT_EQ(list.textElideMode(), Qt::ElideRight);
    EXPECT_EQ(list.currentRow(), 5);
    EXPECT_EQ(app::PortList::portName(*com3), "COM3");
  }
  EXPECT_NE(com3->toolTip().toStdString().find(link), std::string::npos);
  ::unsetenv("GPSTRACKING_COM3");
}

}  // namespace

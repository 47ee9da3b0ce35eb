#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <functional>

#include "app/com_ports.h"
#include "app/port_list.h"
#include "link/serial_port.h"
#include "sim/pty_server.h"

namespace {

TEST(ComPorts, NamesMapToIndicesExactly) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"COM1", 0},
      {"COM12", 11},
      {"COM20", 19},
      {"COM21", std::nullopt},
      {"com1", std::nullopt},
      {"COM0", std::nullopt},
      {"COM01", std::nullopt},
      {"", std::nullopt},
      {" COM1", std::nullopt},
  };
  for (const auto& [name, index] : cases) EXPECT_EQ(app::comPortIndex(name), index) << name;
  EXPECT_EQ(app::comPortName(6), "COM7");
}

TEST(ComPorts, DevicesComeFromTheEnvironmentOrTheDefaultMapping) {
  ::unsetenv("GPSTRACKING_COM3");
  EXPECT_EQ(device::comDevicePath(1), "/dev/ttyUSB0");
  EXPECT_EQ(device::comDevicePath(3), "/dev/ttyUSB2");
  EXPECT_EQ(device::comDevicePath(9), "/dev/ttyACM0");
  EXPECT_EQ(device::comDevicePath(13), "/dev/ttyS0");
  EXPECT_EQ(device::comDevicePath(20), "/dev/ttyS7");
  ::setenv("GPSTRACKING_COM3", "/tmp/unit", 1);
  EXPECT_EQ(device::comDevicePath(3), "/tmp/unit");
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

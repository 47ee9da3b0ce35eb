#include "app/port_list.h"

#include <QEvent>
#include <QFile>
#include <QListWidget>

#include "app/com_ports.h"
#include "link/serial_port.h"
#include "link/serial_port_info.h"

namespace app {

namespace {
constexpr int kPortNameRole = Qt::UserRole;
}

PortList::PortList(QListWidget& list) : QObject(&list), list_(list), presence_(kComPortCount, -1) {
  for (int i = 0; i < kComPortCount; ++i) {
    auto* item = new QListWidgetItem(QString::fromStdString(comPortName(i)), &list_);
    item->setData(kPortNameRole, QString::fromStdString(comPortName(i)));
  }
  // The list keeps its fixed size: an entry longer than the list ends in "...", the whole of
  // it in the entry's tool tip.
  list_.setTextElideMode(Qt::ElideRight);
  list_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  timer_.setInterval(kCheckMilliseconds);
  connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
  // The entries are looked at when the list shows, not before: the program starts without
  // asking the system about any device.
  list_.installEventFilter(this);
}

std::string PortList::portName(const QListWidgetItem& item) {
  return item.data(kPortNameRole).toString().toStdString();
}

void PortList::refresh() {
  std::vector<int> changed;
  for (int i = 0; i < kComPortCount; ++i) {
    const bool present = device::comDevicePresent(device::comDevicePath(i + 1));
    if (presence_[static_cast<std::size_t>(i)] != static_cast<int>(present)) {
      presence_[static_cast<std::size_t>(i)] = present;
      changed.push_back(i + 1);
    }
  }
  if (changed.empty()) return;
  const std::vector<device::ComDevice> devices = device::describeComDevices(changed);
  for (size_t k = 0; k < changed.size(); ++k) describe(changed[k] - 1, devices[k]);
}

void PortList::describe(int index, const device::ComDevice& device) {
  const bool present = device.present;
  QListWidgetItem* item = list_.item(index);
  // A present port shows its device and what the system calls it beside its name:
  // "COM1 ttyUSB0 - FT232R USB UART".
  QString text = QString::fromStdString(comPortName(index));
  if (present) {
    QString path = QFile::decodeName(device.path.c_str());
    if (path.startsWith("/dev/")) path = path.mid(5);
    text += ' ' + path;
    if (!device.description.empty())
      text += QString::fromUtf8(" \u2013 ") + QString::fromStdString(device.description);
  }
  item->setText(text);
  QFont font = list_.font();
  font.setBold(present);
  item->setFont(font);
  item->setForeground(
      list_.palette().brush(present ? QPalette::Active : QPalette::Disabled, QPalette::Text));
  item->setToolTip(QString::fromStdString(device::comDeviceSummary(device)));
  item->setData(Qt::AccessibleDescriptionRole, present ? "device present" : "no device");
}

bool PortList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &list_ && event->type() == QEvent::Show) {
    refresh();
    timer_.start();
  } else if (watched == &list_ && event->type() == QEvent::Hide) {
    timer_.stop();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace app

#include "app/port_list.h"

#include <QEvent>
#include <QFile>
#include <QListWidget>

#include "serial/com_ports.h"
#include "serial/serial_port.h"
#include "serial/serial_port_info.h"

namespace app {

namespace {
constexpr int kPortNameRole = Qt::UserRole;
}

PortList::PortList(QListWidget& list)
    : QObject(&list), list_(list), presence_(serial::kComPortCount, -1) {
  for (int number = 1; number <= serial::kComPortCount; ++number) {
    const QString name = QString::fromStdString(serial::comPortName(number));
    auto* item = new QListWidgetItem(name, &list_);
    item->setData(kPortNameRole, name);
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
  for (int number = 1; number <= serial::kComPortCount; ++number) {
    const bool present = serial::comDevicePresent(serial::comDevicePath(number));
    int& known = presence_[static_cast<std::size_t>(number - 1)];
    if (known != static_cast<int>(present)) {
      known = present;
      changed.push_back(number);
    }
  }
  if (changed.empty()) return;
  const std::vector<serial::ComDevice> devices = serial::describeComDevices(changed);
  for (size_t k = 0; k < changed.size(); ++k) describe(changed[k], devices[k]);
}

void PortList::describe(int number, const serial::ComDevice& device) {
  const bool present = device.present;
  // The list holds COM1 to COM20 in their order.
  QListWidgetItem* item = list_.item(number - 1);
  // A present port shows its device and what the system calls it beside its name:
  // "COM1 ttyUSB0 - FT232R USB UART".
  QString text = QString::fromStdString(serial::comPortName(number));
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
  item->setToolTip(QString::fromStdString(serial::comDeviceSummary(device)));
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

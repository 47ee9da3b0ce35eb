#include "link/port_info.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include "link/serial_port.h"

namespace device {

std::vector<ComEntry> comEntries() {
  const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
  std::vector<ComEntry> entries;
  for (int number = 1; number <= 20; ++number) {
    ComEntry entry{number, comDevicePath(number), false, {}};
    if (!entry.device.empty()) {
      // A symbolic link (the simulated unit's) names the terminal it points to.
      const QFileInfo file(QString::fromStdString(entry.device));
      entry.present = file.exists();
      const QString target = file.canonicalFilePath();
      for (const QSerialPortInfo& info : available) {
        if (info.systemLocation() == target || info.systemLocation() == file.filePath()) {
          entry.description = info.description().toStdString();
          if (!info.manufacturer().isEmpty()) {
            entry.description += " (" + info.manufacturer().toStdString() + ")";
          }
        }
      }
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace device

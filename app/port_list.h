#pragma once
// List2's twenty COM entries, each telling whether a device stands behind it. Present entries
// are bold with the device's description beside the name; absent ones stay selectable. While
// the list shows, one cheap look a second at the device paths notices an adapter plugged in or
// pulled out; only then is the system asked what the devices are, once for all of them.
#include <QObject>
#include <QTimer>
#include <string>
#include <vector>

#include "serial/serial_port_info.h"

class QListWidget;
class QListWidgetItem;

namespace app {

class PortList : public QObject {
 public:
  static constexpr int kCheckMilliseconds = 1000;

  // Fills `list` with "COM1" to "COM20" and keeps them current while it is visible.
  explicit PortList(QListWidget& list);

  // The port an entry stands for ("COM3"), whatever is shown beside it.
  static std::string portName(const QListWidgetItem& item);

  // Looks at every device path; entries whose device came or went are described anew. The
  // selection stays where it is.
  void refresh();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void describe(int number, const serial::ComDevice& device);

  QListWidget& list_;
  QTimer timer_;
  std::vector<int> presence_;  // per entry: -1 not looked at yet, 0 absent, 1 present
};

}  // namespace app

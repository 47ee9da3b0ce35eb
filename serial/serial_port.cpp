#include "serial/serial_port.h"

#include <QSerialPort>
#include <cerrno>

#include "device/port_failure.h"
#include "serial/serial_port_info.h"

#ifdef __linux__
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace serial {

using device::LineSettings;
using device::portFailureLine;
using device::PortFault;

namespace {

// USB serial adapters hold small replies back for up to 16 ms unless asked for low latency;
// with one character per acknowledgement that would cap a transfer at about 60 characters a
// second. A driver that refuses (a pseudo-terminal does) is simply left as it is.
void askForLowLatency([[maybe_unused]] QSerialPort& port) {
#ifdef __linux__
  const int fd = static_cast<int>(port.handle());
  serial_struct serial{};
  if (fd >= 0 && ioctl(fd, TIOCGSERIAL, &serial) == 0) {
    serial.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &serial);
  }
#endif
}

// False for settings the port cannot take, among them a parity letter, data bits or stop bits
// outside those LineSettings names.
bool applySettings(QSerialPort& port, const LineSettings& settings) {
  constexpr std::string_view kParityLetters = "NEOMS";
  const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                          QSerialPort::OddParity, QSerialPort::MarkParity,
                                          QSerialPort::SpaceParity};
  const size_t parity = kParityLetters.find(settings.parity);
  if (parity == std::string_view::npos || settings.baud <= 0 || settings.dataBits < 5 ||
      settings.dataBits > 8 || (settings.stopBits != 1 && settings.stopBits != 2))
    return false;
  return port.setBaudRate(settings.baud) &&
         port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
         port.setParity(parities[parity]) &&
         port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
         port.setFlowControl(QSerialPort::NoFlowControl);
}

// Why `path` could not be opened, from what the file system says of it and what the port
// reported: the device missing, a permission the user lacks, no descriptor left for the device
// or its lock file, or a device another program holds (the port asks for exclusive use, and
// keeps a lock file). `group` gets the group that owns a device the user may not open.
std::optional<PortFault> faultOf(const std::string& path, QSerialPort::SerialPortError error,
                                 std::string& ownerGroup) {
  if (path.empty()) return std::nullopt;
#ifdef __linux__
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || error == QSerialPort::DeviceNotFoundError) {
    return PortFault::NotPresent;
  }
  if (::access(path.c_str(), R_OK | W_OK) != 0) {
    const group* owner = ::getgrgid(status.st_gid);
    if (owner) ownerGroup = owner->gr_name;
    return PortFault::PermissionDenied;
  }
  // The port says no more than that it could not open or lock the device; whether the
  // program could open anything at all tells the lack of descriptors from a busy device.
  const int probe = ::open("/", O_PATH | O_CLOEXEC);
  if (probe >= 0) ::close(probe);
  if (probe < 0 && (errno == EMFILE || errno == ENFILE)) return PortFault::NoDescriptors;
  if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError) {
    return PortFault::InUse;
  }
#else
  if (error == QSerialPort::DeviceNotFoundError) return PortFault::NotPresent;
  if (error == QSerialPort::PermissionError) return PortFault::InUse;
#endif
  return std::nullopt;
}

}  // namespace

SerialPort::SerialPort() : port_(std::make_unique<QSerialPort>()) {
  QObject::connect(port_.get(), &QSerialPort::readyRead, [this] { arrived(); });
  // A device that hangs up (a unit switched off mid-transfer, a cable or a USB adapter pulled)
  // reads as end of file for ever after: QSerialPort reports a read error each time and keeps
  // asking, which would spin the program until the transfer's time-out. The port is closed
  // instead, from the event loop, as the notifier that reported it may not be deleted inside
  // its own report; the transfer then waits out its time-out in silence and says so.
  QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                   [this](QSerialPort::SerialPortError error) {
                     if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
                       return;
                     QMetaObject::invokeMethod(
                         port_.get(), [this, opening = opening_] { lost(opening); },
                         Qt::QueuedConnection);
                   });
}

void SerialPort::lost(unsigned opening) {
  if (opening == opening_) close();
}

SerialPort::~SerialPort() = default;

bool SerialPort::isOpen() const {
  return port_->isOpen();
}

bool SerialPort::open(const std::string& path, const LineSettings& settings) {
  close();
  ++opening_;
  port_->setPortName(QString::fromStdString(path));
  failure_.clear();
  fault_.reset();
  // A file or another device is never opened as a port: reading /dev/zero would flood the
  // exchange, and a file would take the poll as data.
  if (notSerialDevice(path)) {
    fault_ = PortFault::NotSerial;
    failure_ = portFailureLine(path, *fault_);
    return false;
  }
  if (path.empty() || !port_->open(QIODevice::ReadWrite)) {
    std::string group;
    fault_ = faultOf(path, port_->error(), group);
    if (fault_) failure_ = portFailureLine(path, *fault_, group);
    close();
    return false;
  }
  if (!applySettings(*port_, settings)) {
    close();
    return false;
  }
  askForLowLatency(*port_);
  return true;
}

bool SerialPort::setSettings(const LineSettings& settings) {
  return applySettings(*port_, settings);
}

void SerialPort::close() {
  if (port_->isOpen()) port_->close();
}

void SerialPort::discardInput() {
  if (!port_->isOpen()) return;
  port_->clear(QSerialPort::Input);
  port_->readAll();
}

int SerialPort::waiting() {
  return port_->isOpen() ? static_cast<int>(port_->bytesAvailable()) : 0;
}

std::string SerialPort::read() {
  if (!port_->isOpen()) return {};
  return port_->readAll().toStdString();
}

void SerialPort::write(std::string_view text) {
  if (!port_->isOpen()) return;
#ifdef __linux__
  // Straight to the device while nothing of ours waits in QSerialPort's buffer: QSerialPort
  // would switch its write notifier on for every acknowledgement and off again on the next pass
  // of the event loop, a wake-up more for every character of a transfer. What the device does
  // not take at once, and a write that fails, go on through QSerialPort, which waits for room
  // and reports the failure as ever.
  if (port_->bytesToWrite() == 0) {
    const int fd = static_cast<int>(port_->handle());
    while (!text.empty()) {
      const ssize_t written = ::write(fd, text.data(), text.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) break;
      text.remove_prefix(static_cast<size_t>(written));
    }
    if (text.empty()) return;
  }
#endif
  port_->write(text.data(), static_cast<qint64>(text.size()));
  port_->flush();
}

}  // namespace serial

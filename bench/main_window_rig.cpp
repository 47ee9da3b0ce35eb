#include "bench/main_window_rig.h"

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

namespace bench {

namespace {

const char* const kButtons[] = {"Command7", "Command1", "Command10", "Command13", "Command14"};

// Ends the loop when the watched button becomes enabled again and the link is idle.
class EndWatch : public QObject {
 public:
  EndWatch(QPushButton& button, QEventLoop& loop) : button_(button), loop_(loop) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &button_ && event->type() == QEvent::EnabledChange && button_.isEnabled())
      loop_.quit();
    return false;
  }

 private:
  QPushButton& button_;
  QEventLoop& loop_;
};

}  // namespace

double threadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void MainWindowRig::TimedPort::write(std::string_view text) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  writes.push_back(std::chrono::duration<double, std::micro>(now).count());
  SerialPort::write(text);
}

MainWindowRig::MainWindowRig(const std::function<void(sim::Unit&)>& setup) {
  if (setup) setup(unit_);
  server_ = std::make_unique<sim::PtyServer>(unit_);
  qputenv("GPSTRACKING_COM1", QByteArray::fromStdString(server_->path()));
  serving_ = std::thread([this] { server_->serve(); });
  window_ = std::make_unique<app::GPStracking>(app::Services{&port_, &messages_, &help_});
}

MainWindowRig::~MainWindowRig() {
  window_.reset();
  server_->stop();
  if (serving_.joinable()) serving_.join();
}

MainWindowRig::Result MainWindowRig::run(int operation, std::chrono::milliseconds cancelAfter) {
  Result result;
  const double cpuBefore = threadCpuSeconds();
  QElapsedTimer clock;
  clock.start();
  auto* button = qobject_cast<QPushButton*>(window_->control(kButtons[operation]));
  button->click();

  // The exchange has ended when the transfer buttons are enabled again.
  QEventLoop loop;
  EndWatch end(*button, loop);
  button->installEventFilter(&end);
  QTimer cancel;
  cancel.setSingleShot(true);
  QObject::connect(&cancel, &QTimer::timeout, &loop, [this] {
    for (const char* name : {"Command5", "Command11"}) {
      if (window_->control(name)->isVisible())
        qobject_cast<QPushButton*>(window_->control(name))->click();
    }
  });
  cancel.start(cancelAfter);
  if (window_->serialLink().busy()) loop.exec();
  button->removeEventFilter(&end);
  result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  result.cpuSeconds = threadCpuSeconds() - cpuBefore;

  server_->stop();
  serving_.join();
  result.turnaroundsMicros = server_->turnarounds();
  result.arrivalsMicros = server_->arrivals();
  result.writesMicros = port_.writes;
  result.dataPhaseSeconds = static_cast<double>(server_->dataPhase().count()) / 1e6;
  result.messages = messages_.shown;
  return result;
}

}  // namespace bench

#include "bench/main_window_rig.h"

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

namespace bench {

namespace {

const char* const kButtons[] = {"Command7", "Command1", "Command10", "Command13", "Command14"};

}  // namespace

double threadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
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

  QEventLoop loop;
  QTimer watch;
  bool cancelled = false;
  QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
    if (!window_->serialLink().busy()) {
      loop.quit();
    } else if (!cancelled && clock.elapsed() >= cancelAfter.count()) {
      cancelled = true;
      for (const char* cancel : {"Command5", "Command11"}) {
        if (window_->control(cancel)->isVisible())
          qobject_cast<QPushButton*>(window_->control(cancel))->click();
      }
    }
  });
  watch.start(50);
  if (window_->serialLink().busy()) loop.exec();
  result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  result.cpuSeconds = threadCpuSeconds() - cpuBefore;

  server_->stop();
  serving_.join();
  result.turnaroundsMicros = server_->turnarounds();
  result.dataPhaseSeconds = static_cast<double>(server_->dataPhase().count()) / 1e6;
  result.messages = messages_.shown;
  return result;
}

}  // namespace bench

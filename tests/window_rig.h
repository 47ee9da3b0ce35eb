#pragma once
// An exchange on the simulated unit, presented as the main window presents it: every indicator
// change and every box, in order, without a window.
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "app/exchange_view.h"
#include "sim/rig.h"
#include "ui/messages.h"

namespace testing_window {

using Indicator = app::Indicator;

class RecordingFace : public app::Face {
 public:
  void setIndicator(Indicator indicator, bool visible) override {
    shown[indicator] = visible;
    visibilityChanges.emplace_back(indicator, visible);
  }
  void setCount(long long count) override { counts.push_back(count); }
  void showBox(const ui::Message& message) override { boxes.show(message); }

  bool visible(Indicator indicator) const {
    const auto found = shown.find(indicator);
    return found != shown.end() && found->second;
  }

  ui::RecordedMessages boxes;
  std::map<Indicator, bool> shown;
  // Every change of visibility, in order.
  std::vector<std::pair<Indicator, bool>> visibilityChanges;
  std::vector<long long> counts;
};

struct WindowRig : sim::Rig {
  RecordingFace face;
  std::optional<app::ExchangeView> view;

  WindowRig() {
    onStart = [this](int operation) { view.emplace(operation, face); };
    host.onProgress = [this](const device::Progress& report) { view->progress(report); };
    onEnded = [this](const device::Result& ended) { view->end(ended); };
  }
};

}  // namespace testing_window

#include "link/com_ports.h"
#include "link/session.h"

namespace testing_window {

// The session both programs run, on the simulated unit in virtual time, presented as the main
// window presents it.
struct SessionRig {
  sim::Unit unit;
  sim::SimPort port{unit};
  device::Session session;
  device::Link& link = session.link();
  RecordingFace face;
  std::optional<app::ExchangeView> view;
  std::vector<device::Progress> reports;
  device::Result result;

  explicit SessionRig(device::Workspace workspace) : session(port, std::move(workspace), nullptr) {
    session.onProgress([this](const device::Progress& report) {
      reports.push_back(report);
      view->progress(report);
    });
    session.onFinished([this](const device::Result& ended, std::exception_ptr) {
      result = ended;
      view->end(ended);
    });
  }

  // Runs the session's exchange for `operation` until it ends or `maxTicks` ticks have passed;
  // `beforeTick` runs before each tick with its number. Returns the ticks it took.
  int run(int operation, int maxTicks = 600, std::function<void(int)> beforeTick = nullptr,
          int portNumber = 1) {
    view.emplace(operation, face);
    session.start({operation, device::comDevicePath(portNumber), {}});
    int ticks = 0;
    while (session.busy() && ticks < maxTicks) {
      if (beforeTick) beforeTick(ticks);
      if (!session.busy()) break;
      ++ticks;
      unit.tick();
      link.timerTick();
    }
    return ticks;
  }
  int exchange(int operation, int portNumber = 1, int maxTicks = 600) {
    return run(operation, maxTicks, nullptr, portNumber);
  }
};

}  // namespace testing_window

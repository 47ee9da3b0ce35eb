#pragma once
// The session both programs run, on the simulated unit in virtual time, presented as the main
// window presents it.
#include <functional>
#include <optional>
#include <vector>

#include "serial/com_ports.h"
#include "session/session.h"
#include "window_rig.h"

namespace testing_window {

struct SessionRig {
  sim::Unit unit;
  sim::SimPort port{unit};
  session::Session session;
  device::Link& link = session.link();
  RecordingFace face;
  std::optional<words::ExchangeView> view;
  std::vector<device::Progress> reports;
  device::Result result;

  explicit SessionRig(session::Workspace workspace) : session(port, std::move(workspace), nullptr) {
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
    session.start({operation, serial::comDevicePath(portNumber), {}});
    return sim::tickWhileBusy(unit, link, maxTicks, beforeTick);
  }
  int exchange(int operation, int portNumber = 1, int maxTicks = 600) {
    return run(operation, maxTicks, nullptr, portNumber);
  }
};

}  // namespace testing_window

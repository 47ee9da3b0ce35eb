#include "sim/rig.h"

#include <stdexcept>

namespace sim {

void RecordingHost::setIndicator(device::Indicator indicator, bool visible) {
  shown[indicator] = visible;
  visibilityChanges.emplace_back(indicator, visible);
}

bool RecordingHost::visible(device::Indicator indicator) const {
  const auto found = shown.find(indicator);
  return found != shown.end() && found->second;
}

int Rig::exchange(int operation, device::Transfer transfer, int portNumber, int maxTicks) {
  return run(device::runExchange(session(), {operation, portNumber, std::move(transfer)}),
             maxTicks);
}

int Rig::run(device::Task exchange, int maxTicks, std::function<void(int)> beforeTick) {
  std::exception_ptr failure;
  link.onFinished([&failure](std::exception_ptr error) { failure = error; });
  link.start(std::move(exchange));
  int ticks = 0;
  while (link.busy() && ticks < maxTicks) {
    if (beforeTick) beforeTick(ticks);
    if (!link.busy()) break;
    ++ticks;
    unit.tick();
    link.timerTick();
  }
  link.onFinished(nullptr);
  if (failure) std::rethrow_exception(failure);
  return ticks;
}

}  // namespace sim

#include "sim/rig.h"

#include "serial/com_ports.h"

namespace sim {

device::Task Rig::exchangeTask(int operation, device::Transfer transfer, int portNumber) {
  if (onStart) onStart(operation);
  return device::runExchange(context(),
                             {operation, serial::comDevicePath(portNumber), std::move(transfer)});
}

int Rig::exchange(int operation, device::Transfer transfer, int portNumber, int maxTicks) {
  return run(exchangeTask(operation, std::move(transfer), portNumber), maxTicks);
}

int tickWhileBusy(Unit& unit, device::Link& link, int maxTicks,
                  const std::function<void(int)>& beforeTick) {
  int ticks = 0;
  while (link.busy() && ticks < maxTicks) {
    if (beforeTick) beforeTick(ticks);
    if (!link.busy()) break;
    ++ticks;
    unit.tick();
    link.timerTick();
  }
  return ticks;
}

int Rig::run(device::Task exchange, int maxTicks, std::function<void(int)> beforeTick) {
  std::exception_ptr failure;
  link.onFinished([this, &failure](std::exception_ptr error) {
    failure = error;
    if (onEnded) onEnded(result);
  });
  link.start(std::move(exchange));
  const int ticks = tickWhileBusy(unit, link, maxTicks, beforeTick);
  link.onFinished(nullptr);
  if (failure) std::rethrow_exception(failure);
  return ticks;
}

}  // namespace sim

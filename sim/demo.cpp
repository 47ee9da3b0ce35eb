#include "sim/demo.h"

#include "sim/config_operations.h"
#include "sim/log_operation.h"

namespace sim {

void installDemoOperations(Unit& unit) {
  unit.install<LogOperation>('L', plausibleLog(300));
  *installConfigOperations(unit) = plausibleConfiguration();
}

}  // namespace sim

#include "sim/demo.h"

#include "sim/config_operations.h"
#include "sim/log_operation.h"
#include "sim/table_operations.h"

namespace sim {

void installDemoOperations(Unit& unit) {
  unit.install<LogOperation>('L', plausibleLog(300));
  *installConfigOperations(unit) = plausibleConfiguration();
  installTableOperations(unit, plausibleTable());
}

}  // namespace sim

#include "sim/demo.h"

namespace sim {

void installDemoOperations(Unit& /*unit*/) {}

}  // namespace sim

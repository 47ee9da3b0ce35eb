#pragma once
#include "sim/unit.h"

namespace sim {

// Gives the unit every operation it knows, with plausible data, for the demo and the
// end-to-end tests.
void installDemoOperations(Unit& unit);

}  // namespace sim

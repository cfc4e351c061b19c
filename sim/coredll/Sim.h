// SPDX-License-Identifier: MIT
// Process-wide control of the simulated device, for tests and tools.
#ifndef LINKORY_SIM_COREDLL_SIM_H
#define LINKORY_SIM_COREDLL_SIM_H

namespace sim {

// Each area of the device (heap, locks, files, windows, GDI, ...) registers how to bring
// itself back to a fresh boot; reset_for_tests() runs them all, in registration order.
void register_reset(const char* area, void (*reset)());
void reset_for_tests();

}  // namespace sim

#endif

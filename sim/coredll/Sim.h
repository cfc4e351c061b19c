// SPDX-License-Identifier: MIT
// Process-wide control of the simulated device, for tests and tools.
#ifndef LINKORY_SIM_COREDLL_SIM_H
#define LINKORY_SIM_COREDLL_SIM_H

namespace sim {

// Each area of the device (heap, locks, files, windows, GDI, ...) registers how to bring
// itself back to a fresh boot; reset_for_tests() runs them all, in registration order.
void register_reset(const char* area, void (*reset)());
void unregister_reset(void (*reset)());
void reset_for_tests();

// Keeps a reset registered while it lives. A library that the plug-in pulls in can be
// unloaded with it; registering through a static object of this type takes the reset off
// the list before its code goes away.
class ResetRegistration {
public:
    ResetRegistration(const char* area, void (*reset)()) : reset_(reset) { register_reset(area, reset); }
    ~ResetRegistration() { unregister_reset(reset_); }
    ResetRegistration(const ResetRegistration&) = delete;
    ResetRegistration& operator=(const ResetRegistration&) = delete;

private:
    void (*reset_)();
};

}  // namespace sim

#endif

// SPDX-License-Identifier: MIT
// A library that registers a device reset, as the simulated cellcore and aygshell do.
#include "sim/coredll/Sim.h"

namespace {
int resets = 0;
void reset()
{
    ++resets;
}
const sim::ResetRegistration registration("reset-test-library", &reset);
}  // namespace

extern "C" __attribute__((visibility("default"))) int reset_test_library_resets()
{
    return resets;
}

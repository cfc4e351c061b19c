// SPDX-License-Identifier: MIT
// The calling thread's last error.
#include "platform/win32.h"
#include "sim/coredll/Sim.h"

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

// A fresh boot starts the test's thread with no error pending.
const bool registered = (sim::register_reset("last error", [] { last_error = ERROR_SUCCESS; }), true);

}  // namespace

// GetLastError (coredll): per thread, as on the device.
DWORD WINAPI GetLastError(void)
{
    return last_error;
}

// SetLastError (coredll)
void WINAPI SetLastError(DWORD error)
{
    last_error = error;
}

// SPDX-License-Identifier: MIT
// Test seams over two window-manager calls that the framework makes from this executable.
//
// The executable defines DefWindowProcW and DestroyWindow itself; the framework, linked
// in statically, binds to these, which count or refuse and otherwise forward to the
// simulated device's own functions.
#ifndef LINKORY_TESTS_UNIT_FRAMEWORK_INTERPOSE_H
#define LINKORY_TESTS_UNIT_FRAMEWORK_INTERPOSE_H

#include <vector>

#include "platform/win32.h"

namespace interpose {

struct DefProcCall {
    HWND hwnd;
    UINT msg;
};

// DefWindowProcW calls made since the last clear.
std::vector<DefProcCall>& def_proc_calls();
// How many of them were for this window.
size_t def_proc_count(HWND hwnd);

// While set, DestroyWindow refuses every window (FALSE, last error 5), as the device does
// for a window of another thread.
void refuse_destroy(bool on);

}  // namespace interpose

#endif  // LINKORY_TESTS_UNIT_FRAMEWORK_INTERPOSE_H

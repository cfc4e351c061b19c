// SPDX-License-Identifier: MIT
// What the test plug-in saw and how it should behave, shared between it and the tests.
//
// The probe lives in its own shared library so the plug-in (a module whose symbols are all
// hidden) and the test executable reach the same instance.
#ifndef LINKORY_TESTS_DATA_TESTPLUGIN_PROBE_H
#define LINKORY_TESTS_DATA_TESTPLUGIN_PROBE_H

#include <string>
#include <vector>

#include "platform/win32.h"

namespace testplugin {

struct Probe {
    // Everything the plug-in was called for, in order: "attach", "detach", "init", "options",
    // and for item windows their number in creation order and the message: "0:create",
    // "0:destroy", "0:poll", "1:down 3,4", "1:up 3,4", "1:received 40", "0:lost",
    // "1:action 13", "0:erase", "0:paint", "0:color 0", "0:clearcache".
    std::vector<std::string> events;

    // Behaviour, set by a test before the plug-in runs.
    BOOL attach_result = TRUE;      // what DllMain answers to DLL_PROCESS_ATTACH
    DWORD height = 24;              // the cyp the item reports when polled
    bool leave_windows = false;     // DLL_PROCESS_DETACH leaves the item windows alive
    bool accept_selection = true;   // answer to WM_TODAYCUSTOM_RECEIVEDSELECTION
    bool take_selection_on_tap = true;

    // Observations.
    HINSTANCE attach_module = nullptr;  // the handle DllMain was given
    bool icon_at_attach = false;        // LoadImageW of its own icon worked in DLL_PROCESS_ATTACH
    bool icon_at_detach = false;        // ... and in DLL_PROCESS_DETACH
    HWND last_parent = nullptr;         // parent given to InitializeCustomItem

    void record(const std::string& event) { events.push_back(event); }
    // The events since the last call, then forgets them.
    std::vector<std::string> take();
};

Probe& probe();

}  // namespace testplugin

#endif

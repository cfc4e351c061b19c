// SPDX-License-Identifier: MIT
// The device a Win32 run stands on: the scenario's settings checked against the system or
// given to the stand-in DLLs, and pictures of the Today window.
#ifndef LINKORY_TOOLS_TODAYSIM_WIN32_HOSTDEVICE_H
#define LINKORY_TOOLS_TODAYSIM_WIN32_HOSTDEVICE_H

#include <string>

#include "platform/win32.h"
#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/show/PngWriter.h"

namespace todaysim {

// Gives the shell stand-in its font size and density. The screen density and the user's
// language belong to the system here: when they differ from the device's, the run cannot be
// what the scenario describes and a run Failure says how to set them. The language is checked
// only when `language_asked` (a scenario or --lang chose it).
void configure_device(const Device& device, bool language_asked);

// What is on screen in the window's client area now, read back through its device context.
Picture window_picture(HWND hwnd);

// Child windows of `parent` that exist now.
long child_windows(HWND parent);

// A path in the tool's UTF-8 and the system's UTF-16.
std::wstring wide_path(const std::string& path);
std::string narrow_path(const std::wstring& path);

}  // namespace todaysim

#endif

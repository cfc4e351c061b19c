// SPDX-License-Identifier: MIT
// What the window manager asks of GDI: device contexts onto the screen for a window.
// Internal to libcoredll; implemented in gdi/, called from user/.
#ifndef LINKORY_SIM_COREDLL_GDI_GDI_USER_H
#define LINKORY_SIM_COREDLL_GDI_GDI_USER_H

#include "platform/win32.h"

namespace sim::gdi {

// A device context onto the screen framebuffer: logical (0,0) is the screen point
// `origin`, and drawing is clipped to `clip` (screen coordinates). `owner` is the window
// the context belongs to, null for the screen itself; the recorder reports it.
HDC open_dc(HWND owner, POINT origin, RECT clip);

// Releases a context made by open_dc, restoring what it had selected and recording a
// violation for any object the caller left selected. False for a handle that is not live.
bool close_dc(HDC dc);

// The screen's rectangle (0, 0, width, height).
RECT screen_rect();

}  // namespace sim::gdi

#endif

// SPDX-License-Identifier: MIT
// Control and observation of the simulated window manager, for tests, the host and todaysim.
//
// The window manager runs on one thread (the Today host's user-interface thread), as the
// plug-in does; nothing here locks. Differences from the device worth knowing:
// - A device context has one clip rectangle, so a parent's paint cannot leave its child
//   windows out. Instead, after a parent's EndPaint every visible child under the painted
//   rectangle is invalidated, and UpdateWindow repaints invalid children after their parent:
//   the picture ends up as on the device, at the cost of extra WM_PAINTs to the children.
// - The framebuffer cannot move a window's pixels, so moving a visible window invalidates it
//   whole (and the part of its parent it uncovered), where the device would copy the bits.
#ifndef LINKORY_SIM_COREDLL_SIMUSER_H
#define LINKORY_SIM_COREDLL_SIMUSER_H

#include <cstddef>
#include <functional>
#include <string>

#include "platform/win32.h"

namespace sim::user {

// One call of a window procedure made by the window manager, seen once on entry (result 0,
// exit false) and once on exit. CallWindowProcW, the caller's own forwarding, is not reported
// again, so a subclassed window shows each message once.
struct MessageCall {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;           // what the procedure returned; valid on exit only
    int depth;                // window-procedure calls already running when this one began
    bool exit;                // false on entry, true on exit
    bool from_def_window_proc;  // sent while the sending procedure was inside DefWindowProcW
    bool from_begin_paint;      // sent by BeginPaint (the WM_ERASEBKGND of a paint)
};

using MessageObserver = std::function<void(const MessageCall&)>;

// Subscribes an observer; returns an id for remove_message_observer. Observers are called in
// subscription order and may subscribe or unsubscribe from inside the call.
int add_message_observer(MessageObserver observer);
void remove_message_observer(int id);

// What a trace or a test may want to know about a window; false for a handle that is not live.
struct WindowInfo {
    std::u16string class_name;
    std::u16string title;
    HWND parent;          // parent of a child window, owner of a top-level one, or null
    DWORD style;
    DWORD ex_style;
    RECT window_rect;     // screen coordinates
    bool visible;         // as IsWindowVisible
    bool update_pending;  // has an invalid rectangle
    RECT update_rect;     // client coordinates; empty when nothing is invalid
};
bool describe_window(HWND hwnd, WindowInfo& info);

size_t live_windows();
size_t live_classes();

// Window-procedure calls now running (0 outside any message).
int message_depth();

// While on, GetDC(NULL) returns null (last error 8), as a device without a screen context.
void fail_screen_dc(bool fail);

// Destroys every window without sending a message (their procedures may belong to objects
// already gone), releases their device contexts, forgets every class and observer.
// Registered with sim::register_reset; tests call sim::reset_for_tests().
void reset();

}  // namespace sim::user

#endif

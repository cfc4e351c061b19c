// SPDX-License-Identifier: MIT
// What the Today host itself can see of the item on Win32, turned into the run's events: the
// requests reaching the Today window, and the item window's size, paints, poll answers and
// selection, seen by subclassing both windows.
#ifndef LINKORY_TOOLS_TODAYSIM_WIN32_HOSTRECORDER_H
#define LINKORY_TOOLS_TODAYSIM_WIN32_HOSTRECORDER_H

#include <functional>
#include <string>

#include "platform/win32.h"
#include "tools/todaysim/show/Event.h"

namespace todaysim {

// Observes from construction to destruction; one recorder per process at a time. The item
// is the first child window created inside the Today window while the recorder lives; it is
// subclassed from its creation on, so its WM_CREATE is seen too.
class HostRecorder {
public:
    using Sink = std::function<void(Event)>;

    // Fails (ok() false) when the Today window cannot be subclassed or the creation hook
    // cannot be set.
    HostRecorder(Sink sink, HWND today);
    ~HostRecorder();
    HostRecorder(const HostRecorder&) = delete;
    HostRecorder& operator=(const HostRecorder&) = delete;

    bool ok() const { return ok_; }
    // The item window, null before it was created; stays set after it was destroyed.
    HWND item() const { return item_; }

private:
    static LRESULT CALLBACK today_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK item_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK on_cbt(int code, WPARAM wParam, LPARAM lParam);

    void before_item(UINT msg, LPARAM lParam);
    void after_item(UINT msg, WPARAM wParam, LRESULT result);
    void restore();

    Sink sink_;
    HWND today_;
    HWND item_ = nullptr;
    bool item_alive_ = false;
    WNDPROC today_previous_ = nullptr;
    WNDPROC item_previous_ = nullptr;
    HHOOK hook_ = nullptr;
    int width_ = -1, height_ = -1;
    bool ok_ = false;
};

}  // namespace todaysim

#endif

// SPDX-License-Identifier: MIT
// The window manager's process-wide state, handle lookup and its control interface.
#include <cstdio>

#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"
#include "sim/coredll/gdi/gdi_user.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {

State& state()
{
    static State s;
    return s;
}

std::string describe_handle(HWND hwnd)
{
    char text[32];
    std::snprintf(text, sizeof text, "hwnd %#llx", static_cast<unsigned long long>(from_hwnd(hwnd)));
    return text;
}

Window* peek_window(HWND hwnd)
{
    return state().windows.get(from_hwnd(hwnd));
}

Window* find_window(HWND hwnd, const char* api)
{
    Window* window = peek_window(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        report_violation(api, hwnd ? describe_handle(hwnd) + " is not a live window" : "null window handle");
    }
    return window;
}

int add_message_observer(MessageObserver observer)
{
    State& s = state();
    int id = s.next_observer++;
    s.observers.emplace_back(id, std::move(observer));
    return id;
}

void remove_message_observer(int id)
{
    auto& list = state().observers;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->first == id) {
            list.erase(it);
            return;
        }
    }
}

bool describe_window(HWND hwnd, WindowInfo& info)
{
    Window* window = peek_window(hwnd);
    if (!window)
        return false;
    info.class_name = window->cls->name;
    info.title = window->title;
    info.parent = window->parent;
    info.style = window->style;
    info.ex_style = window->ex_style;
    GetWindowRect(hwnd, &info.window_rect);
    info.visible = is_visible(*window);
    info.update_pending = window->update_pending;
    info.update_rect = window->update_pending ? window->update_rect : RECT{};
    return true;
}

size_t live_windows()
{
    return state().windows.live();
}

size_t live_classes()
{
    return state().classes.size();
}

int message_depth()
{
    return procedure_depth();
}

void fail_screen_dc(bool fail)
{
    state().fail_screen_dc = fail;
}

void reset()
{
    State& s = state();
    // Contexts first: their owners are about to vanish. GDI may have been reset already,
    // in which case close_dc just answers false.
    s.windows.for_each([](uintptr_t, Window& window) {
        if (window.paint_dc)
            sim::gdi::close_dc(window.paint_dc);
    });
    for (auto& entry : s.get_dcs)
        sim::gdi::close_dc(entry.first);
    s.get_dcs.clear();
    s.windows.clear();
    s.classes.clear();
    s.atoms.clear();
    s.frames.clear();
    s.observers.clear();
    s.next_observer = 1;
    s.fail_screen_dc = false;
}

namespace {
const bool registered = (sim::register_reset("user", &reset), true);
}  // namespace

}  // namespace sim::user

// SPDX-License-Identifier: MIT
// Invalid rectangles, WM_PAINT and device contexts for windows.
#include <cstring>
#include <vector>

#include "sim/common/Violations.h"
#include "sim/coredll/SimAcquire.h"
#include "sim/coredll/gdi/gdi_user.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {
namespace {

bool is_child_of(const Window& child, HWND parent)
{
    return (child.style & WS_CHILD) && child.parent == parent;
}

// The parent's context could not leave its children out, so whatever of them lay under the
// painted rectangle has been painted over: have them paint again (see SimUser.h).
void damage_children(HWND hwnd, const RECT& painted)
{
    Window* window = peek_window(hwnd);
    if (!window)
        return;
    for (HWND child : window->children) {
        Window* c = peek_window(child);
        if (!c || !is_child_of(*c, hwnd) || !(c->style & WS_VISIBLE))
            continue;
        RECT overlap = rect_intersect(painted, c->rect);
        if (rect_is_empty(overlap))
            continue;
        RECT local = rect_offset(overlap, -c->rect.left, -c->rect.top);
        invalidate(*c, &local, true);
    }
}

// Paints the window if it is invalid and visible, then its children, bottom first.
void update_tree(HWND hwnd)
{
    Window* window = peek_window(hwnd);
    if (!window || !is_visible(*window))
        return;
    // A WM_PAINT handler that calls UpdateWindow on its own window before BeginPaint must
    // not be sent WM_PAINT again.
    if (window->update_pending && window->painting == 0)
        send(hwnd, WM_PAINT, 0, 0);
    if (!(window = peek_window(hwnd)))
        return;
    const std::vector<HWND> children = window->children;
    for (HWND child : children) {
        Window* c = peek_window(child);
        if (c && is_child_of(*c, hwnd))
            update_tree(child);
    }
}

}  // namespace

void invalidate(Window& window, const RECT* client, bool erase)
{
    const RECT whole = client_rect(window);
    const RECT area = client ? rect_intersect(*client, whole) : whole;
    if (rect_is_empty(area))
        return;
    window.update_rect = window.update_pending ? rect_union(window.update_rect, area) : area;
    window.update_pending = true;
    window.erase_pending = window.erase_pending || erase;
}

void invalidate_tree(HWND hwnd)
{
    Window* window = peek_window(hwnd);
    if (!window)
        return;
    invalidate(*window, nullptr, true);
    for (HWND child : window->children) {
        Window* c = peek_window(child);
        if (c && is_child_of(*c, hwnd) && (c->style & WS_VISIBLE))
            invalidate_tree(child);
    }
}

void close_paint(Window& window, const char* why)
{
    report_violation("EndPaint", why);
    sim::gdi::close_dc(window.paint_dc);
    window.paint_dc = nullptr;
}

void release_window_dcs(HWND hwnd, const char* api)
{
    State& s = state();
    for (auto it = s.get_dcs.begin(); it != s.get_dcs.end();) {
        if (it->second == hwnd) {
            report_violation(api, describe_handle(hwnd) + " destroyed with a GetDC context not released");
            sim::gdi::close_dc(it->first);
            it = s.get_dcs.erase(it);
        } else {
            ++it;
        }
    }
    // A paint in progress is ended quietly: its EndPaint will meet a stale handle and say so.
    if (Window* window = peek_window(hwnd); window && window->paint_dc) {
        sim::gdi::close_dc(window->paint_dc);
        window->paint_dc = nullptr;
    }
}

}  // namespace sim::user

using namespace sim::user;

// InvalidateRect (coredll): a null window is refused; on the device it would invalidate
// and repaint every window.
extern "C" BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase)
{
    if (!hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        sim::report_violation("InvalidateRect", "null window handle (would repaint every window)");
        return FALSE;
    }
    Window* window = find_window(hwnd, "InvalidateRect");
    if (!window)
        return FALSE;
    invalidate(*window, rect, erase != FALSE);
    return TRUE;
}

// UpdateWindow (coredll): sends WM_PAINT at once when the window is invalid and visible,
// then does the same for its child windows.
extern "C" BOOL WINAPI UpdateWindow(HWND hwnd)
{
    if (!find_window(hwnd, "UpdateWindow"))
        return FALSE;
    update_tree(hwnd);
    return TRUE;
}

// BeginPaint (coredll): validates the window, clips the context to the invalid rectangle
// and sends WM_ERASEBKGND with it first when an erase was asked for.
extern "C" HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps)
{
    Window* window = find_window(hwnd, "BeginPaint");
    if (!window)
        return nullptr;
    if (!ps) {
        SetLastError(ERROR_INVALID_PARAMETER);
        sim::report_violation("BeginPaint", "null PAINTSTRUCT");
        return nullptr;
    }
    if (window->paint_dc)
        close_paint(*window, "BeginPaint again before EndPaint");
    // Short of memory, nothing is validated: the window asks to be painted again.
    ++window->begin_paints;
    if (sim::acquire::injected_failure(sim::acquire::Kind::Paint)) {
        std::memset(ps, 0, sizeof *ps);
        return nullptr;
    }

    const RECT paint = window->update_pending ? rect_intersect(window->update_rect, client_rect(*window)) : RECT{};
    const bool erase = window->update_pending && window->erase_pending;
    window->update_pending = window->erase_pending = false;
    window->update_rect = RECT{};

    const POINT origin = client_origin(*window);
    const RECT clip = rect_intersect(visible_clip(*window), rect_offset(paint, origin.x, origin.y));
    HDC dc = sim::gdi::open_dc(hwnd, origin, clip);
    if (!dc) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    window->paint_dc = dc;
    window->paint_rect = paint;
    std::memset(ps, 0, sizeof *ps);
    ps->hdc = dc;
    ps->rcPaint = paint;
    if (erase) {
        LRESULT erased;
        {
            FrameScope frame(FrameKind::BeginPaint);
            erased = send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        }
        window = peek_window(hwnd);
        if (!window || window->paint_dc != dc) {
            // Destroyed (or painted again) by the erase handler; the context is gone.
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        ps->fErase = erased ? FALSE : TRUE;
    }
    return dc;
}

// EndPaint (coredll): FALSE with a violation for a context that BeginPaint did not give.
extern "C" BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* ps)
{
    Window* window = find_window(hwnd, "EndPaint");
    if (!window)
        return FALSE;
    if (!ps || !window->paint_dc || ps->hdc != window->paint_dc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        sim::report_violation("EndPaint", "no matching BeginPaint for " + describe_handle(hwnd));
        return FALSE;
    }
    HDC dc = window->paint_dc;
    const RECT painted = window->paint_rect;
    window->paint_dc = nullptr;
    sim::gdi::close_dc(dc);
    damage_children(hwnd, painted);
    return TRUE;
}

// GetDC (coredll): a window's context is clipped to its client area within its parents';
// GetDC(NULL) is the whole screen unless sim::user::fail_screen_dc is on.
extern "C" HDC WINAPI GetDC(HWND hwnd)
{
    State& s = state();
    HDC dc;
    if (hwnd && !find_window(hwnd, "GetDC"))
        return nullptr;
    if (sim::acquire::injected_failure(sim::acquire::Kind::DeviceContext))
        return nullptr;
    if (!hwnd) {
        if (s.fail_screen_dc) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        dc = sim::gdi::open_dc(nullptr, POINT{0, 0}, sim::gdi::screen_rect());
    } else {
        Window* window = peek_window(hwnd);
        dc = sim::gdi::open_dc(hwnd, client_origin(*window), visible_clip(*window));
    }
    if (!dc) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    s.get_dcs[dc] = hwnd;
    return dc;
}

// ReleaseDC (coredll): 1 when released; 0 with a violation for a context GetDC did not give.
extern "C" int WINAPI ReleaseDC(HWND hwnd, HDC dc)
{
    State& s = state();
    auto it = s.get_dcs.find(dc);
    if (it == s.get_dcs.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        sim::report_violation("ReleaseDC", "the context did not come from GetDC (or was released already)");
        return 0;
    }
    if (it->second != hwnd)
        sim::report_violation("ReleaseDC", "released with " + describe_handle(hwnd) + ", taken with " +
                                               describe_handle(it->second));
    sim::gdi::close_dc(dc);
    s.get_dcs.erase(it);
    return 1;
}

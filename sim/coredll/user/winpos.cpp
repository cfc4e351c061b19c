// SPDX-License-Identifier: MIT
// Window geometry: coordinates, visibility, SetWindowPos and MoveWindow.
#include <algorithm>
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/gdi/gdi_user.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {
namespace {

constexpr UINT kSupportedSwp = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE |
                               SWP_SHOWWINDOW | SWP_HIDEWINDOW;

// The parent whose client area holds a child window; null for a top-level window.
Window* container(const Window& window)
{
    return (window.style & WS_CHILD) ? peek_window(window.parent) : nullptr;
}

// The bounding box of what `before` covered and `after` does not.
RECT uncovered(const RECT& before, const RECT& after)
{
    if (rect_is_empty(rect_intersect(before, after)))
        return before;
    RECT out{};
    if (after.top > before.top)
        out = rect_union(out, RECT{before.left, before.top, before.right, after.top});
    if (after.bottom < before.bottom)
        out = rect_union(out, RECT{before.left, after.bottom, before.right, before.bottom});
    if (after.left > before.left)
        out = rect_union(out, RECT{before.left, before.top, after.left, before.bottom});
    if (after.right < before.right)
        out = rect_union(out, RECT{after.right, before.top, before.right, before.bottom});
    return out;
}

// The client area a size change exposes or, with the redraw class styles, all of it.
void invalidate_resized(Window& window, const RECT& before)
{
    const LONG old_w = before.right - before.left, old_h = before.bottom - before.top;
    const LONG new_w = window.rect.right - window.rect.left, new_h = window.rect.bottom - window.rect.top;
    const UINT cs = window.cls->style;
    if (((cs & CS_HREDRAW) && new_w != old_w) || ((cs & CS_VREDRAW) && new_h != old_h)) {
        invalidate(window, nullptr, true);
        return;
    }
    RECT exposed{};
    if (new_w > old_w)
        exposed = rect_union(exposed, RECT{old_w, 0, new_w, new_h});
    if (new_h > old_h)
        exposed = rect_union(exposed, RECT{0, old_h, new_w, new_h});
    if (!rect_is_empty(exposed))
        invalidate(window, &exposed, true);
}

void raise_among_siblings(HWND hwnd, const Window& window)
{
    Window* parent = peek_window(window.parent);
    if (!parent)
        return;
    auto& list = parent->children;
    auto it = std::find(list.begin(), list.end(), hwnd);
    if (it != list.end()) {
        list.erase(it);
        list.push_back(hwnd);
    }
}

BOOL refuse(const char* api, const std::string& why)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    report_violation(api, why);
    return FALSE;
}

}  // namespace

POINT client_origin(const Window& window)
{
    POINT origin{window.rect.left, window.rect.top};
    if (const Window* parent = container(window)) {
        POINT base = client_origin(*parent);
        origin.x += base.x;
        origin.y += base.y;
    }
    return origin;
}

RECT client_rect(const Window& window)
{
    return RECT{0, 0, window.rect.right - window.rect.left, window.rect.bottom - window.rect.top};
}

bool is_visible(const Window& window)
{
    for (const Window* w = &window; w; w = container(*w))
        if (!(w->style & WS_VISIBLE))
            return false;
    return true;
}

RECT visible_clip(const Window& window)
{
    if (!is_visible(window))
        return RECT{};
    RECT clip = sim::gdi::screen_rect();
    for (const Window* w = &window; w; w = container(*w)) {
        POINT origin = client_origin(*w);
        clip = rect_intersect(clip, rect_offset(client_rect(*w), origin.x, origin.y));
    }
    return clip;
}

}  // namespace sim::user

using namespace sim::user;

// GetClientRect (coredll): windows have no non-client area, so this is the window's size.
extern "C" BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect)
{
    Window* window = find_window(hwnd, "GetClientRect");
    if (!window)
        return FALSE;
    if (!rect)
        return refuse("GetClientRect", "null rectangle");
    *rect = client_rect(*window);
    return TRUE;
}

// GetWindowRect (coredll): screen coordinates.
extern "C" BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect)
{
    Window* window = find_window(hwnd, "GetWindowRect");
    if (!window)
        return FALSE;
    if (!rect)
        return refuse("GetWindowRect", "null rectangle");
    POINT origin = client_origin(*window);
    *rect = rect_offset(client_rect(*window), origin.x, origin.y);
    return TRUE;
}

// SetWindowPos (coredll): z-order placement only at HWND_TOP; no activation exists. Sends
// WM_WINDOWPOSCHANGING (whose changes are honoured) and WM_WINDOWPOSCHANGED, from which
// DefWindowProcW sends WM_MOVE and WM_SIZE.
extern "C" BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    Window* window = find_window(hwnd, "SetWindowPos");
    if (!window)
        return FALSE;
    if (flags & ~kSupportedSwp)
        return refuse("SetWindowPos", "unsupported flags " + std::to_string(flags & ~kSupportedSwp));
    if ((flags & SWP_SHOWWINDOW) && (flags & SWP_HIDEWINDOW))
        return refuse("SetWindowPos", "both SWP_SHOWWINDOW and SWP_HIDEWINDOW");
    if (!(flags & SWP_NOZORDER) && after != HWND_TOP)
        return refuse("SetWindowPos", "z-order placement other than HWND_TOP is not supported");

    const RECT before = window->rect;
    WINDOWPOS pos{hwnd, after, x, y, std::max(cx, 0), std::max(cy, 0), flags};
    if (flags & SWP_NOMOVE) {
        pos.x = before.left;
        pos.y = before.top;
    }
    if (flags & SWP_NOSIZE) {
        pos.cx = before.right - before.left;
        pos.cy = before.bottom - before.top;
    }
    send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(window = peek_window(hwnd))) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }

    const bool was_visible = is_visible(*window);
    RECT after_rect = before;
    if (!(pos.flags & SWP_NOMOVE))
        after_rect = rect_offset(after_rect, pos.x - before.left, pos.y - before.top);
    if (!(pos.flags & SWP_NOSIZE)) {
        after_rect.right = after_rect.left + std::max(pos.cx, 0);
        after_rect.bottom = after_rect.top + std::max(pos.cy, 0);
    }
    const bool moved = after_rect.left != before.left || after_rect.top != before.top;
    const bool sized = after_rect.right - after_rect.left != before.right - before.left ||
                       after_rect.bottom - after_rect.top != before.bottom - before.top;
    pos.flags |= (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE);
    window->rect = after_rect;
    if (!(pos.flags & SWP_NOZORDER))
        raise_among_siblings(hwnd, *window);
    if (pos.flags & SWP_SHOWWINDOW)
        window->style |= WS_VISIBLE;
    if (pos.flags & SWP_HIDEWINDOW)
        window->style &= ~WS_VISIBLE;
    const bool now_visible = is_visible(*window);

    if (!(pos.flags & SWP_NOREDRAW)) {
        if (now_visible && (moved || !was_visible))
            invalidate_tree(hwnd);
        else if (now_visible && sized)
            invalidate_resized(*window, before);
        Window* parent = container(*window);
        if (parent && was_visible && (moved || sized || !now_visible)) {
            RECT gone = now_visible ? uncovered(before, after_rect) : before;
            if (!rect_is_empty(gone))
                invalidate(*parent, &gone, true);
        }
    }
    send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return TRUE;
}

// MoveWindow (coredll).
extern "C" BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL repaint)
{
    if (!find_window(hwnd, "MoveWindow"))
        return FALSE;
    return SetWindowPos(hwnd, HWND_TOP, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

// SPDX-License-Identifier: MIT
// Creating and destroying windows, their parents and their visibility.
#include <algorithm>
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/SimAcquire.h"
#include "sim/coredll/gdi/gdi_user.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {
namespace {

// The low word is the class's own; of the rest only what the simulation honours or what
// is implicit on CE (all windows clip their siblings and children there).
constexpr DWORD kSupportedStyles =
    WS_POPUP | WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | 0xFFFF;
constexpr DWORD kSupportedExStyles = WS_EX_TRANSPARENT;

HWND fail_create(DWORD error, const std::string& why = std::string())
{
    SetLastError(error);
    if (!why.empty())
        report_violation("CreateWindowExW", why);
    return nullptr;
}

// Why the arguments cannot make a window, or empty when they can.
std::string check_create(DWORD style, DWORD ex_style, HWND parent, HMENU menu, DWORD& error)
{
    error = ERROR_INVALID_PARAMETER;
    if (style & ~kSupportedStyles)
        return "unsupported style bits " + std::to_string(style & ~kSupportedStyles);
    if ((style & WS_CHILD) && (style & WS_POPUP))
        return "WS_CHILD together with WS_POPUP";
    if (ex_style & ~kSupportedExStyles)
        return "unsupported extended style bits " + std::to_string(ex_style & ~kSupportedExStyles);
    if (menu && !(style & WS_CHILD))
        return "menus are not supported";
    if (!parent) {
        error = ERROR_TLW_WITH_WSCHILD;
        return (style & WS_CHILD) ? "WS_CHILD without a parent" : "";
    }
    error = ERROR_INVALID_WINDOW_HANDLE;
    Window* p = peek_window(parent);
    if (!p)
        return "parent " + describe_handle(parent) + " is not a live window";
    if (p->destroying)
        return "parent " + describe_handle(parent) + " is being destroyed";
    return "";
}

// CW_USEDEFAULT: position 0; size 0 for a child, the rest of the screen for a top-level.
int resolve(int value, bool is_size, bool child, LONG screen_extent, int position)
{
    if (value == CW_USEDEFAULT)
        return is_size ? (child ? 0 : std::max<LONG>(screen_extent - position, 0)) : 0;
    return is_size ? std::max(value, 0) : value;
}

}  // namespace

bool destroy_window(HWND hwnd)
{
    Window* window = peek_window(hwnd);
    if (!window)
        return false;
    if (window->destroying)
        return true;  // the outer DestroyWindow finishes the job
    window->destroying = true;
    const HWND parent = window->parent;
    const RECT area = window->rect;
    const bool uncovers_parent = (window->style & WS_CHILD) && is_visible(*window);

    send(hwnd, WM_DESTROY, 0, 0);
    // Children and owned windows go next, each completely; a handler may destroy some of
    // them itself, and those already being destroyed are finished by their own caller.
    for (;;) {
        if (!(window = peek_window(hwnd)))
            return true;
        HWND next = nullptr;
        for (HWND child : window->children) {
            Window* c = peek_window(child);
            if (c && !c->destroying) {
                next = child;
                break;
            }
        }
        if (!next)
            break;
        destroy_window(next);
    }
    send(hwnd, WM_NCDESTROY, 0, 0);
    if (!(window = peek_window(hwnd)))
        return true;

    release_window_dcs(hwnd, "DestroyWindow");
    if (Window* p = peek_window(parent)) {
        p->children.erase(std::remove(p->children.begin(), p->children.end(), hwnd), p->children.end());
        if (uncovers_parent && !p->destroying)
            invalidate(*p, &area, true);
    }
    for (HWND child : window->children)
        if (Window* c = peek_window(child))
            c->parent = nullptr;
    --window->cls->windows;
    state().windows.remove(from_hwnd(hwnd));
    return true;
}

}  // namespace sim::user

using namespace sim::user;

// CreateWindowExW (coredll): as on Windows CE there is no WM_NCCREATE; WM_CREATE with the
// CREATESTRUCTW is the first message. A window asked to be visible becomes so after
// WM_CREATE, without further messages, and is then invalid.
extern "C" HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                                       int cx, int cy, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    WindowClass* cls = find_class(className);
    if (!cls)
        return fail_create(ERROR_CANNOT_FIND_WND_CLASS, className ? "" : "null class name");
    DWORD error;
    std::string why = check_create(style, exStyle, parent, menu, error);
    if (!why.empty())
        return fail_create(error, why);
    if (sim::acquire::injected_failure(sim::acquire::Kind::Window))
        return nullptr;

    const bool child = (style & WS_CHILD) != 0;
    const RECT screen = sim::gdi::screen_rect();
    const int rx = resolve(x, false, child, 0, 0);
    const int ry = resolve(y, false, child, 0, 0);
    const int rcx = resolve(cx, true, child, screen.right, rx);
    const int rcy = resolve(cy, true, child, screen.bottom, ry);

    auto window = std::make_unique<Window>();
    window->cls = cls;
    window->proc = cls->proc;
    window->parent = parent;
    window->style = style & ~WS_VISIBLE;
    window->ex_style = exStyle;
    window->extra.assign(static_cast<size_t>(cls->wnd_extra), 0);
    window->rect = RECT{rx, ry, rx + rcx, ry + rcy};
    if (title)
        window->title = title;
    window->menu = menu;
    window->instance = instance;
    const HWND hwnd = to_hwnd(state().windows.add(std::move(window)));
    if (!hwnd) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ++cls->windows;
    if (Window* p = peek_window(parent))
        p->children.push_back(hwnd);

    CREATESTRUCTW cs{param, instance, menu, parent, rcy, rcx, ry, rx, static_cast<LONG>(style), title, className, exStyle};
    const LRESULT created = send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs));
    Window* made = peek_window(hwnd);
    if (!made)
        return nullptr;  // its procedure destroyed it
    if (created == -1) {
        destroy_window(hwnd);
        return nullptr;
    }
    if (style & WS_VISIBLE) {
        made->style |= WS_VISIBLE;
        if (is_visible(*made))
            invalidate_tree(hwnd);
    }
    return hwnd;
}

// DestroyWindow (coredll): WM_DESTROY, then the children (each completely), then
// WM_NCDESTROY; the handle dies last. Safe against handlers that destroy or send.
extern "C" BOOL WINAPI DestroyWindow(HWND hwnd)
{
    if (!find_window(hwnd, "DestroyWindow"))
        return FALSE;
    return destroy_window(hwnd) ? TRUE : FALSE;
}

// IsWindow (coredll): the one query that may be asked of a stale handle without complaint.
extern "C" BOOL WINAPI IsWindow(HWND hwnd)
{
    return peek_window(hwnd) ? TRUE : FALSE;
}

// IsWindowVisible (coredll): the window and every parent above it have WS_VISIBLE.
extern "C" BOOL WINAPI IsWindowVisible(HWND hwnd)
{
    Window* window = find_window(hwnd, "IsWindowVisible");
    return window && is_visible(*window) ? TRUE : FALSE;
}

// GetParent (coredll): the parent of a child window, the owner of a top-level one.
extern "C" HWND WINAPI GetParent(HWND hwnd)
{
    Window* window = find_window(hwnd, "GetParent");
    return window && peek_window(window->parent) ? window->parent : nullptr;
}

// ShowWindow (coredll): SW_SHOW and SW_HIDE only. WM_SHOWWINDOW, then the change goes
// through SetWindowPos. Returns whether the window had WS_VISIBLE before.
extern "C" BOOL WINAPI ShowWindow(HWND hwnd, int cmd)
{
    Window* window = find_window(hwnd, "ShowWindow");
    if (!window)
        return FALSE;
    const BOOL was = (window->style & WS_VISIBLE) ? TRUE : FALSE;
    if (cmd != SW_SHOW && cmd != SW_HIDE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        sim::report_violation("ShowWindow", "unsupported command " + std::to_string(cmd));
        return was;
    }
    const BOOL want = cmd == SW_SHOW;
    if (was == want)
        return was;
    send(hwnd, WM_SHOWWINDOW, static_cast<WPARAM>(want), 0);
    if (peek_window(hwnd))
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (want ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    return was;
}

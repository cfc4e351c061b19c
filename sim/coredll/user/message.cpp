// SPDX-License-Identifier: MIT
// Delivering messages to window procedures, and the default window procedure.
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {
namespace {

// A procedure that keeps sending to itself would overflow the stack; the device would
// fault, the simulation refuses the message instead so the test sees a violation.
constexpr int kMaxDepth = 200;

void notify(const MessageCall& call)
{
    // A copy, so an observer may subscribe or unsubscribe while being called.
    auto observers = state().observers;
    for (auto& entry : observers)
        entry.second(call);
}

// Where the innermost running procedure is now: inside DefWindowProcW, inside BeginPaint.
void sender_context(bool& from_def_window_proc, bool& from_begin_paint)
{
    from_def_window_proc = from_begin_paint = false;
    const auto& frames = state().frames;
    for (auto it = frames.rbegin(); it != frames.rend() && *it != FrameKind::Procedure; ++it) {
        if (*it == FrameKind::DefWindowProc)
            from_def_window_proc = true;
        else if (*it == FrameKind::BeginPaint)
            from_begin_paint = true;
    }
}

// After a WM_PAINT: the context must be closed and BeginPaint must have been called, or the
// window would stay invalid and be painted forever.
void check_paint(HWND hwnd, unsigned begin_paints_before)
{
    Window* window = peek_window(hwnd);
    if (!window)
        return;
    --window->painting;
    if (window->paint_dc)
        close_paint(*window, "WM_PAINT returned without EndPaint");
    if (window->begin_paints == begin_paints_before) {
        report_violation("WM_PAINT", describe_handle(hwnd) + " handled WM_PAINT without BeginPaint");
        window->update_pending = false;
        window->erase_pending = false;
    }
}

}  // namespace

FrameScope::FrameScope(FrameKind kind) : size_(state().frames.size())
{
    state().frames.push_back(kind);
}

FrameScope::~FrameScope()
{
    state().frames.resize(size_);
}

int procedure_depth()
{
    int depth = 0;
    for (FrameKind kind : state().frames)
        depth += kind == FrameKind::Procedure;
    return depth;
}

LRESULT deliver(HWND hwnd, WNDPROC proc, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* window = peek_window(hwnd);
    if (!window || !proc)
        return 0;
    MessageCall call{hwnd, msg, wParam, lParam, 0, procedure_depth(), false, false, false};
    if (call.depth >= kMaxDepth) {
        report_violation("SendMessageW", "messages nested " + std::to_string(kMaxDepth) + " deep; refused");
        return 0;
    }
    sender_context(call.from_def_window_proc, call.from_begin_paint);
    const bool paint = msg == WM_PAINT;
    const unsigned begin_paints = window->begin_paints;
    if (paint)
        ++window->painting;

    notify(call);
    {
        FrameScope frame(FrameKind::Procedure);
        call.result = proc(hwnd, msg, wParam, lParam);
    }
    if (paint)
        check_paint(hwnd, begin_paints);
    call.exit = true;
    notify(call);
    return call.result;
}

LRESULT send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* window = peek_window(hwnd);
    return window ? deliver(hwnd, window->proc, msg, wParam, lParam) : 0;
}

}  // namespace sim::user

using namespace sim::user;

// SendMessageW (coredll): synchronous, on the calling thread, as for a window of that thread.
extern "C" LRESULT WINAPI SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!find_window(hwnd, "SendMessageW"))
        return 0;
    return send(hwnd, msg, wParam, lParam);
}

// CallWindowProcW (coredll): calls the procedure directly; the handle is not checked, as
// on the device, and observers are not told again (see SimUser.h).
extern "C" LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        sim::report_violation("CallWindowProcW", "null procedure");
        return 0;
    }
    return proc(hwnd, msg, wParam, lParam);
}

// DefWindowProcW (coredll): the defaults a CE window needs without a non-client area:
// background erase with the class brush, paint validation, WM_MOVE/WM_SIZE from
// WM_WINDOWPOSCHANGED, destruction on WM_CLOSE; 0 for everything else.
extern "C" LRESULT WINAPI DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* window = find_window(hwnd, "DefWindowProcW");
    if (!window)
        return 0;
    FrameScope frame(FrameKind::DefWindowProc);
    switch (msg) {
    case WM_ERASEBKGND: {
        if (!window->cls->background)
            return 0;
        RECT client = client_rect(*window);
        FillRect(reinterpret_cast<HDC>(wParam), &client, window->cls->background);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (BeginPaint(hwnd, &ps))
            EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_WINDOWPOSCHANGED: {
        const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!pos)
            return 0;
        const RECT rect = window->rect;
        if (!(pos->flags & SWP_NOMOVE))
            send(hwnd, WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
        if (!(pos->flags & SWP_NOSIZE) && peek_window(hwnd))
            send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rect.right - rect.left, rect.bottom - rect.top));
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    default:
        return 0;
    }
}

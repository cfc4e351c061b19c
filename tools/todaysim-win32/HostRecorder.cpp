// SPDX-License-Identifier: MIT
// The Win32 recorder: subclassed Today and item windows and a creation hook feed the events.
#include "tools/todaysim-win32/HostRecorder.h"

#include "platform/todaycmn.h"
#include "sim/today/Requests.h"

namespace todaysim {
namespace {

// Window procedures and hooks carry no context; the one live recorder is found here.
HostRecorder* active = nullptr;

SIZE window_size(HWND hwnd)
{
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

HostRecorder::HostRecorder(Sink sink, HWND today) : sink_(std::move(sink)), today_(today)
{
    if (active || !IsWindow(today))
        return;
    today_previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(today, GWLP_WNDPROC,
                                                                  reinterpret_cast<LONG_PTR>(&today_proc)));
    if (!today_previous_)
        return;
    active = this;
    // A thread hook sees the item window before its first message, so even its WM_CREATE
    // passes through the recorder.
    hook_ = SetWindowsHookExW(WH_CBT, &on_cbt, nullptr, GetCurrentThreadId());
    ok_ = hook_ != nullptr;
}

HostRecorder::~HostRecorder()
{
    restore();
}

void HostRecorder::restore()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    // Someone who subclassed after us keeps their procedure; ours then stays in their chain.
    if (today_previous_ && IsWindow(today_) &&
        GetWindowLongPtrW(today_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&today_proc))
        SetWindowLongPtrW(today_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(today_previous_));
    if (item_alive_ && item_previous_ && IsWindow(item_) &&
        GetWindowLongPtrW(item_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&item_proc))
        SetWindowLongPtrW(item_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(item_previous_));
    if (active == this)
        active = nullptr;
}

LRESULT CALLBACK HostRecorder::on_cbt(int code, WPARAM wParam, LPARAM lParam)
{
    HostRecorder* self = active;
    if (code == HCBT_CREATEWND && self && !self->item_) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        if (create && create->lpcs && create->lpcs->hwndParent == self->today_) {
            self->item_previous_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&item_proc)));
            if (self->item_previous_) {
                self->item_ = hwnd;
                self->item_alive_ = true;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK HostRecorder::today_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HostRecorder* self = active;
    if (!self)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    // Requests are recorded as they arrive, before the host's answer, as the device's
    // recorder does: a selection handed out while answering comes after its request.
    if (const char* name = sim::today::request_name(msg)) {
        Event request = make_event("request");
        request["message"] = name;
        self->sink_(request);
        if (msg == TODAYM_DRAWWATERMARK && lParam) {
            const auto* info = reinterpret_cast<const TODAYDRAWWATERMARKINFO*>(lParam);
            Event watermark = make_event("watermark");
            watermark["rect"] = rect_json(info->rc);
            self->sink_(watermark);
        }
    }
    return CallWindowProcW(self->today_previous_, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK HostRecorder::item_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HostRecorder* self = active;
    if (!self || hwnd != self->item_ || !self->item_previous_)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    WNDPROC next = self->item_previous_;
    self->before_item(msg, lParam);
    LRESULT result = CallWindowProcW(next, hwnd, msg, wParam, lParam);
    // The handler may have ended the recorder's life (an unload inside a message).
    if (active == self)
        self->after_item(msg, wParam, result);
    return result;
}

void HostRecorder::before_item(UINT msg, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        const SIZE size = window_size(item_);
        width_ = size.cx;
        height_ = size.cy;
        break;
    }
    case WM_WINDOWPOSCHANGED: {
        // The item answers this itself (no WM_SIZE follows), so its size is taken here,
        // announced before the paint that shows it.
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos && !(pos->flags & SWP_NOSIZE) && (pos->cx != width_ || pos->cy != height_)) {
            width_ = pos->cx;
            height_ = pos->cy;
            Event resize = make_event("resize");
            resize["width"] = width_;
            resize["height"] = height_;
            sink_(resize);
        }
        break;
    }
    case WM_PAINT: {
        const SIZE size = window_size(item_);
        Event paint = make_event("paint");
        paint["rect"] = rect_json(0, 0, size.cx, size.cy);
        sink_(paint);
        break;
    }
    default:
        break;
    }
}

void HostRecorder::after_item(UINT msg, WPARAM wParam, LRESULT result)
{
    switch (msg) {
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE: {
        Event poll = make_event("poll");
        poll["answer"] = static_cast<long>(result);
        if (wParam)
            poll["cyp"] = reinterpret_cast<const TODAYLISTITEM*>(wParam)->cyp;
        sink_(poll);
        break;
    }
    case WM_TODAYCUSTOM_RECEIVEDSELECTION:
    case WM_TODAYCUSTOM_LOSTSELECTION: {
        Event selection = make_event("selection");
        selection["selected"] = msg == WM_TODAYCUSTOM_RECEIVEDSELECTION && result != 0;
        sink_(selection);
        break;
    }
    case WM_NCDESTROY:
        // The handle is stale from here on and may be reused for another window.
        item_alive_ = false;
        item_previous_ = nullptr;
        break;
    default:
        break;
    }
}

}  // namespace todaysim

// SPDX-License-Identifier: MIT
// The Today window: creation, the requests items send it, layout, polling and painting.
#include "sim/today/Host.h"

#include "sim/today/Requests.h"
#include "sim/today/Watermark.h"

namespace sim::today {
namespace {

const WCHAR kClassName[] = TEXT("TodayScreen");

bool same_rect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

Host::Host(HostListener* listener, LeftoverProbe* probe) : listener_(listener), probe_(probe) {}

Host::~Host()
{
    unload_all();
    if (hwnd_)
        DestroyWindow(hwnd_);
    if (class_registered_)
        UnregisterClassW(kClassName, nullptr);
}

DWORD Host::create(int width, int height)
{
    if (hwnd_)
        return ERROR_ALREADY_EXISTS;
    if (width <= 0 || height <= 0) {
        HDC screen = GetDC(nullptr);
        if (!screen)
            return GetLastError() ? GetLastError() : DWORD(ERROR_INVALID_HANDLE);
        width = GetDeviceCaps(screen, HORZRES);
        height = GetDeviceCaps(screen, VERTRES);
        ReleaseDC(nullptr, screen);
    }
    size_ = {width, height};
    if (!class_registered_) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = window_proc;
        wc.lpszClassName = kClassName;
        if (!RegisterClassW(&wc))
            return GetLastError();
        class_registered_ = true;
    }
    // Clipping children keeps the background from painting over the items under Wine.
    if (!CreateWindowExW(0, kClassName, TEXT("Today"), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                         height, nullptr, nullptr, nullptr, this))
        return GetLastError() ? GetLastError() : DWORD(ERROR_INVALID_HANDLE);
    paint();
    return ERROR_SUCCESS;
}

LRESULT CALLBACK Host::window_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Windows CE sends WM_CREATE first; under Wine earlier messages get the default answer.
    if (msg == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* host = static_cast<Host*>(create->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
        host->hwnd_ = hwnd;
        return 0;
    }
    auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!host)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        host->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return host->handle(msg, wParam, lParam);
}

LRESULT Host::handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd_, &client);
        paint_watermark(reinterpret_cast<HDC>(wParam), client, POINT{0, 0}, size_);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        // Short of memory there is no paint to end; the window stays invalid.
        if (BeginPaint(hwnd_, &ps))
            EndPaint(hwnd_, &ps);
        return 0;
    }
    case TODAYM_GETCOLOR:
        answer = answer_color(wParam);
        break;
    case TODAYM_DRAWWATERMARK:
        answer = draw_watermark(reinterpret_cast<const TODAYDRAWWATERMARKINFO*>(lParam));
        break;
    case TODAYM_TOOKSELECTION:
        answer = took_selection(reinterpret_cast<HWND>(wParam));
        break;
    default:
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
    if (listener_)
        listener_->request(request_name(msg), wParam, lParam, answer);
    return answer;
}

LRESULT Host::answer_color(WPARAM id) const
{
    switch (id) {
    case TODAYCOLOR_TEXT:
        return kTextColor;
    case TODAYCOLOR_HIGHLIGHT:
        return kHighlightColor;
    case TODAYCOLOR_HIGHLIGHTEDTEXT:
        return kHighlightedTextColor;
    }
    // A wrong id shows up as an invalid colour rather than as plausible black text.
    return LRESULT(CLR_INVALID);
}

LRESULT Host::draw_watermark(const TODAYDRAWWATERMARKINFO* info) const
{
    if (!info || !info->hdc)
        return FALSE;
    // The picture is laid over the whole Today window, so each item gets its own slice.
    POINT origin = info->hwnd && IsWindow(info->hwnd) ? origin_of(info->hwnd) : POINT{0, 0};
    paint_watermark(info->hdc, info->rc, origin, size_);
    return TRUE;
}

POINT Host::origin_of(HWND hwnd) const
{
    RECT window, today;
    if (!GetWindowRect(hwnd, &window) || !GetWindowRect(hwnd_, &today))
        return POINT{0, 0};
    return POINT{window.left - today.left, window.top - today.top};
}

void Host::layout()
{
    // Items stack from the top in load order, full width, as tall as they asked.
    LONG y = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!live(i))
            continue;
        Item& item = *items_[i];
        HWND hwnd = item.record.hwndCustom;
        const RECT want = {0, y, size_.cx, y + LONG(item.record.cyp)};
        RECT now;
        POINT at = origin_of(hwnd);
        GetWindowRect(hwnd, &now);
        now = {at.x, at.y, at.x + (now.right - now.left), at.y + (now.bottom - now.top)};
        if (!same_rect(now, want)) {
            SetWindowPos(hwnd, nullptr, want.left, want.top, want.right - want.left, want.bottom - want.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            if (listener_)
                listener_->resize(i, want);
        }
        item.rect = want;
        y = want.bottom;
    }
}

void Host::invalidate_all()
{
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, TRUE);
    for (size_t i = 0; i < items_.size(); ++i)
        if (live(i))
            InvalidateRect(items_[i]->record.hwndCustom, nullptr, TRUE);
}

// What the shell's message loop does when idle: deliver the pending paints, parent first.
void Host::pump()
{
    if (hwnd_)
        UpdateWindow(hwnd_);
    for (size_t i = 0; i < items_.size(); ++i)
        if (live(i))
            UpdateWindow(items_[i]->record.hwndCustom);
}

void Host::paint()
{
    step("paint");
    invalidate_all();
    pump();
}

bool Host::poll()
{
    step("poll");
    bool changed = false;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!live(i))
            continue;
        TODAYLISTITEM& record = items_[i]->record;
        BOOL answer = BOOL(SendMessageW(record.hwndCustom, WM_TODAYCUSTOM_QUERYREFRESHCACHE,
                                        reinterpret_cast<WPARAM>(&record), 0));
        if (listener_)
            listener_->poll(i, answer, record.cyp);
        changed = changed || answer;
    }
    if (changed) {
        layout();
        invalidate_all();
    }
    // Idle again: a paint that could not happen before (no memory for it) is due now.
    pump();
    return changed;
}

void Host::step(const char* action)
{
    if (listener_)
        listener_->step(action);
}

bool Host::live(size_t item) const
{
    return item < items_.size() && items_[item]->loaded && items_[item]->record.hwndCustom &&
           IsWindow(items_[item]->record.hwndCustom);
}

int Host::find_item(HWND hwnd) const
{
    for (size_t i = 0; hwnd && i < items_.size(); ++i)
        if (live(i) && items_[i]->record.hwndCustom == hwnd)
            return int(i);
    return -1;
}

RECT Host::item_rect(size_t item) const
{
    return live(item) ? items_[item]->rect : RECT{0, 0, 0, 0};
}

}  // namespace sim::today

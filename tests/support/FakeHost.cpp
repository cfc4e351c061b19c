// SPDX-License-Identifier: MIT
// The stand-in Today host window and its answers to an item's requests.
#include "support/FakeHost.h"

namespace {
const WCHAR kHostClass[] = TEXT("LinkoryFakeHost");
}

FakeHost::FakeHost()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);
    window = CreateWindowExW(0, kHostClass, TEXT("Today"), WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, NULL, NULL, NULL, NULL);
    // The object is found through GWLP_USERDATA; messages before this get the default.
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    record.tlit = tlitCustom;
    record.fEnabled = TRUE;
    record.dwSelectability = TODAY_SELECTABILITY_CUSTOMSELECTION;
}

FakeHost::~FakeHost()
{
    if (IsWindow(window))
        DestroyWindow(window);
    UnregisterClassW(kHostClass, NULL);
}

void FakeHost::SetColor(DWORD colorId, COLORREF color)
{
    if (colorId == TODAYCOLOR_TEXT)
        text = color;
    else if (colorId == TODAYCOLOR_HIGHLIGHT)
        highlight = color;
    else if (colorId == TODAYCOLOR_HIGHLIGHTEDTEXT)
        highlightedText = color;
}

LRESULT FakeHost::Poll(HWND item)
{
    return SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, reinterpret_cast<WPARAM>(&record), 0);
}

LRESULT CALLBACK FakeHost::HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FakeHost* host = reinterpret_cast<FakeHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (host == NULL || msg < TODAYM_GETCOLOR || msg > TODAYM_TOOKSELECTION)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    return host->Answer(msg, wParam, lParam);
}

LRESULT FakeHost::Answer(UINT msg, WPARAM wParam, LPARAM lParam)
{
    Request request = {msg, wParam, lParam, {}};
    if (msg == TODAYM_DRAWWATERMARK && lParam != 0)
        request.watermark = *reinterpret_cast<const TODAYDRAWWATERMARKINFO*>(lParam);
    requests.push_back(request);

    switch (msg) {
    case TODAYM_GETCOLOR:
        if (wParam == TODAYCOLOR_TEXT)
            return text;
        if (wParam == TODAYCOLOR_HIGHLIGHT)
            return highlight;
        if (wParam == TODAYCOLOR_HIGHLIGHTEDTEXT)
            return highlightedText;
        return 0;
    case TODAYM_DRAWWATERMARK: {
        if (lParam == 0)
            return 0;
        HBRUSH brush = CreateSolidBrush(watermark);
        FillRect(request.watermark.hdc, &request.watermark.rc, brush);
        DeleteObject(brush);
        return 0;
    }
    default:  // TODAYM_TOOKSELECTION
        if (passSelection)
            SendMessageW(reinterpret_cast<HWND>(wParam), WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
        return 0;
    }
}

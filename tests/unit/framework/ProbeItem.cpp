// SPDX-License-Identifier: MIT
// The recording test item.
#include "unit/framework/ProbeItem.h"

#include <stdexcept>

__attribute__((noinline, no_sanitize("null"))) void FaultNow(Fault fault)
{
    if (fault == Fault::kThrow)
        throw std::runtime_error("handler failed");
    if (fault == Fault::kNullWrite) {
        volatile int* volatile target = nullptr;
        *target = 1;
    }
}

LRESULT ProbeItem::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE)
        hwndAtCreate = hwnd;
    if (msg == faultOn)
        FaultNow(fault);
    return CTodayItem::WindowProc(window, msg, wParam, lParam);
}

void ProbeItem::OnAfterCreate()
{
    Note(hwnd != NULL ? "OnAfterCreate window" : "OnAfterCreate none");
}

LRESULT ProbeItem::OnCreate()
{
    Note("OnCreate");
    return 0;
}

void ProbeItem::OnPaint(HDC, const RECT* client)
{
    Note("OnPaint " + std::to_string(client->right) + "x" + std::to_string(client->bottom));
}

void ProbeItem::OnLButtonUp(int x, int y)
{
    Note("OnLButtonUp " + std::to_string(x) + " " + std::to_string(y));
}

void ProbeItem::OnLButtonDown(int x, int y)
{
    Note("OnLButtonDown " + std::to_string(x) + " " + std::to_string(y));
}

LRESULT ProbeItem::OnDestroy(WPARAM, LPARAM)
{
    Note("OnDestroy");
    return 0;
}

BOOL ProbeItem::OnQueryRefreshCache(TODAYLISTITEM*)
{
    Note("OnQueryRefreshCache");
    if (heightOnRefresh >= 0)
        SetHeight(heightOnRefresh);
    if (redrawOnRefresh)
        Redraw();
    return refreshAnswer;
}

BOOL ProbeItem::OnReceivedSelection(WPARAM)
{
    Note("OnReceivedSelection");
    return receivedAnswer;
}

void ProbeItem::OnAction(WPARAM wParam)
{
    Note("OnAction " + std::to_string(wParam));
}

LRESULT ProbeItem::OnUserNavigation(WPARAM wParam)
{
    Note("OnUserNavigation");
    return static_cast<LRESULT>(wParam) + 1;
}

// SPDX-License-Identifier: MIT
// CTodayItem: the Today host's protocol, selection, background and height.
#include "framework/TodayItem.h"

namespace {

// 1/96 as the nearest double (a correctly rounded division). The factor is dpi times this,
// which is not always the quotient dpi / 96 (at 130 dpi: ...665 rather than ...667);
// layouts depend on the product.
const double kPerLogicalInch = 1.0 / 96.0;

const int kItemWidth = 240;

}  // namespace

CTodayItem::CTodayItem()
    : scaleX(1.0),
      scaleY(1.0),
      customErase(FALSE),
      selectable(TRUE),
      itemHeight(0),
      selected(FALSE),
      userNavigation(FALSE),
      selectOnTap(TRUE)
{
    // Without a screen context there is nothing to measure: keep the 96 dpi layout rather
    // than ask a null context, which would collapse every distance to 0.
    HDC screen = GetDC(NULL);
    if (screen != NULL) {
        scaleX = static_cast<double>(GetDeviceCaps(screen, LOGPIXELSX)) * kPerLogicalInch;
        scaleY = static_cast<double>(GetDeviceCaps(screen, LOGPIXELSY)) * kPerLogicalInch;
        ReleaseDC(NULL, screen);
    }
}

CTodayItem::~CTodayItem() {}

HWND CTodayItem::Create(HINSTANCE instance, TODAYLISTITEM* item, HWND parent)
{
    if (item == NULL || !item->fEnabled)
        return NULL;
    // The host passes the selection to a window; a new one has not been given it.
    selected = FALSE;
    CBasicWnd::Create(instance, parent, WS_CHILD | WS_VISIBLE, WS_EX_TRANSPARENT, NULL, CW_USEDEFAULT,
                      CW_USEDEFAULT, kItemWidth, 0, NULL);
    OnAfterCreate();
    return hwnd;
}

LRESULT CTodayItem::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        LRESULT result = DefWindowProcW(window, msg, wParam, lParam);
        OnCreate();
        return result;
    }
    case WM_DESTROY:
        return OnDestroy(wParam, lParam);
    case WM_PAINT:
        PaintWindow(window);
        return 0;
    case WM_ERASEBKGND:
        EraseBackground(window, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_LBUTTONDOWN:
        if (selectable && selectOnTap && !selected)
            ::SendMessageW(hwndParent, TODAYM_TOOKSELECTION, reinterpret_cast<WPARAM>(window), 0);
        OnLButtonDown(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE:
        return QueryRefreshCache(reinterpret_cast<TODAYLISTITEM*>(wParam));
    case WM_TODAYCUSTOM_RECEIVEDSELECTION:
        selected = selectable ? OnReceivedSelection(wParam) : FALSE;
        return selected;
    case WM_TODAYCUSTOM_LOSTSELECTION:
        selected = FALSE;
        OnLostSelection(wParam);
        return 0;
    case WM_TODAYCUSTOM_USERNAVIGATION:
        return userNavigation ? OnUserNavigation(wParam) : 0;
    case WM_TODAYCUSTOM_ACTION:
        OnAction(wParam);
        return 0;
    default:
        // The host treats every other message as not handled; the default procedure
        // is never asked.
        return 0;
    }
}

void CTodayItem::PaintWindow(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc == NULL)
        return;
    RECT client = {};
    GetClientRect(window, &client);
    OnPaint(dc, &client);
    EndPaint(window, &ps);
}

void CTodayItem::EraseBackground(HWND window, HDC dc)
{
    RECT client = {};
    GetClientRect(window, &client);
    if (customErase) {
        OnEraseBackground(dc, &client);
    } else if (selected) {
        COLORREF colour = static_cast<COLORREF>(::SendMessageW(hwndParent, TODAYM_GETCOLOR, TODAYCOLOR_HIGHLIGHT, 0));
        HBRUSH brush = CreateSolidBrush(colour);
        if (brush != NULL) {
            FillRect(dc, &client, brush);
            DeleteObject(brush);
        }
    } else {
        TODAYDRAWWATERMARKINFO info = {};
        info.hdc = dc;
        info.rc = client;
        info.hwnd = window;
        ::SendMessageW(hwndParent, TODAYM_DRAWWATERMARK, 0, reinterpret_cast<LPARAM>(&info));
    }
}

LRESULT CTodayItem::QueryRefreshCache(TODAYLISTITEM* item)
{
    OnQueryRefreshCache(item);
    // The answer says only whether the height changed; new content at the same height
    // is already painted and needs no new layout from the host.
    if (item == NULL || item->cyp == static_cast<DWORD>(itemHeight))
        return FALSE;
    item->cyp = static_cast<DWORD>(itemHeight);
    return TRUE;
}

void CTodayItem::OnAfterCreate() {}

LRESULT CTodayItem::OnCreate()
{
    return 0;
}

void CTodayItem::OnPaint(HDC, const RECT*) {}

int CTodayItem::OnEraseBackground(HDC dc, const RECT* client)
{
    FillRect(dc, client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    return 0;
}

void CTodayItem::OnLButtonUp(int, int) {}

void CTodayItem::OnLButtonDown(int, int) {}

LRESULT CTodayItem::OnDestroy(WPARAM, LPARAM)
{
    return 0;
}

BOOL CTodayItem::OnQueryRefreshCache(TODAYLISTITEM*)
{
    return FALSE;
}

BOOL CTodayItem::OnReceivedSelection(WPARAM)
{
    return TRUE;
}

void CTodayItem::OnLostSelection(WPARAM) {}

void CTodayItem::OnAction(WPARAM) {}

LRESULT CTodayItem::OnUserNavigation(WPARAM)
{
    return 0;
}

void CTodayItem::SetHeight(int height)
{
    itemHeight = height;
}

void CTodayItem::SetSelectOnTap(BOOL on)
{
    selectOnTap = on;
}

void CTodayItem::TakeSelection()
{
    // A window is always a child, so it has a parent.
    if (!selected && hwnd != NULL)
        ::SendMessageW(hwndParent, TODAYM_TOOKSELECTION, reinterpret_cast<WPARAM>(hwnd), 0);
}

COLORREF CTodayItem::GetTextColor()
{
    if (hwndParent == NULL)
        return RGB(0, 0, 0);
    WPARAM colourId = selected ? TODAYCOLOR_HIGHLIGHTEDTEXT : TODAYCOLOR_TEXT;
    return static_cast<COLORREF>(::SendMessageW(hwndParent, TODAYM_GETCOLOR, colourId, 0));
}

BOOL CTodayItem::Redraw()
{
    if (hwnd == NULL)
        return FALSE;
    InvalidateRect(hwnd, NULL, TRUE);
    UpdateWindow(hwnd);
    return TRUE;
}

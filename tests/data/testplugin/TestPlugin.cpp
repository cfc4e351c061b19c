// SPDX-License-Identifier: MIT
// A tiny Today item in plain Win32 terms, loaded by the loader and Today host tests.
#include <string>

#include "Probe.h"
#include "platform/todaycmn.h"
#include "platform/win32.h"

using testplugin::probe;

namespace {

const WCHAR kClassName[] = TEXT("TestPluginItem");
HINSTANCE module_handle = nullptr;
bool class_registered = false;
HWND windows[8];
int window_count = 0;
HWND selected = nullptr;

int windows_created = 0;

// Events of an item window carry its number in creation order: "1:down 3,4".
void record(HWND hwnd, const std::string& event)
{
    probe().record(std::to_string(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) + ":" + event);
}

std::string point_text(const char* what, LPARAM lParam)
{
    return std::string(what) + " " + std::to_string(LOWORD(lParam)) + "," + std::to_string(HIWORD(lParam));
}

void forget(HWND hwnd)
{
    for (int i = 0; i < window_count; ++i)
        if (windows[i] == hwnd) {
            windows[i] = windows[--window_count];
            return;
        }
}

LRESULT CALLBACK ItemProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND host = GetParent(hwnd);
    switch (msg) {
    case WM_CREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, windows_created++);
        record(hwnd, "create");
        return 0;
    case WM_DESTROY:
        record(hwnd, "destroy");
        forget(hwnd);
        if (selected == hwnd)
            selected = nullptr;
        return 0;
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE: {
        record(hwnd, "poll");
        TODAYLISTITEM* item = reinterpret_cast<TODAYLISTITEM*>(wParam);
        if (!item || item->cyp == probe().height)
            return FALSE;
        item->cyp = probe().height;
        return TRUE;
    }
    case WM_ERASEBKGND: {
        record(hwnd, "erase");
        TODAYDRAWWATERMARKINFO info;
        info.hdc = reinterpret_cast<HDC>(wParam);
        GetClientRect(hwnd, &info.rc);
        info.hwnd = hwnd;
        SendMessageW(host, TODAYM_DRAWWATERMARK, 0, reinterpret_cast<LPARAM>(&info));
        return 1;
    }
    case WM_PAINT: {
        record(hwnd, "paint");
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        COLORREF color = COLORREF(SendMessageW(host, TODAYM_GETCOLOR, TODAYCOLOR_TEXT, 0));
        record(hwnd, "color " + std::to_string(color));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        record(hwnd, point_text("down", lParam));
        if (probe().take_selection_on_tap && selected != hwnd)
            SendMessageW(host, TODAYM_TOOKSELECTION, reinterpret_cast<WPARAM>(hwnd), 0);
        return 0;
    case WM_LBUTTONUP:
        record(hwnd, point_text("up", lParam));
        return 0;
    case WM_TODAYCUSTOM_RECEIVEDSELECTION:
        record(hwnd, "received " + std::to_string(wParam));
        if (probe().accept_selection)
            selected = hwnd;
        return probe().accept_selection ? TRUE : FALSE;
    case WM_TODAYCUSTOM_LOSTSELECTION:
        record(hwnd, "lost");
        if (selected == hwnd)
            selected = nullptr;
        return 0;
    case WM_TODAYCUSTOM_ACTION:
        record(hwnd, "action " + std::to_string(wParam));
        return 0;
    case WM_TODAYCUSTOM_CLEARCACHE:
        record(hwnd, "clearcache");
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool own_icon_loads(HINSTANCE module)
{
    HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 8, 8, 0);
    if (icon)
        DestroyIcon(static_cast<HICON>(icon));
    return icon != nullptr;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        probe().record("attach");
        module_handle = module;
        probe().attach_module = module;
        probe().icon_at_attach = own_icon_loads(module);
        return probe().attach_result;
    }
    if (reason == DLL_PROCESS_DETACH) {
        probe().record("detach");
        probe().icon_at_detach = own_icon_loads(module);
        if (!probe().leave_windows) {
            while (window_count > 0)
                DestroyWindow(windows[window_count - 1]);
            if (class_registered)
                UnregisterClassW(kClassName, module_handle);
            class_registered = false;
        }
    }
    return TRUE;
}

extern "C" HWND InitializeCustomItem(TODAYLISTITEM* item, HWND parent)
{
    probe().record("init");
    probe().last_parent = parent;
    if (!item || !item->fEnabled || window_count == 8)
        return nullptr;
    if (!class_registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ItemProc;
        wc.hInstance = module_handle;
        wc.lpszClassName = kClassName;
        class_registered = RegisterClassW(&wc) != 0;
    }
    HWND hwnd = CreateWindowExW(0, kClassName, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 240, 0, parent, nullptr,
                                module_handle, nullptr);
    if (hwnd)
        windows[window_count++] = hwnd;
    return hwnd;
}

extern "C" BOOL CustomItemOptionsDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    probe().record("options");
    return TRUE;
}

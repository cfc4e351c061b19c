// SPDX-License-Identifier: MIT
// The library's entry points: load and unload, and the two exports the Today host calls.
#include "connections/ConnectionsItem.h"
#include "entry/Singletons.h"
#include "framework/BasicWnd.h"
#include "platform/todaycmn.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    switch (reason) {  // LCOV_EXCL_BR_LINE: no thread notifications, as below
    case DLL_PROCESS_ATTACH:
        Singletons::module = module;
        // A class left registered by an earlier load would carry a stale procedure.
        CBasicWnd::UnregisterWindowClass();
        break;
    case DLL_PROCESS_DETACH:
        Singletons::Release();
        CBasicWnd::UnregisterWindowClass();
        break;
    default:    // LCOV_EXCL_LINE: thread notifications; the simulated loader sends none
        break;  // LCOV_EXCL_LINE
    }
    return TRUE;
}

// Export ordinal 240: makes the item's window for the host's record, or answers null.
HWND APIENTRY InitializeCustomItem(TODAYLISTITEM* item, HWND parent)
{
    if (!item)
        return NULL;
    Singletons::Create();
    if (!Singletons::item)
        return NULL;
    return Singletons::item->Initialize(Singletons::module, item, parent, Singletons::table);
}

// Export ordinal 241: the item has no options dialog.
BOOL APIENTRY CustomItemOptionsDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return TRUE;
}

}  // extern "C"

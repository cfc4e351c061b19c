// SPDX-License-Identifier: MIT
// The Today screen's custom-item protocol: the host's item record, watermark request,
// messages and colour ids. No SDK header exists on our builds, so we declare our own.
#ifndef LINKORY_PLATFORM_TODAYCMN_H
#define LINKORY_PLATFORM_TODAYCMN_H

#include <stddef.h>

#include "win32.h"

#define MAX_ITEMNAME 32
#define k_cTodayItemsMax 12

typedef enum _TODAYLISTITEMTYPE {
    tlitOwnerInfo = 0,
    tlitAppointments = 1,
    tlitMail = 2,
    tlitTasks = 3,
    tlitCustom = 4,
    tlitNil = 5
} TODAYLISTITEMTYPE;

#define TODAY_SELECTABILITY_NOTSELECTABLE 0
#define TODAY_SELECTABILITY_SELECTABLE 1
#define TODAY_SELECTABILITY_CUSTOMSELECTION 2
#define TODAY_SELECTABILITY_LAST 3

// The host allocates this record and hands it to the item; the item reads only
// fEnabled and reads and writes cyp. The 14-field form of the selection-era SDKs.
typedef struct _TODAYLISTITEM {
    WCHAR szName[MAX_ITEMNAME];
    TODAYLISTITEMTYPE tlit;
    DWORD dwOrder;
    DWORD cyp;
    BOOL fEnabled;
    BOOL fOptions;
    DWORD grfFlags;
    WCHAR szDLLPath[MAX_PATH];
    HINSTANCE hinstDLL;
    HWND hwndCustom;
    BOOL fSizeOnDraw;
    BYTE* prgbCachedData;
    DWORD cbCachedData;
    DWORD dwSelectability;
} TODAYLISTITEM;

typedef struct _TODAYDRAWWATERMARKINFO {
    HDC hdc;
    RECT rc;
    HWND hwnd;
} TODAYDRAWWATERMARKINFO;

// The device's layouts. The fields before the first handle sit where they do on every
// build; the rest only where pointers are 4 bytes, as on the device.
C_ASSERT(sizeof(TODAYLISTITEMTYPE) == 4);
C_ASSERT(offsetof(TODAYLISTITEM, tlit) == 64);
C_ASSERT(offsetof(TODAYLISTITEM, cyp) == 72);
C_ASSERT(offsetof(TODAYLISTITEM, fEnabled) == 76);
C_ASSERT(offsetof(TODAYLISTITEM, grfFlags) == 84);
C_ASSERT(offsetof(TODAYLISTITEM, szDLLPath) == 88);
C_ASSERT(offsetof(TODAYLISTITEM, hinstDLL) == 608);
C_ASSERT(sizeof(void*) != 4 || offsetof(TODAYLISTITEM, hwndCustom) == 612);
C_ASSERT(sizeof(void*) != 4 || offsetof(TODAYLISTITEM, fSizeOnDraw) == 616);
C_ASSERT(sizeof(void*) != 4 || offsetof(TODAYLISTITEM, prgbCachedData) == 620);
C_ASSERT(sizeof(void*) != 4 || offsetof(TODAYLISTITEM, cbCachedData) == 624);
C_ASSERT(sizeof(void*) != 4 || offsetof(TODAYLISTITEM, dwSelectability) == 628);
C_ASSERT(sizeof(void*) != 4 || sizeof(TODAYLISTITEM) == 632);
C_ASSERT(sizeof(void*) != 4 || offsetof(TODAYDRAWWATERMARKINFO, rc) == 4);
C_ASSERT(sizeof(void*) != 4 || offsetof(TODAYDRAWWATERMARKINFO, hwnd) == 20);
C_ASSERT(sizeof(void*) != 4 || sizeof(TODAYDRAWWATERMARKINFO) == 24);

// Requests from the item to the host window.
#define TODAYM_GETCOLOR (WM_USER + 100)
#define TODAYM_DRAWWATERMARK (WM_USER + 101)
#define TODAYM_TOOKSELECTION (WM_USER + 102)

// Messages from the host to the item window.
#define WM_TODAYCUSTOM_CLEARCACHE (WM_USER + 242)
#define WM_TODAYCUSTOM_QUERYREFRESHCACHE (WM_USER + 243)
#define WM_TODAYCUSTOM_RECEIVEDSELECTION (WM_USER + 244)
#define WM_TODAYCUSTOM_LOSTSELECTION (WM_USER + 245)
#define WM_TODAYCUSTOM_USERNAVIGATION (WM_USER + 246)
#define WM_TODAYCUSTOM_ACTION (WM_USER + 247)

#define TODAYCOLOR_TEXT 0x10000004
#define TODAYCOLOR_HIGHLIGHT 0x10000022
#define TODAYCOLOR_HIGHLIGHTEDTEXT 0x10000023

#define ORDINAL_INITIALIZEITEM 240
#define ORDINAL_OPTIONSDIALOGPROC 241
#define IDI_ICON 128
#define IDD_TODAY_CUSTOM 500

// APIENTRY, as the exports are documented: on ARM every call is alike, but a 32-bit x86
// host and item must agree on __stdcall.
typedef HWND(APIENTRY* PFNCUSTOMINITIALIZEITEM)(TODAYLISTITEM*, HWND);
typedef BOOL(APIENTRY* PFNCUSTOMOPTIONSDLGPROC)(HWND, UINT, WPARAM, LPARAM);

#endif  // LINKORY_PLATFORM_TODAYCMN_H

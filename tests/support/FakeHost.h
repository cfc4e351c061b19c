// SPDX-License-Identifier: MIT
// A stand-in for the Today host: one window that answers an item's requests as told.
//
// Written against the Win32 API only. The window is a visible top-level 240 x 320 window
// at the screen's origin; it records every TODAYM_* request it receives and answers
// TODAYM_GETCOLOR with the colours the test sets, TODAYM_DRAWWATERMARK by filling the
// given rectangle with the watermark colour, and TODAYM_TOOKSELECTION, when told to, by
// passing the selection to the asking window as the host does.
#ifndef LINKORY_TESTS_SUPPORT_FAKEHOST_H
#define LINKORY_TESTS_SUPPORT_FAKEHOST_H

#include <vector>

#include "platform/todaycmn.h"

class FakeHost {
public:
    struct Request {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        TODAYDRAWWATERMARKINFO watermark;  // a copy, for TODAYM_DRAWWATERMARK
    };

    FakeHost();
    ~FakeHost();

    HWND Window() const { return window; }
    // The host's record of the item, enabled, cyp 0.
    TODAYLISTITEM& Record() { return record; }

    // Colours answered for TODAYCOLOR_TEXT, _HIGHLIGHT and _HIGHLIGHTEDTEXT; other ids get 0.
    void SetColor(DWORD colorId, COLORREF color);
    void SetWatermarkColor(COLORREF color) { watermark = color; }
    void SetPassSelection(bool on) { passSelection = on; }

    // WM_TODAYCUSTOM_QUERYREFRESHCACHE to the item with the record; returns the answer.
    LRESULT Poll(HWND item);

    const std::vector<Request>& Requests() const { return requests; }
    void ClearRequests() { requests.clear(); }

private:
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Answer(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND window = NULL;
    TODAYLISTITEM record{};
    COLORREF text = RGB(0, 0, 0);
    COLORREF highlight = RGB(0, 64, 192);
    COLORREF highlightedText = RGB(255, 255, 255);
    COLORREF watermark = RGB(200, 220, 240);
    bool passSelection = false;
    std::vector<Request> requests;
};

#endif  // LINKORY_TESTS_SUPPORT_FAKEHOST_H

// SPDX-License-Identifier: MIT
// A Today item for tests: records what reaches it and can be told how to answer or to fault.
#ifndef LINKORY_TESTS_UNIT_FRAMEWORK_PROBEITEM_H
#define LINKORY_TESTS_UNIT_FRAMEWORK_PROBEITEM_H

#include <string>
#include <vector>

#include "framework/TodayItem.h"

enum class Fault { kNone, kNullWrite, kThrow };

// Writes through a null pointer that the compiler cannot see is null.
void FaultNow(Fault fault);

class ProbeItem : public CTodayItem {
public:
    // "OnLButtonDown 5 7", "OnAfterCreate hwnd", ... in call order.
    std::vector<std::string> calls;
    // The window the object knew while WM_CREATE was handled.
    HWND hwndAtCreate = NULL;

    BOOL receivedAnswer = TRUE;
    BOOL refreshAnswer = FALSE;
    int heightOnRefresh = -1;  // SetHeight inside OnQueryRefreshCache when not negative
    bool redrawOnRefresh = false;  // repaint at once inside OnQueryRefreshCache
    UINT faultOn = 0;          // WindowProc faults on this message...
    Fault fault = Fault::kNone;  // ...in this way

    HWND Window() const { return hwnd; }
    HWND Parent() const { return hwndParent; }
    HINSTANCE Instance() const { return hInstance; }
    double ScaleX() const { return scaleX; }
    double ScaleY() const { return scaleY; }
    BOOL Selected() const { return selected; }
    int Height() const { return itemHeight; }
    void SetSelectable(BOOL on) { selectable = on; }
    void SetCustomErase(BOOL on) { customErase = on; }
    void SetNavigation(BOOL on) { userNavigation = on; }
    using CTodayItem::GetTextColor;
    using CTodayItem::Redraw;
    using CTodayItem::SetHeight;
    using CTodayItem::SetSelectOnTap;
    using CTodayItem::TakeSelection;

    LRESULT WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnAfterCreate() override;
    LRESULT OnCreate() override;
    void OnPaint(HDC dc, const RECT* client) override;
    void OnLButtonUp(int x, int y) override;
    void OnLButtonDown(int x, int y) override;
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override;
    BOOL OnQueryRefreshCache(TODAYLISTITEM* item) override;
    BOOL OnReceivedSelection(WPARAM wParam) override;
    void OnAction(WPARAM wParam) override;
    LRESULT OnUserNavigation(WPARAM wParam) override;

private:
    void Note(const std::string& call) { calls.push_back(call); }
};

#endif  // LINKORY_TESTS_UNIT_FRAMEWORK_PROBEITEM_H

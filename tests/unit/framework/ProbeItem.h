// SPDX-License-Identifier: MIT
// A Today item for tests: records what reaches it and can be told how to answer or to fault.
#ifndef LINKORY_TESTS_UNIT_FRAMEWORK_PROBEITEM_H
#define LINKORY_TESTS_UNIT_FRAMEWORK_PROBEITEM_H

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "framework/TodayItem.h"

enum class Fault { kNone, kNullWrite, kThrow };

// Throws, or writes through a null pointer that the compiler cannot see is null.
__attribute__((noinline, no_sanitize("null"))) inline void FaultNow(Fault fault)
{
    if (fault == Fault::kThrow)
        throw std::runtime_error("handler failed");
    if (fault == Fault::kNullWrite) {
        volatile int* volatile target = nullptr;
        *target = 1;
    }
}

class ProbeItem : public CTodayItem {
public:
    // "OnLButtonDown 5 7", "OnAfterCreate window", ... in call order.
    std::vector<std::string> calls;
    // The window the object knew while WM_CREATE was handled.
    HWND hwndAtCreate = NULL;
    // Every message PreWindowProc saw, and how many of them WindowProc had seen by then.
    std::vector<std::pair<UINT, size_t>> preWindowProc;
    size_t windowProcCalls = 0;

    BOOL receivedAnswer = TRUE;
    LRESULT destroyAnswer = 0;
    BOOL refreshAnswer = FALSE;
    int heightOnRefresh = -1;      // SetHeight inside OnQueryRefreshCache when not negative
    bool redrawOnRefresh = false;  // repaint at once inside OnQueryRefreshCache
    UINT faultOn = 0;              // WindowProc faults on this message...
    Fault fault = Fault::kNone;    // ...in this way

    HWND Window() const { return hwnd; }
    HWND Parent() const { return hwndParent; }
    HINSTANCE Instance() const { return hInstance; }
    double ScaleX() const { return scaleX; }
    double ScaleY() const { return scaleY; }
    BOOL Selected() const { return selected; }
    void SetSelectable(BOOL on) { selectable = on; }
    void SetCustomErase(BOOL on) { customErase = on; }
    void SetNavigation(BOOL on) { userNavigation = on; }
    using CTodayItem::GetTextColor;
    using CTodayItem::Redraw;
    using CTodayItem::SetHeight;
    using CTodayItem::SetSelectOnTap;
    using CTodayItem::TakeSelection;

    LRESULT PreWindowProc(HWND, UINT msg, WPARAM, LPARAM) override
    {
        preWindowProc.emplace_back(msg, windowProcCalls);
        return 0;
    }
    LRESULT WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        ++windowProcCalls;
        if (msg == WM_CREATE)
            hwndAtCreate = hwnd;
        if (msg == faultOn)
            FaultNow(fault);
        return CTodayItem::WindowProc(window, msg, wParam, lParam);
    }
    void OnAfterCreate() override { Note(hwnd != NULL ? "OnAfterCreate window" : "OnAfterCreate none"); }
    LRESULT OnCreate() override { Note("OnCreate"); return 0; }
    void OnPaint(HDC, const RECT* client) override
    {
        Note("OnPaint " + std::to_string(client->right) + "x" + std::to_string(client->bottom));
    }
    void OnLButtonUp(int x, int y) override { Note("OnLButtonUp " + std::to_string(x) + " " + std::to_string(y)); }
    void OnLButtonDown(int x, int y) override
    {
        CTodayItem::OnLButtonDown(x, y);
        Note("OnLButtonDown " + std::to_string(x) + " " + std::to_string(y));
    }
    LRESULT OnDestroy(WPARAM, LPARAM) override { Note("OnDestroy"); return destroyAnswer; }
    BOOL OnQueryRefreshCache(TODAYLISTITEM*) override
    {
        Note("OnQueryRefreshCache");
        if (heightOnRefresh >= 0)
            SetHeight(heightOnRefresh);
        if (redrawOnRefresh)
            Redraw();
        return refreshAnswer;
    }
    BOOL OnReceivedSelection(WPARAM) override { Note("OnReceivedSelection"); return receivedAnswer; }
    void OnLostSelection(WPARAM wParam) override { Note("OnLostSelection " + std::to_string(wParam)); }
    void OnAction(WPARAM wParam) override { Note("OnAction " + std::to_string(wParam)); }
    LRESULT OnUserNavigation(WPARAM wParam) override { Note("OnUserNavigation"); return LRESULT(wParam) + 1; }

private:
    void Note(const std::string& call) { calls.push_back(call); }
};

#endif  // LINKORY_TESTS_UNIT_FRAMEWORK_PROBEITEM_H

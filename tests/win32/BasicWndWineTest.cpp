// SPDX-License-Identifier: MIT
// CBasicWnd in real Win32 windows under Wine: binding at WM_CREATE after Win32's earlier
// creation messages, faults and throws in a window procedure, unbound windows, the class.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "framework/BasicWnd.h"

namespace {

const UINT kAnswer = WM_USER + 1;
const UINT kThrow = WM_USER + 2;

__attribute__((noinline)) void read_wild()
{
    volatile int* volatile target = reinterpret_cast<int*>(0x10);
    int value = *target;
    (void)value;
}

// Records what reaches the object; faults on WM_GETTEXTLENGTH and WM_CREATE when told to.
class ProbeWnd : public CBasicWnd {
public:
    LRESULT WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(msg);
        if (msg == WM_CREATE)
            hwndAtCreate = hwnd;
        if ((msg == WM_GETTEXTLENGTH && faultOnTextLength) || (msg == WM_CREATE && faultOnCreate))
            read_wild();
        if (msg == kThrow)
            throw std::runtime_error("handler failed");
        if (msg == kAnswer)
            return 42;
        return CBasicWnd::WindowProc(window, msg, wParam, lParam);
    }
    HWND Window() const { return hwnd; }

    std::vector<UINT> seen;
    HWND hwndAtCreate = nullptr;
    bool faultOnTextLength = false;
    bool faultOnCreate = false;
};

class WineBasicWnd : public ::testing::Test {
protected:
    void TearDown() override { CBasicWnd::UnregisterWindowClass(); }

    BOOL Make(ProbeWnd& probe)
    {
        return probe.Create(GetModuleHandleW(nullptr), nullptr, WS_POPUP, 0, L"abc", 0, 0, 20, 10, nullptr);
    }
};

}  // namespace

TEST_F(WineBasicWnd, ObjectIsBoundAtCreateAndEarlierMessagesGetTheDefault)
{
    ProbeWnd probe;
    ASSERT_TRUE(Make(probe));
    // Win32 sends WM_NCCREATE and WM_NCCALCSIZE first; DefWindowProcW must have answered
    // them (a zero for WM_NCCREATE would have failed the creation).
    ASSERT_FALSE(probe.seen.empty());
    EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(probe.hwndAtCreate, probe.Window());
    EXPECT_EQ(GetWindowLongPtrW(probe.Window(), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&probe));
    EXPECT_EQ(SendMessageW(probe.Window(), kAnswer, 0, 0), 42);

    HWND window = probe.Window();
    EXPECT_TRUE(probe.Destroy());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(probe.Window(), nullptr);
}

TEST_F(WineBasicWnd, FaultingHandlerGetsTheDefaultAnswerAndTheNextMessageIsRouted)
{
    ProbeWnd probe;
    ASSERT_TRUE(Make(probe));
    probe.faultOnTextLength = true;
    // DefWindowProcW's answer is the title's length, which the faulting handler never gave.
    EXPECT_EQ(SendMessageW(probe.Window(), WM_GETTEXTLENGTH, 0, 0), 3);
    EXPECT_EQ(SendMessageW(probe.Window(), kThrow, 0, 0), 0);
    EXPECT_EQ(SendMessageW(probe.Window(), kAnswer, 0, 0), 42);
    EXPECT_TRUE(probe.Destroy());
}

TEST_F(WineBasicWnd, FaultDuringCreateStillMakesTheWindow)
{
    ProbeWnd probe;
    probe.faultOnCreate = true;
    ASSERT_TRUE(Make(probe));
    EXPECT_TRUE(IsWindow(probe.Window()));
    probe.faultOnCreate = false;
    EXPECT_EQ(SendMessageW(probe.Window(), kAnswer, 0, 0), 42);
    EXPECT_TRUE(probe.Destroy());
}

TEST_F(WineBasicWnd, WindowWithoutObjectStaysADefaultWindow)
{
    ProbeWnd probe;
    ASSERT_TRUE(Make(probe));  // registers the class
    HWND bare = CreateWindowExW(0, L"CBasicWndClass", L"plain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(bare, GWLP_USERDATA), 0);
    EXPECT_EQ(SendMessageW(bare, WM_GETTEXTLENGTH, 0, 0), 5);
    EXPECT_EQ(SendMessageW(bare, kAnswer, 0, 0), 0);
    EXPECT_TRUE(DestroyWindow(bare));
    EXPECT_TRUE(probe.Destroy());
}

TEST_F(WineBasicWnd, UnregisteringRemovesTheClass)
{
    ProbeWnd probe;
    ASSERT_TRUE(Make(probe));
    EXPECT_NE(CBasicWnd::GetClassAtom(), 0);
    EXPECT_TRUE(probe.Destroy());
    CBasicWnd::UnregisterWindowClass();
    EXPECT_EQ(CBasicWnd::GetClassAtom(), 0);
    WNDCLASSW info;
    EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), L"CBasicWndClass", &info));
    // The next Create registers it again.
    ProbeWnd again;
    EXPECT_TRUE(Make(again));
    EXPECT_TRUE(again.Destroy());
}

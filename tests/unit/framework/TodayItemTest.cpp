// SPDX-License-Identifier: MIT
// CTodayItem: scale factor, creation, selection, background and other messages.
#include <gtest/gtest.h>

#include "sim/coredll/SimAcquire.h"
#include "support/GuardedCall.h"
#include "support/GdiLog.h"
#include "unit/framework/FrameworkFixture.h"

namespace {

class TodayItem : public FrameworkFixture {
protected:
    void TearDown() override
    {
        delete item;
        FrameworkFixture::TearDown();
    }

    void Make() { item = MakeItem(); }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageW(item->Window(), msg, wParam, lParam);
    }

    size_t RequestsOf(UINT msg)
    {
        size_t count = 0;
        for (const FakeHost::Request& request : host->Requests())
            count += request.msg == msg ? 1 : 0;
        return count;
    }

    ProbeItem* item = NULL;
};

// The framebuffer holds 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
uint32_t ScreenColor(COLORREF color)
{
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

}  // namespace

TEST_F(TodayItem, ScaleFactorIsDpiTimesOneNinetySixth)
{
    struct Case {
        int dpiX, dpiY;
        double x, y;
    };
    const Case kCases[] = {{96, 96, 1.0, 1.0}, {192, 192, 2.0, 2.0}, {130, 192, 1.3541666666666665, 2.0}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.dpiX);
        sim::gdi::set_screen(240, 320, c.dpiX, c.dpiY);
        ProbeItem probe;
        EXPECT_EQ(probe.ScaleX(), c.x);
        EXPECT_EQ(probe.ScaleY(), c.y);
    }
    EXPECT_EQ(CBasicWnd::GetScreenDeviceCaps(LOGPIXELSY), 192);
    // Without a screen DC the caps are -1 and the item draws unscaled.
    sim::user::fail_screen_dc(true);
    EXPECT_EQ(CBasicWnd::GetScreenDeviceCaps(LOGPIXELSX), -1);
    ProbeItem blind;
    EXPECT_EQ(blind.ScaleX(), 1.0);
    EXPECT_EQ(blind.ScaleY(), 1.0);
}

TEST_F(TodayItem, CreateMakesAVisibleChildAndCallsBack)
{
    ProbeItem probe;
    HWND window = probe.Create(instance, &host->Record(), host->Window());
    ASSERT_NE(window, (HWND)NULL);
    EXPECT_EQ(probe.calls, (std::vector<std::string>{"OnCreate", "OnAfterCreate window"}));
    EXPECT_EQ(probe.Parent(), host->Window());
    EXPECT_EQ(probe.Instance(), instance);
    sim::user::WindowInfo info;
    ASSERT_TRUE(sim::user::describe_window(window, info));
    EXPECT_EQ(info.parent, host->Window());
    EXPECT_EQ(info.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(info.ex_style, static_cast<DWORD>(WS_EX_TRANSPARENT));
    EXPECT_EQ(info.window_rect.right - info.window_rect.left, 240);
    EXPECT_EQ(info.window_rect.bottom - info.window_rect.top, 0) << "the host sets the height later";
    EXPECT_EQ(Str(info.window_rect), "0,0,240,0");
}

TEST_F(TodayItem, CreateWithoutWindow)
{
    ProbeItem probe;
    EXPECT_EQ(probe.Create(instance, NULL, host->Window()), (HWND)NULL);
    host->Record().fEnabled = FALSE;
    EXPECT_EQ(probe.Create(instance, &host->Record(), host->Window()), (HWND)NULL);
    EXPECT_TRUE(probe.calls.empty()) << "a disabled record must not reach OnAfterCreate";

    // Enabled, but the window cannot be made (a child needs a parent).
    host->Record().fEnabled = TRUE;
    EXPECT_EQ(probe.Create(instance, &host->Record(), NULL), (HWND)NULL);
    ExpectViolation("WS_CHILD without a parent");
    EXPECT_EQ(probe.calls, std::vector<std::string>{"OnAfterCreate none"});
    EXPECT_EQ(probe.Parent(), (HWND)NULL);
}

// Polls and taps are checked as message sequences, in tests/msgseq.
TEST_F(TodayItem, SelectionGivenAndTaken)
{
    Make();
    item->receivedAnswer = FALSE;
    EXPECT_EQ(Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN), 0) << "the item may decline";
    EXPECT_FALSE(item->Selected());
    item->receivedAnswer = TRUE;
    EXPECT_EQ(Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN), 1);
    EXPECT_TRUE(item->Selected());
    host->ClearRequests();
    EXPECT_EQ(item->GetTextColor(), RGB(255, 255, 255));
    item->TakeSelection();
    EXPECT_EQ(RequestsOf(TODAYM_TOOKSELECTION), 0u);

    item->calls.clear();
    EXPECT_EQ(Send(WM_TODAYCUSTOM_LOSTSELECTION, VK_UP), 0);
    EXPECT_FALSE(item->Selected());
    EXPECT_EQ(item->calls, std::vector<std::string>{"OnLostSelection 38"});
    EXPECT_EQ(item->GetTextColor(), RGB(0, 0, 0));
    item->TakeSelection();
    ASSERT_EQ(host->Requests().size(), 3u);
    EXPECT_EQ(host->Requests()[0].wParam, static_cast<WPARAM>(TODAYCOLOR_HIGHLIGHTEDTEXT));
    EXPECT_EQ(host->Requests()[1].wParam, static_cast<WPARAM>(TODAYCOLOR_TEXT));
    EXPECT_EQ(host->Requests()[2].msg, static_cast<UINT>(TODAYM_TOOKSELECTION));
    EXPECT_EQ(host->Requests()[2].wParam, reinterpret_cast<WPARAM>(item->Window()));
    for (const FakeHost::Request& request : host->Requests())
        EXPECT_EQ(request.lParam, 0);

    item->SetSelectable(FALSE);
    item->calls.clear();
    EXPECT_EQ(Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN), 0);
    EXPECT_FALSE(item->Selected());
    EXPECT_TRUE(item->calls.empty()) << "an unselectable item is not asked";
}

TEST_F(TodayItem, OtherMessagesAreAnsweredWithoutTheDefaultProcedure)
{
    Make();
    // Handled or not, these are answered 0; the taps' handlers see them too.
    const UINT kAnsweredZero[] = {WM_TODAYCUSTOM_CLEARCACHE, WM_SIZE, WM_KEYDOWN, WM_TIMER, WM_COMMAND, WM_USER + 1,
                                  WM_LBUTTONDOWN, WM_LBUTTONUP, WM_PAINT, WM_TODAYCUSTOM_LOSTSELECTION};
    interpose::def_proc_calls().clear();
    item->SetSelectOnTap(FALSE);
    for (UINT msg : kAnsweredZero) {
        SCOPED_TRACE(msg);
        EXPECT_EQ(Send(msg, 1, 2), 0);
        // PreWindowProc sees each message first.
        ASSERT_FALSE(item->preWindowProc.empty());
        EXPECT_EQ(item->preWindowProc.back(), std::make_pair(msg, item->windowProcCalls - 1));
    }
    item->calls.clear();
    EXPECT_EQ(Send(WM_TODAYCUSTOM_USERNAVIGATION, 4), 0) << "navigation is off by default";
    EXPECT_EQ(Send(WM_TODAYCUSTOM_ACTION, VK_RETURN), 0);
    EXPECT_EQ(interpose::def_proc_count(item->Window()), 0u);
    EXPECT_EQ(item->calls, std::vector<std::string>{"OnAction 13"});

    item->SetNavigation(TRUE);
    EXPECT_EQ(Send(WM_TODAYCUSTOM_USERNAVIGATION, 4), 5);
    item->destroyAnswer = 7;
    EXPECT_EQ(Send(WM_DESTROY), 7) << "OnDestroy answers WM_DESTROY";
}

// The base class's own handlers: the selection is taken, navigation answered 0, and
// without a host the text is black.
TEST_F(TodayItem, BaseHandlersTakeTheSelectionAndAnswerZero)
{
    struct BareItem : CTodayItem {
        using CTodayItem::GetTextColor;
        HWND Window() const { return hwnd; }
        void SetNavigation(BOOL on) { userNavigation = on; }
    };
    BareItem bare;
    EXPECT_EQ(bare.GetTextColor(), RGB(0, 0, 0));
    ASSERT_NE(bare.Create(instance, &host->Record(), host->Window()), (HWND)NULL);
    EXPECT_EQ(SendMessageW(bare.Window(), WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0), 1);
    bare.SetNavigation(TRUE);
    EXPECT_EQ(SendMessageW(bare.Window(), WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, 0), 0);
    // A new item reports height 0: a record already at 0 gets no new layout.
    host->Record().cyp = 0;
    EXPECT_EQ(SendMessageW(bare.Window(), WM_TODAYCUSTOM_QUERYREFRESHCACHE,
                           reinterpret_cast<WPARAM>(&host->Record()), 0), FALSE);
    EXPECT_EQ(host->Record().cyp, 0u);
    EXPECT_EQ(SendMessageW(bare.Window(), WM_TODAYCUSTOM_LOSTSELECTION, VK_UP, 0), 0);
    EXPECT_EQ(SendMessageW(bare.Window(), WM_TODAYCUSTOM_ACTION, VK_RETURN, 0), 0);
    EXPECT_EQ(SendMessageW(bare.Window(), WM_LBUTTONUP, 0, MAKELPARAM(3, 4)), 0);
    EXPECT_EQ(SendMessageW(bare.Window(), WM_DESTROY, 0, 0), 0);
    ASSERT_TRUE(SetWindowPos(bare.Window(), NULL, 0, 0, 240, 20, SWP_NOZORDER));
    InvalidateRect(bare.Window(), nullptr, TRUE);
    EXPECT_TRUE(UpdateWindow(bare.Window())) << "the base paints nothing but must end the paint";
    sim::user::WindowInfo info;
    ASSERT_TRUE(sim::user::describe_window(bare.Window(), info));
    EXPECT_FALSE(info.update_pending);
}

TEST_F(TodayItem, BackgroundIsWatermarkHighlightOrCustom)
{
    Make();
    ASSERT_TRUE(SetWindowPos(item->Window(), NULL, 0, 0, 240, 20, SWP_NOZORDER));
    host->SetColor(TODAYCOLOR_HIGHLIGHT, RGB(10, 20, 200));
    host->SetWatermarkColor(RGB(230, 230, 170));
    struct Case {
        const char* name;
        BOOL selected, customErase;
        uint32_t pixel;
        UINT request;
    };
    const Case kCases[] = {
        {"unselected", FALSE, FALSE, ScreenColor(RGB(230, 230, 170)), TODAYM_DRAWWATERMARK},
        {"selected", TRUE, FALSE, ScreenColor(RGB(10, 20, 200)), TODAYM_GETCOLOR},
        {"custom erase", TRUE, TRUE, 0xC0C0C0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Send(c.selected ? WM_TODAYCUSTOM_RECEIVEDSELECTION : WM_TODAYCUSTOM_LOSTSELECTION);
        item->SetCustomErase(c.customErase);
        sim::gdi::clear_screen(0);
        host->ClearRequests();
        item->calls.clear();
        ASSERT_TRUE(item->Redraw());
        EXPECT_EQ(sim::gdi::pixel(0, 0), c.pixel);
        EXPECT_EQ(sim::gdi::pixel(239, 19), c.pixel);
        EXPECT_NE(sim::gdi::pixel(120, 20), c.pixel) << "painted outside the item";
        if (c.request == 0) {
            EXPECT_TRUE(host->Requests().empty());
        } else {
            ASSERT_EQ(host->Requests().size(), 1u);
            EXPECT_EQ(host->Requests()[0].msg, c.request);
            EXPECT_EQ(host->Requests()[0].wParam, c.request == TODAYM_GETCOLOR ? TODAYCOLOR_HIGHLIGHT : 0u);
            if (c.request == TODAYM_GETCOLOR) {
                EXPECT_EQ(host->Requests()[0].lParam, 0);
            }
        }
        if (c.request == TODAYM_DRAWWATERMARK) {
            const TODAYDRAWWATERMARKINFO& info = host->Requests()[0].watermark;
            EXPECT_EQ(info.hwnd, item->Window());
            EXPECT_EQ(info.rc.right, 240);
            EXPECT_EQ(info.rc.bottom, 20);
        }
        EXPECT_EQ(item->calls.back(), "OnPaint 240x20");
    }
    // Whatever is drawn, the erase itself is always answered 1, also without a brush.
    HDC dc = GetDC(item->Window());
    EXPECT_EQ(Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
    item->SetCustomErase(FALSE);
    sim::acquire::fail_nth(1);
    EXPECT_EQ(Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
    ReleaseDC(item->Window(), dc);
}

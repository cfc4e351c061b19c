// SPDX-License-Identifier: MIT
// CBasicWnd: class registration, binding, fault guard, and windows that outlive objects.
#include <gtest/gtest.h>

#include "unit/framework/FrameworkFixture.h"

namespace {

class BasicWnd : public FrameworkFixture {
protected:
    // Any live window, plain or item, answers this with 1 only through CTodayItem.
    LRESULT OfferSelection(HWND window)
    {
        return SendMessageW(window, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
    }

    bool AnsweredByDefault(HWND window, UINT msg)
    {
        for (const interpose::DefProcCall& call : interpose::def_proc_calls())
            if (call.hwnd == window && call.msg == msg)
                return true;
        return false;
    }
};

LONG_PTR BoundObject(HWND window)
{
    return GetWindowLongPtrW(window, GWLP_USERDATA);
}

}  // namespace

TEST_F(BasicWnd, ClassIsRegisteredOnceAndFailedRegistrationIsRetried)
{
    // Someone else holds the name: registration fails and leaves no trace.
    WNDCLASSW squatter = {};
    squatter.lpfnWndProc = DefWindowProcW;
    squatter.lpszClassName = TEXT("CBasicWndClass");
    ASSERT_NE(RegisterClassW(&squatter), 0);
    CBasicWnd first;
    EXPECT_FALSE(first.Create(instance, host->Window(), WS_CHILD, 0, NULL, 0, 0, 10, 10, NULL));
    EXPECT_EQ(CBasicWnd::GetClassAtom(), 0);
    EXPECT_EQ(sim::user::live_windows(), 1u);
    ASSERT_TRUE(UnregisterClassW(TEXT("CBasicWndClass"), NULL));
    // A window that cannot be made (a child needs a parent) is a failure too.
    EXPECT_FALSE(first.Create(instance, NULL, WS_CHILD, 0, NULL, 0, 0, 10, 10, NULL));
    ExpectViolation("WS_CHILD without a parent");

    // The next Create registers; a second one reuses the class.
    EXPECT_TRUE(first.Create(instance, host->Window(), WS_CHILD, 0, NULL, 0, 0, 10, 10, NULL));
    WORD atom = CBasicWnd::GetClassAtom();
    EXPECT_NE(atom, 0);
    CBasicWnd second;
    EXPECT_TRUE(second.Create(instance, host->Window(), WS_CHILD, 0, NULL, 0, 0, 10, 10, NULL));
    EXPECT_EQ(CBasicWnd::GetClassAtom(), atom);

    EXPECT_TRUE(first.Destroy());
    EXPECT_TRUE(second.Destroy());
    CBasicWnd::UnregisterWindowClass();
    EXPECT_EQ(CBasicWnd::GetClassAtom(), 0);
    ASSERT_NE(RegisterClassW(&squatter), 0) << "the class was not unregistered";
    UnregisterClassW(TEXT("CBasicWndClass"), NULL);
}

TEST_F(BasicWnd, WindowWithoutObjectIsAPlainWindow)
{
    CBasicWnd owner;
    ASSERT_TRUE(owner.Create(instance, host->Window(), WS_CHILD, 0, NULL, 0, 0, 10, 10, NULL));
    HWND orphan = CreateWindowExW(0, TEXT("CBasicWndClass"), NULL, WS_CHILD, 0, 0, 10, 10, host->Window(), NULL,
                                  instance, NULL);
    ASSERT_NE(orphan, (HWND)NULL);
    EXPECT_TRUE(AnsweredByDefault(orphan, WM_CREATE));
    EXPECT_EQ(BoundObject(orphan), 0);
    EXPECT_EQ(OfferSelection(orphan), 0);
    EXPECT_TRUE(AnsweredByDefault(orphan, WM_TODAYCUSTOM_RECEIVEDSELECTION));
    // Only WM_CREATE binds: another message whose parameter looks like a creation record
    // leaves the window plain, and so does a WM_CREATE without a record.
    ProbeItem stranger;
    CREATESTRUCTW lookalike = {};
    lookalike.lpCreateParams = &stranger;
    SendMessageW(orphan, WM_USER, 0, reinterpret_cast<LPARAM>(&lookalike));
    SendMessageW(orphan, WM_CREATE, 0, 0);
    EXPECT_EQ(BoundObject(orphan), 0);
    EXPECT_EQ(stranger.windowProcCalls, 0u);
    EXPECT_TRUE(DestroyWindow(orphan));
}

TEST_F(BasicWnd, FaultWhileCreatingStillBindsTheWindow)
{
    ProbeItem item;
    item.faultOn = WM_CREATE;
    item.fault = Fault::kNullWrite;
    HWND window = item.Create(instance, &host->Record(), host->Window());
    ASSERT_NE(window, (HWND)NULL);
    EXPECT_EQ(item.hwndAtCreate, window) << "hwnd must be set before the handler runs";
    EXPECT_TRUE(AnsweredByDefault(window, WM_CREATE));
    EXPECT_EQ(BoundObject(window), reinterpret_cast<LONG_PTR>(&item));
    item.faultOn = 0;
    EXPECT_EQ(OfferSelection(window), 1);
    EXPECT_EQ(item.SendMessage(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0), 1);
}

TEST_F(BasicWnd, WindowDestroyedFromOutsideLeavesNoStaleHandle)
{
    ProbeItem* item = MakeItem();
    HWND window = item->Window();
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(item->calls, std::vector<std::string>{"OnDestroy"});
    EXPECT_FALSE(AnsweredByDefault(window, WM_DESTROY));
    EXPECT_EQ(item->Window(), (HWND)NULL);
    host->ClearRequests();
    item->TakeSelection();
    EXPECT_TRUE(host->Requests().empty()) << "no window to select";
    EXPECT_TRUE(item->Destroy());
    EXPECT_FALSE(item->Redraw()) << "a repaint without a window must do nothing";
    EXPECT_EQ(item->SendMessage(WM_TODAYCUSTOM_ACTION, 0, 0), 0);
    delete item;
}

TEST_F(BasicWnd, RefusedDestroyDetachesTheWindow)
{
    ProbeItem* item = MakeItem();
    HWND window = item->Window();
    interpose::refuse_destroy(true);
    EXPECT_FALSE(item->Destroy());
    EXPECT_EQ(item->Window(), window) << "a refused Destroy keeps the handle";
    delete item;
    interpose::refuse_destroy(false);

    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(BoundObject(window), 0);
    EXPECT_EQ(OfferSelection(window), 0);
    EXPECT_TRUE(AnsweredByDefault(window, WM_TODAYCUSTOM_RECEIVEDSELECTION));
    EXPECT_TRUE(DestroyWindow(window));
}

TEST_F(BasicWnd, SecondCreateDetachesTheEarlierWindow)
{
    ProbeItem* item = MakeItem();
    HWND earlier = item->Window();
    HWND later = item->Create(instance, &host->Record(), host->Window());
    ASSERT_NE(later, (HWND)NULL);
    EXPECT_NE(later, earlier);
    EXPECT_EQ(BoundObject(earlier), 0);
    EXPECT_EQ(BoundObject(later), reinterpret_cast<LONG_PTR>(item));
    delete item;

    EXPECT_FALSE(IsWindow(later));
    ASSERT_TRUE(IsWindow(earlier));
    EXPECT_EQ(OfferSelection(earlier), 0);
    EXPECT_TRUE(AnsweredByDefault(earlier, WM_TODAYCUSTOM_RECEIVEDSELECTION));
}

// SPDX-License-Identifier: MIT
// Window creation, destruction, stale handles, window longs and reentrant handlers.
#include <cstring>

#include "UserTestSupport.h"

namespace {

class Window : public UserFixture {
protected:
    void SetUp() override
    {
        UserFixture::SetUp();
        ASSERT_NE(RegisterTestClass(), 0);
    }
};

TEST_F(Window, CreateIsTheFirstMessageAndCarriesTheCreationRecord)
{
    HWND parent = Make('P', WS_VISIBLE, nullptr, RECT{10, 20, 210, 120});
    ASSERT_NE(parent, nullptr);
    Log();

    CREATESTRUCTW seen{};
    LONG styleDuringCreate = 0;
    BOOL visibleDuringCreate = TRUE;
    int param = 0;
    script = [&](HWND hwnd, UINT msg, WPARAM, LPARAM lParam, LRESULT&) {
        if (msg == WM_CREATE) {
            std::memcpy(&seen, reinterpret_cast<CREATESTRUCTW*>(lParam), sizeof seen);
            styleDuringCreate = GetWindowLongW(hwnd, GWL_STYLE);
            visibleDuringCreate = IsWindowVisible(hwnd);
        }
        return false;
    };
    const WCHAR* className = TEXT("TestWnd");
    const WCHAR* title = TEXT("item");
    pendingRole = 'C';
    HWND child = CreateWindowExW(WS_EX_TRANSPARENT, className, title, WS_CHILD | WS_VISIBLE, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 240, CW_USEDEFAULT, parent, nullptr, nullptr, &param);
    ASSERT_NE(child, nullptr);
    windows.push_back(child);
    EXPECT_EQ(Log(), "C:WM_CREATE/0");

    EXPECT_EQ((std::vector<const void*>{seen.lpCreateParams, seen.hwndParent, seen.lpszClass, seen.lpszName}),
              (std::vector<const void*>{&param, parent, className, title}));
    EXPECT_EQ(seen.style, static_cast<LONG>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(seen.dwExStyle, static_cast<DWORD>(WS_EX_TRANSPARENT));
    EXPECT_EQ(Str(RECT{seen.x, seen.y, seen.cx, seen.cy}), "0,0,240,0") << "CW_USEDEFAULT for a child: 0";
    EXPECT_EQ(styleDuringCreate & WS_VISIBLE, 0) << "shown only once created";
    EXPECT_FALSE(visibleDuringCreate);

    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(GetWindowLongW(child, GWL_EXSTYLE), WS_EX_TRANSPARENT);
    ASSERT_TRUE(SetWindowPos(child, nullptr, 5, 6, 30, 40, SWP_NOZORDER));
    RECT r;
    ASSERT_TRUE(GetWindowRect(child, &r));
    EXPECT_EQ(Str(r), "15,26,45,66");  // screen coordinates: the parent's origin added
    ASSERT_TRUE(GetClientRect(child, &r));
    EXPECT_EQ(Str(r), "0,0,30,40");
}

TEST_F(Window, FailedCreationLeavesNoWindow)
{
    // -1 from WM_CREATE, and a procedure that destroys its own window while being created.
    struct Case {
        const char* name;
        bool destroySelf;
        const char* log;
    } cases[] = {
        {"WM_CREATE answers -1", false, "X:WM_CREATE/0 X:WM_DESTROY/0 X:WM_NCDESTROY/0"},
        {"destroyed inside WM_CREATE", true, "X:WM_CREATE/0 X:WM_DESTROY/1 X:WM_NCDESTROY/1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT& result) {
            if (msg != WM_CREATE)
                return false;
            if (c.destroySelf) {
                EXPECT_TRUE(DestroyWindow(hwnd));
            }
            result = c.destroySelf ? 0 : -1;
            return true;
        };
        EXPECT_EQ(Make('X', WS_VISIBLE), nullptr);
        EXPECT_EQ(Log(), c.log);
        EXPECT_EQ(sim::user::live_windows(), 0u);
    }
}

TEST_F(Window, CreationRefusesBadArguments)
{
    HWND stale = Make('S', 0);
    DestroyWindow(stale);
    struct Case {
        const char* name;
        const WCHAR* cls;
        DWORD style;
        DWORD exStyle;
        HWND parent;
        DWORD error;
        const char* violation;  // null: a plain failure
    } cases[] = {
        {"child without parent", TEXT("TestWnd"), WS_CHILD, 0, nullptr, ERROR_TLW_WITH_WSCHILD, "WS_CHILD without"},
        {"unknown class", TEXT("Nope"), 0, 0, nullptr, ERROR_CANNOT_FIND_WND_CLASS, nullptr},
        {"stale parent", TEXT("TestWnd"), WS_CHILD, 0, stale, ERROR_INVALID_WINDOW_HANDLE, "not a live window"},
        {"border style", TEXT("TestWnd"), 0x00800000, 0, nullptr, ERROR_INVALID_PARAMETER, "unsupported style"},
        {"client edge", TEXT("TestWnd"), 0, 0x200, nullptr, ERROR_INVALID_PARAMETER, "unsupported extended"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(CreateWindowExW(c.exStyle, c.cls, nullptr, c.style, 0, 0, 10, 10, c.parent, nullptr, nullptr,
                                  nullptr),
                  nullptr);
        EXPECT_EQ(GetLastError(), c.error);
        if (c.violation)
            ExpectViolation(c.violation);
    }
    EXPECT_EQ(sim::user::live_windows(), 0u);
}

TEST_F(Window, DestroySendsDestroyThenChildrenThenNcDestroy)
{
    HWND p = Make('P', WS_VISIBLE);
    HWND a = Make('A', WS_CHILD | WS_VISIBLE, p);
    Make('G', WS_CHILD | WS_VISIBLE, a);
    HWND b = Make('B', WS_CHILD, p);
    Log();
    bool childrenGoneAtNcDestroy = false;
    script = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT&) {
        if (hwnd == p && msg == WM_NCDESTROY)
            childrenGoneAtNcDestroy = !IsWindow(a) && !IsWindow(b) && IsWindow(p);
        return false;
    };
    EXPECT_TRUE(DestroyWindow(p));
    EXPECT_EQ(Log(),
              "P:WM_DESTROY/0 A:WM_DESTROY/0 G:WM_DESTROY/0 G:WM_NCDESTROY/0 A:WM_NCDESTROY/0 "
              "B:WM_DESTROY/0 B:WM_NCDESTROY/0 P:WM_NCDESTROY/0");
    EXPECT_TRUE(childrenGoneAtNcDestroy);
    EXPECT_EQ(sim::user::live_windows(), 0u);
}

TEST_F(Window, StaleHandlesAreRecognised)
{
    HWND gone = Make('W', WS_VISIBLE);
    ASSERT_TRUE(DestroyWindow(gone));
    HWND reused = Make('R', WS_VISIBLE);  // takes the freed slot with a new generation
    ASSERT_NE(reused, gone);
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_TRUE(IsWindow(reused));
    Log();

    RECT r;
    PAINTSTRUCT ps;
    struct Case {
        const char* api;
        std::function<bool()> fails;
    } cases[] = {
        {"DestroyWindow", [&] { return !DestroyWindow(gone); }},
        {"SendMessageW", [&] { return SendMessageW(gone, WM_USER, 0, 0) == 0; }},
        {"GetWindowLongPtrW", [&] { return GetWindowLongPtrW(gone, GWL_USERDATA) == 0; }},
        {"SetWindowPos", [&] { return !SetWindowPos(gone, nullptr, 0, 0, 1, 1, SWP_NOZORDER); }},
        {"InvalidateRect", [&] { return !InvalidateRect(gone, nullptr, TRUE); }},
        {"UpdateWindow", [&] { return !UpdateWindow(gone); }},
        {"GetClientRect", [&] { return !GetClientRect(gone, &r); }},
        {"GetDC", [&] { return GetDC(gone) == nullptr; }},
        {"BeginPaint", [&] { return BeginPaint(gone, &ps) == nullptr; }},
        {"ShowWindow", [&] { return !ShowWindow(gone, SW_HIDE); }},
        {"GetParent", [&] { return GetParent(gone) == nullptr; }},
        {"DefWindowProcW", [&] { return DefWindowProcW(gone, WM_CREATE, 0, 0) == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.api);
        SetLastError(0);
        EXPECT_TRUE(c.fails());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
        ExpectViolation(c.api);
    }
    EXPECT_TRUE(IsWindow(reused));
    EXPECT_EQ(Log(), "");  // nothing reached the window that now holds the slot
}

TEST_F(Window, WindowLongsKeepPointersWhole)
{
    HWND w = Make('W', 0);
    // A pointer-sized value with bits above 32, as an object pointer on a 64-bit host.
    const LONG_PTR object = static_cast<LONG_PTR>(0x12345678) | (sizeof(LONG_PTR) > 4 ? (LONG_PTR{0x7ABC} << 32) : 0);
    EXPECT_EQ(SetWindowLongPtrW(w, GWLP_USERDATA, object), 0);
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_USERDATA), object);
    EXPECT_EQ(GetWindowLongW(w, GWL_USERDATA), 0x12345678);
    if (sizeof(LONG_PTR) > 4) {
        ExpectViolation("wider than 32 bits");
        EXPECT_EQ(GetWindowLongW(w, GWL_WNDPROC), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
        ExpectViolation("GWL_WNDPROC");
    }
    // A 32-bit store is sign-extended, as the device's LONG would be read back.
    SetWindowLongW(w, GWL_USERDATA, -2);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_USERDATA), -2);

    EXPECT_EQ(GetWindowLongPtrW(w, -8), 0);  // GWL_HWNDPARENT: not on CE
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    ExpectViolation("unsupported index");
    EXPECT_EQ(SetWindowLongPtrW(w, GWL_STYLE, WS_CHILD), 0);
    ExpectViolation("cannot change");
}

LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT r = CallWindowProcW(original, hwnd, msg, wParam, lParam);
    return msg == WM_USER ? r + 100 : r;
}

TEST_F(Window, SubclassedProcedureSeesEachMessageOnce)
{
    HWND w = Make('W', 0);
    script = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
        result = 7;
        return msg == WM_USER;
    };
    LONG_PTR original = SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass));
    ASSERT_NE(original, 0);
    SetWindowLongPtrW(w, GWLP_USERDATA, original);
    Log();
    EXPECT_EQ(SendMessageW(w, WM_USER, 0, 0), 107);
    EXPECT_EQ(Log(), "W:WM_1024/0");
    EXPECT_EQ(SetWindowLongPtrW(w, GWLP_WNDPROC, 0), 0);
    ExpectViolation("null window procedure");
}

TEST_F(Window, HandlersMayDestroyTheirOwnWindow)
{
    HWND p = Make('P', WS_VISIBLE);
    HWND c = Make('C', WS_CHILD | WS_VISIBLE, p);
    Log();
    // A child's handler destroys its parent, and the parent's WM_DESTROY handler destroys it
    // again and sends to its own window: each window gets each message once.
    LRESULT echoed = 0;
    script = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT& result) {
        if (hwnd == c && msg == WM_USER) {
            EXPECT_TRUE(DestroyWindow(p));
            result = 5;
            return true;
        }
        if (hwnd == p && msg == WM_DESTROY) {
            EXPECT_TRUE(DestroyWindow(p));
            echoed = SendMessageW(p, WM_USER + 1, 0, 0);
        }
        if (msg == WM_USER + 1) {
            result = 9;
            return true;
        }
        return false;
    };
    EXPECT_EQ(SendMessageW(c, WM_USER, 0, 0), 5);
    EXPECT_EQ(echoed, 9);
    EXPECT_EQ(Log(),
              "C:WM_1024/0 P:WM_DESTROY/1 P:WM_1025/2 C:WM_DESTROY/1 C:WM_NCDESTROY/1 P:WM_NCDESTROY/1");
    EXPECT_EQ(sim::user::live_windows(), 0u);
    EXPECT_EQ(sim::user::message_depth(), 0);
}

TEST_F(Window, EndlessSelfSendingIsCutOff)
{
    HWND w = Make('W', 0);
    int calls = 0;
    script = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT&) {
        if (msg == WM_USER) {
            ++calls;
            SendMessageW(hwnd, WM_USER, 0, 0);
        }
        return msg == WM_USER;
    };
    SendMessageW(w, WM_USER, 0, 0);
    EXPECT_EQ(calls, 200);
    ExpectViolation("nested 200 deep");
    EXPECT_EQ(sim::user::message_depth(), 0);
    entries.clear();
}

}  // namespace

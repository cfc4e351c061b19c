// SPDX-License-Identifier: MIT
// Injected failures of GDI and USER acquisitions: which call fails, with what, and what it
// leaves behind.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/coredll/SimAcquire.h"
#include "UserTestSupport.h"

namespace {

using sim::acquire::Kind;

class AcquireFailure : public UserFixture {
protected:
    void SetUp() override
    {
        UserFixture::SetUp();
        ASSERT_NE(RegisterTestClass(), 0);
        window = Make('W', WS_POPUP | WS_VISIBLE);
        ASSERT_NE(window, nullptr);
        UpdateWindow(window);
        Log();
    }

    // One acquisition of each kind; true when it succeeded. What it got is released at once.
    bool Acquire(Kind kind)
    {
        switch (kind) {
        case Kind::Font: {
            LOGFONTW lf{};
            lf.lfHeight = -12;
            HFONT font = CreateFontIndirectW(&lf);
            return font && DeleteObject(font);
        }
        case Kind::Brush: {
            HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
            return brush && DeleteObject(brush);
        }
        case Kind::Icon:
            // The test program has no icons: without injection the lookup says so instead.
            return LoadImageW(nullptr, MAKEINTRESOURCEW(101), IMAGE_ICON, 16, 16, 0) == nullptr &&
                   GetLastError() == ERROR_RESOURCE_TYPE_NOT_FOUND;
        case Kind::DeviceContext: {
            HDC dc = GetDC(window);
            return dc && ReleaseDC(window, dc) == 1;
        }
        case Kind::Paint: {
            InvalidateRect(window, nullptr, FALSE);
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            return dc && EndPaint(window, &ps);
        }
        case Kind::Window: {
            HWND made = Make('C', WS_CHILD, window);
            return made && DestroyWindow(made);
        }
        case Kind::Class: {
            ATOM atom = RegisterTestClass(TEXT("Other"));
            return atom && UnregisterClassW(TEXT("Other"), nullptr);
        }
        }
        return false;
    }

    HWND window = nullptr;
};

const Kind kKinds[] = {Kind::Font, Kind::Brush, Kind::Icon, Kind::DeviceContext, Kind::Paint, Kind::Window, Kind::Class};

TEST_F(AcquireFailure, EachKindFailsAsArmedWithNotEnoughMemory)
{
    for (Kind kind : kKinds) {
        SCOPED_TRACE(sim::acquire::api_name(kind));
        const unsigned long before = sim::acquire::acquisition_count();
        EXPECT_TRUE(Acquire(kind));
        ASSERT_EQ(sim::acquire::acquisition_count() - before, 1u) << "one acquisition per call";

        // The second acquisition from now fails once: the first and the third go through.
        sim::acquire::fail_nth(2);
        EXPECT_TRUE(Acquire(kind));
        SetLastError(0);
        EXPECT_FALSE(Acquire(kind));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_TRUE(Acquire(kind));

        // From the second on, every one fails until injection is turned off.
        const unsigned long failed = sim::acquire::failure_count();
        sim::acquire::fail_from(2);
        EXPECT_TRUE(Acquire(kind));
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(Acquire(kind)) << "attempt " << i;
        EXPECT_EQ(sim::acquire::failure_count() - failed, 3u);
        sim::acquire::fail_off();
        EXPECT_TRUE(Acquire(kind));
        Log();
    }
}

TEST_F(AcquireFailure, KindsShareOneCountInCallOrder)
{
    sim::acquire::fail_nth(3);
    EXPECT_TRUE(Acquire(Kind::Brush));
    EXPECT_TRUE(Acquire(Kind::Font));
    EXPECT_FALSE(Acquire(Kind::DeviceContext));
    EXPECT_TRUE(Acquire(Kind::Brush));
    // A reset of the device disarms what was armed.
    sim::acquire::fail_from(1);
    sim::reset_for_tests();
    ASSERT_NE(RegisterTestClass(), 0);
    EXPECT_NE(window = Make('W', WS_POPUP | WS_VISIBLE), nullptr);
    EXPECT_TRUE(Acquire(Kind::Brush));
}

TEST_F(AcquireFailure, FailedCallsLeaveNothingAndSendNothing)
{
    InvalidateRect(window, nullptr, TRUE);
    Log();
    sim::acquire::fail_nth(1);
    PAINTSTRUCT ps;
    std::memset(&ps, 0x5A, sizeof ps);
    EXPECT_EQ(BeginPaint(window, &ps), nullptr);
    EXPECT_EQ(ps.hdc, nullptr) << "the paint record holds no stale context";
    EXPECT_EQ(Log(), "") << "a failed paint sends no WM_ERASEBKGND";
    sim::user::WindowInfo info;
    ASSERT_TRUE(sim::user::describe_window(window, info));
    EXPECT_TRUE(info.update_pending) << "the window still asks to be painted";
    UpdateWindow(window);
    EXPECT_EQ(Log(), "W:WM_PAINT/0 W:WM_ERASEBKGND/1+d+p");

    const size_t windowsBefore = sim::user::live_windows();
    sim::acquire::fail_nth(1);
    EXPECT_EQ(Make('C', WS_CHILD | WS_VISIBLE, window), nullptr);
    EXPECT_EQ(Log(), "") << "no WM_CREATE for a window that was never made";
    EXPECT_EQ(sim::user::live_windows(), windowsBefore);

    sim::acquire::fail_nth(1);
    EXPECT_EQ(RegisterTestClass(TEXT("Other")), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_FALSE(UnregisterClassW(TEXT("Other"), nullptr)) << "the class was not registered";
    EXPECT_EQ(sim::gdi::live_objects(), 0u);
    EXPECT_EQ(sim::gdi::live_dcs(), 0u);
}

}  // namespace

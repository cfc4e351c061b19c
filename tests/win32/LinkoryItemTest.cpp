// SPDX-License-Identifier: MIT
// The connection item made through Linkory.dll's export in real Win32 windows under Wine:
// its window and polls, and what unloading and loading again leave. (Taps and selection
// under Wine are compared with the simulated device scenario by scenario.)
#include <gtest/gtest.h>

#include "platform/todaycmn.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/common/Violations.h"
#include "support/FakeHost.h"

namespace {

// The device's "The Internet" destination. (Data of the stand-in DLLs is not exported.)
const GUID kInternet = {0x436EF144, 0xB4FB, 0x4863, {0xA0, 0x41, 0x8F, 0x90, 0x5A, 0x62, 0xC5, 0x72}};

sim::cellcore::Model one_connection()
{
    sim::cellcore::Model model;
    model.destinations.push_back({kInternet, u"The Internet", false});
    sim::cellcore::Connection gprs;
    gprs.description = u"GPRS line";
    gprs.type = CM_CONNTYPE_CELLULAR;
    gprs.subtype = CM_CONNSUBTYPE_CELLULAR_GPRS;
    gprs.status = CONNMGR_STATUS_CONNECTED;
    gprs.addresses.push_back(sim::cellcore::Address::ipv4(10, 0, 0, 5));
    gprs.destination = kInternet;
    model.connections.push_back(gprs);
    return model;
}

size_t count_requests(const FakeHost& host, UINT msg, WPARAM wParam)
{
    size_t count = 0;
    for (const FakeHost::Request& request : host.Requests())
        count += request.msg == msg && request.wParam == wParam;
    return count;
}

bool class_exists()
{
    HWND probe = CreateWindowExW(0, L"CBasicWndClass", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe)
        DestroyWindow(probe);
    return probe != nullptr;
}

class WineLinkoryItem : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::cellcore::set_model(one_connection());
        Load();
    }
    void TearDown() override
    {
        Unload();
        sim::cellcore::reset();
        EXPECT_EQ(sim::take_violations(), std::vector<std::string>());
    }
    void Load()
    {
        module = LoadLibraryW(L"Linkory.dll");
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
        init = reinterpret_cast<PFNCUSTOMINITIALIZEITEM>(
            reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM))));
        options = reinterpret_cast<PFNCUSTOMOPTIONSDLGPROC>(
            reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC))));
        ASSERT_NE(init, nullptr);
        ASSERT_NE(options, nullptr);
    }
    void Unload()
    {
        if (module)
            FreeLibrary(module);
        module = nullptr;
    }
    // What the host does after a poll that changed the height: resize, then paint.
    void LayOut(HWND item)
    {
        SetWindowPos(item, nullptr, 0, 0, 240, int(host.Record().cyp), SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateWindow(item);
    }

    FakeHost host;
    HMODULE module = nullptr;
    PFNCUSTOMINITIALIZEITEM init = nullptr;
    PFNCUSTOMOPTIONSDLGPROC options = nullptr;
};

}  // namespace

TEST_F(WineLinkoryItem, ExportMakesAChildWindowThatAnswersPolls)
{
    EXPECT_TRUE(options(nullptr, WM_INITDIALOG, 0, 0));
    HWND item = init(&host.Record(), host.Window());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(GetParent(item), host.Window());
    WCHAR name[32] = {};
    GetClassNameW(item, name, 32);
    EXPECT_STREQ(name, L"CBasicWndClass");
    RECT rect = {};
    GetWindowRect(item, &rect);
    EXPECT_EQ(rect.right - rect.left, 240);
    EXPECT_EQ(rect.bottom - rect.top, 0);
    EXPECT_EQ(GetWindowLongW(item, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);

    // The first poll reports the height; laid out at it, the item paints on the watermark.
    EXPECT_EQ(host.Poll(item), TRUE);
    const DWORD height = host.Record().cyp;
    EXPECT_GT(height, 0u);
    host.ClearRequests();
    LayOut(item);
    EXPECT_GE(count_requests(host, TODAYM_DRAWWATERMARK, 0), 1u);
    EXPECT_EQ(count_requests(host, TODAYM_GETCOLOR, TODAYCOLOR_TEXT), 1u);
    EXPECT_EQ(host.Poll(item), FALSE);
    EXPECT_EQ(host.Record().cyp, height);

    // A disabled record gets no window, and the item stays for the next call.
    TODAYLISTITEM disabled = host.Record();
    disabled.fEnabled = FALSE;
    EXPECT_EQ(init(&disabled, host.Window()), nullptr);
    EXPECT_TRUE(IsWindow(item));
}

TEST_F(WineLinkoryItem, UnloadTakesTheWindowAndClassAndALaterLoadWorksAgain)
{
    HWND item = init(&host.Record(), host.Window());
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(class_exists());
    Unload();
    EXPECT_FALSE(IsWindow(item));
    EXPECT_FALSE(class_exists()) << "the window class outlived the module that holds its procedure";

    Load();
    HWND again = init(&host.Record(), host.Window());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(host.Poll(again), TRUE);
    EXPECT_GT(host.Record().cyp, 0u);
}

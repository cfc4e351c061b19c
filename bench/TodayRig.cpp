// SPDX-License-Identifier: MIT
// The benchmark's Today host: loads Linkory.dll, answers the item and drives polls and paints.
#include "bench/TodayRig.h"

#include <unistd.h>

#include <string>

#include "sim/aygshell/SimAygshell.h"
#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"

namespace bench {
namespace {

const WCHAR kHostClass[] = TEXT("BenchToday");
const int kTodayWidth = 240;
const int kTodayHeight = 320;
const int kFontSize = 12;  // the shell's default text size at 96 dpi

std::u16string widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

GUID destination_guid(int index)
{
    GUID guid = {0xB0000000u + static_cast<unsigned>(index), 0x1234, 0x5678, {0x9A, 0xBC, 0, 0, 0, 0, 0, 0}};
    guid.Data4[7] = static_cast<unsigned char>(index);
    return guid;
}

// The host answers colours and paints the watermark with a stock brush, so every GDI
// object alive during a paint belongs to the item.
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case TODAYM_GETCOLOR:
        return wParam == TODAYCOLOR_HIGHLIGHT ? RGB(0, 64, 192) : RGB(0, 0, 0);
    case TODAYM_DRAWWATERMARK:
        if (lParam) {
            const TODAYDRAWWATERMARKINFO* info = reinterpret_cast<const TODAYDRAWWATERMARKINFO*>(lParam);
            FillRect(info->hdc, &info->rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        }
        return TRUE;
    case TODAYM_TOOKSELECTION:
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

sim::cellcore::Model make_model(int destinations, int connections, int connected)
{
    using sim::cellcore::Address;
    sim::cellcore::Model model;
    for (int i = 0; i < destinations; ++i) {
        sim::cellcore::Destination d;
        d.guid = destination_guid(i);
        d.description = widen("Destination " + std::to_string(i));
        model.destinations.push_back(d);
    }
    static const DWORD kTypes[][2] = {
        {CM_CONNTYPE_CELLULAR, CM_CONNSUBTYPE_CELLULAR_GPRS},
        {CM_CONNTYPE_NIC, CM_CONNSUBTYPE_NIC_WIFI},
        {CM_CONNTYPE_VPN, CM_CONNSUBTYPE_VPN_PPTP},
        {CM_CONNTYPE_PROXY, CM_CONNSUBTYPE_PROXY_HTTP},
    };
    for (int i = 0; i < connections; ++i) {
        sim::cellcore::Connection c;
        c.description = widen("Connection " + std::to_string(i));
        c.type = kTypes[i % 4][0];
        c.subtype = kTypes[i % 4][1];
        c.status = i < connected ? CONNMGR_STATUS_CONNECTED : CONNMGR_STATUS_DISCONNECTED;
        c.addresses.push_back(Address::ipv4(10, 0, static_cast<uint8_t>(i / 250), static_cast<uint8_t>(i % 250 + 1)));
        c.destination = destination_guid(destinations > 0 ? destinations - 1 : 0);
        model.connections.push_back(c);
    }
    return model;
}

std::string executable_folder()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return "./";
    std::string folder(path, static_cast<size_t>(length));
    return folder.substr(0, folder.rfind('/') + 1);
}

TodayRig::TodayRig(int destinations, int connections) : destinations(destinations), connections(connections)
{
    sim::reset_for_tests();
    sim::take_violations();
    // Also keeps libaygshell loaded by the executable itself: were Linkory.dll the only
    // user, FreeLibrary would unload it and leave its reset registered behind it.
    sim::aygshell::set_font_size_pixels(kFontSize);
    sim::cellcore::set_model(make_model(destinations, connections, connections));

    std::u16string path = widen(executable_folder() + "Linkory.dll");
    module = LoadLibraryW(reinterpret_cast<LPCWSTR>(path.c_str()));
    if (!module) {
        Fail("LoadLibraryW(Linkory.dll) failed");
        return;
    }
    // Through void*: the export's real type is not FARPROC's.
    auto initialize = reinterpret_cast<PFNCUSTOMINITIALIZEITEM>(reinterpret_cast<void*>(
        GetProcAddress(module, reinterpret_cast<LPCSTR>(MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM)))));
    if (!initialize) {
        Fail("Linkory.dll has no ordinal 240");
        return;
    }

    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);
    host = CreateWindowExW(0, kHostClass, TEXT("Today"), WS_POPUP | WS_VISIBLE, 0, 0, kTodayWidth, kTodayHeight,
                           nullptr, nullptr, nullptr, nullptr);
    if (!host) {
        Fail("the Today window could not be created");
        return;
    }

    record.tlit = tlitCustom;
    record.fEnabled = TRUE;
    record.dwSelectability = TODAY_SELECTABILITY_CUSTOMSELECTION;
    item = initialize(&record, host);
    if (!item) {
        Fail("InitializeCustomItem made no window");
        return;
    }
    Layout();
    // The first poll sees the connections come up; after it the item is in its steady state.
    Poll();
}

TodayRig::~TodayRig()
{
    // The library's unload deletes the item and its window.
    if (module)
        FreeLibrary(module);
    if (host)
        DestroyWindow(host);
    UnregisterClassW(kHostClass, nullptr);
}

void TodayRig::Fail(const std::string& what)
{
    error = what;
}

std::string TodayRig::Violations()
{
    std::string all;
    for (const std::string& v : sim::take_violations())
        all += v + "\n";
    return all;
}

void TodayRig::Layout()
{
    MoveWindow(item, 0, 0, kTodayWidth, static_cast<int>(record.cyp), TRUE);
    UpdateWindow(item);
}

BOOL TodayRig::Poll()
{
    BOOL changed = static_cast<BOOL>(
        SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, reinterpret_cast<WPARAM>(&record), 0));
    if (changed)
        Layout();
    return changed;
}

void TodayRig::Action()
{
    SendMessageW(item, WM_TODAYCUSTOM_ACTION, 0, 0);
}

void TodayRig::Paint()
{
    InvalidateRect(item, nullptr, TRUE);
    UpdateWindow(item);
}

void TodayRig::SetConnected(int connected)
{
    sim::cellcore::set_model(make_model(destinations, connections, connected));
}

}  // namespace bench

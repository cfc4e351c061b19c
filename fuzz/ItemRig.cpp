// SPDX-License-Identifier: MIT
// A Today window and one connection item inside it, for the fuzz targets that paint the item.
#include "fuzz/ItemRig.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>

#include "connections/ConnectionsItem.h"
#include "fuzz/FuzzSupport.h"
#include "sim/common/ModuleResources.h"
#include "sim/coredll/SimGdi.h"

namespace fuzz {
namespace {

HWND host_window;
std::vector<std::u16string> drawn;

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case TODAYM_GETCOLOR:
        return wParam == TODAYCOLOR_HIGHLIGHT ? RGB(16, 92, 176) : RGB(0, 0, 0);
    case TODAYM_DRAWWATERMARK: {
        const TODAYDRAWWATERMARKINFO* info = reinterpret_cast<const TODAYDRAWWATERMARKINFO*>(lParam);
        FillRect(info->hdc, &info->rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return TRUE;
    }
    case TODAYM_TOOKSELECTION:
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void fail(const char* what)
{
    std::fprintf(stderr, "item rig: %s\n", what);
    std::abort();
}

std::vector<unsigned char>* read_icon(const char* name)
{
    std::ifstream in(std::string(LINKORY_RES_DIR "/") + name, std::ios::binary);
    if (!in)
        fail("icon file missing");
    return new std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

void boot_host()
{
    // The item draws the same four icon groups as the library's resources hold; they live
    // until the process ends, as a module's resources do.
    static const struct {
        uint16_t id;
        const char* file;
    } icons[] = {{5, "globe.ico"}, {101, "globe_bolt.ico"}, {104, "expand.ico"}, {105, "collapse.ico"}};
    static SimResource table[4];
    for (size_t i = 0; i < 4; ++i) {
        std::vector<unsigned char>* bytes = read_icon(icons[i].file);
        table[i] = SimResource{SIM_RT_GROUP_ICON, icons[i].id, bytes->data(), uint32_t(bytes->size())};
    }
    sim::register_module_resources(reinterpret_cast<HINSTANCE>(module()), table, 4);

    WNDCLASSW wc;
    std::memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = host_proc;
    wc.lpszClassName = TEXT("FuzzToday");
    if (!RegisterClassW(&wc))
        fail("host class");
    host_window = CreateWindowExW(0, TEXT("FuzzToday"), TEXT("Today"), WS_VISIBLE, 0, 0, 240, 400, nullptr,
                                  nullptr, nullptr, nullptr);
    if (!host_window)
        fail("host window");
    sim::gdi::subscribe([](const sim::gdi::GdiCall& call) {
        if (std::strcmp(call.api, "DrawTextW") == 0 && call.owner && call.owner != host_window)
            drawn.push_back(call.text);
    });
}

std::vector<std::u16string> take_drawn_texts()
{
    std::vector<std::u16string> out;
    out.swap(drawn);
    return out;
}

ItemRig::ItemRig(CIntlTable* table) : item_(new (std::nothrow) CConnectionsItem()), record_(), hwnd_(nullptr)
{
    if (!item_)
        fail("no item");
    record_.fEnabled = TRUE;
    hwnd_ = item_->Initialize(reinterpret_cast<HINSTANCE>(module()), &record_, host_window, table);
    if (!hwnd_)
        fail("no item window");
    MoveWindow(hwnd_, 0, 0, 240, 400, TRUE);
}

ItemRig::~ItemRig()
{
    delete item_;
}

void ItemRig::poll()
{
    SendMessageW(hwnd_, WM_TODAYCUSTOM_QUERYREFRESHCACHE, reinterpret_cast<WPARAM>(&record_), 0);
}

void ItemRig::action()
{
    SendMessageW(hwnd_, WM_TODAYCUSTOM_ACTION, VK_RETURN, 0);
}

void ItemRig::paint()
{
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
}

void ItemRig::paint_unguarded()
{
    HDC dc = GetDC(hwnd_);
    if (!dc)
        fail("no window DC");
    RECT client;
    GetClientRect(hwnd_, &client);
    item_->OnPaint(dc, &client);
    ReleaseDC(hwnd_, dc);
}

}  // namespace fuzz

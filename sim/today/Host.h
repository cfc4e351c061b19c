// SPDX-License-Identifier: MIT
// The Today screen host: its window, the custom items it loads, polling, layout and input.
//
// Written against the Win32 API only, so the same host drives the plug-in on the simulated
// device and under Wine. All calls come on one thread, as on the device's shell. The host
// owns its window, one TODAYLISTITEM per item and the module references it took; the item
// windows belong to the plug-ins. There is one Today screen: a second host's create() fails
// with ERROR_CLASS_ALREADY_EXISTS while the first one lives.
#ifndef LINKORY_SIM_TODAY_HOST_H
#define LINKORY_SIM_TODAY_HOST_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/todaycmn.h"
#include "platform/win32.h"
#include "sim/today/HostListener.h"

namespace sim::today {

// Colours answered to TODAYM_GETCOLOR; any other id gets CLR_INVALID.
const COLORREF kTextColor = RGB(0, 0, 0);
const COLORREF kHighlightColor = RGB(16, 92, 176);
const COLORREF kHighlightedTextColor = RGB(255, 255, 255);

class Host {
public:
    // Either pointer may be null; both must outlive the host.
    explicit Host(HostListener* listener = nullptr, LeftoverProbe* probe = nullptr);
    // Unloads every item still loaded, then destroys the Today window.
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Creates the Today window at (0, 0), of the given size or, for 0, the screen's
    // (HORZRES x VERTRES). Returns ERROR_SUCCESS or the error of the call that failed.
    DWORD create(int width = 0, int height = 0);

    // Loads a plug-in as a new item after the others: LoadLibraryW, a TODAYLISTITEM, the
    // export at ordinal 240 called with it and the Today window, then a layout. Returns
    // ERROR_SUCCESS (the item's index in *index) or the error; a failed load leaves no item.
    DWORD load(LPCWSTR dll_path, LPCWSTR name, BOOL enabled = TRUE, size_t* index = nullptr);

    // Sends WM_TODAYCUSTOM_QUERYREFRESHCACHE to every item window; when one answers TRUE,
    // lays the items out again and repaints. Returns whether any answered TRUE.
    bool poll();

    // A tap at (x, y) in Today coordinates: button down and up, in client coordinates, to
    // the item under the point. False when no item is there.
    bool tap(int x, int y);
    // The action key: WM_TODAYCUSTOM_ACTION (VK_RETURN) to the selected item; false if none.
    bool action();
    // Passes the selection to an item as if reached with `key` (VK_DOWN or VK_UP). Returns
    // whether the item took it. deselect() takes the selection from its holder.
    bool select(size_t item, WPARAM key = VK_DOWN);
    void deselect();
    // Invalidates and repaints the Today window and every item.
    void paint();

    // Unloads one item: WM_TODAYCUSTOM_CLEARCACHE, FreeLibrary, then what it left behind
    // (returned, and reported to the listener). A window the plug-in left alive after its
    // module went is destroyed here, with its procedure first replaced by the host's own.
    std::vector<std::string> unload(size_t item);
    void unload_all();

    HWND window() const { return hwnd_; }
    SIZE size() const { return size_; }
    size_t item_count() const { return items_.size(); }
    // The item's record, or null for an index out of range. Valid until the host goes.
    const TODAYLISTITEM* record(size_t item) const;
    bool is_loaded(size_t item) const;
    HMODULE module(size_t item) const;
    PFNCUSTOMOPTIONSDLGPROC options_proc(size_t item) const;
    // Where the last layout put the item (Today coordinates); empty when it has no window.
    RECT item_rect(size_t item) const;
    // Index of the item holding the selection, or -1.
    int selected() const { return selected_; }

private:
    struct Item {
        TODAYLISTITEM record{};
        HMODULE module = nullptr;
        PFNCUSTOMOPTIONSDLGPROC options = nullptr;
        RECT rect{};
        bool loaded = false;
        std::basic_string<WCHAR> path;
    };

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT answer_color(WPARAM id) const;
    LRESULT draw_watermark(const TODAYDRAWWATERMARKINFO* info) const;
    LRESULT took_selection(HWND item);

    bool live(size_t item) const;
    int find_item(HWND hwnd) const;
    POINT origin_of(HWND hwnd) const;
    void layout();
    void invalidate_all();
    void pump();
    void step(const char* action);
    bool give_selection(int item, WPARAM key);
    std::vector<std::string> unload_item(size_t item, bool relayout);
    void release_module(Item& item, std::vector<std::string>& leftovers);
    int module_users(HMODULE module) const;

    HostListener* listener_;
    LeftoverProbe* probe_;
    HWND hwnd_ = nullptr;
    bool class_registered_ = false;
    SIZE size_{0, 0};
    std::vector<std::unique_ptr<Item>> items_;
    int selected_ = -1;
};

}  // namespace sim::today

#endif

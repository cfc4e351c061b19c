// SPDX-License-Identifier: MIT
// A Today window and one connection item inside it, for the fuzz targets that paint the item.
#ifndef LINKORY_FUZZ_ITEMRIG_H
#define LINKORY_FUZZ_ITEMRIG_H

#include <string>
#include <vector>

#include "platform/todaycmn.h"
#include "platform/win32.h"

class CConnectionsItem;
class CIntlTable;

namespace fuzz {

// Registers the plug-in's four icon groups under module() and creates a host window that
// answers the Today requests as the host does. Call once per process.
void boot_host();

// Texts drawn with DrawTextW on the item's window since the last take_drawn_texts().
std::vector<std::u16string> take_drawn_texts();

// One item with its window, 240 x 400, bound to `table` (may be null). The constructor
// aborts when the window cannot be made; the destructor deletes the item.
class ItemRig {
public:
    explicit ItemRig(CIntlTable* table);
    ~ItemRig();
    ItemRig(const ItemRig&) = delete;
    ItemRig& operator=(const ItemRig&) = delete;

    // The host's poll, routed through the window procedure as the host sends it.
    void poll();
    // The action key, routed the same way.
    void action();
    // A WM_PAINT through the window procedure.
    void paint();
    // OnPaint called directly with a window DC, outside the window procedure's fault
    // guard, so a fault in painting reaches the fuzzer instead of DefWindowProcW.
    void paint_unguarded();

    CConnectionsItem* item() { return item_; }

private:
    CConnectionsItem* item_;
    TODAYLISTITEM record_;
    HWND hwnd_;
};

}  // namespace fuzz

#endif

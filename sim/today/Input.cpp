// SPDX-License-Identifier: MIT
// Taps, the action key and the selection, as the shell passes them to its items.
#include "sim/today/Host.h"

namespace sim::today {

bool Host::tap(int x, int y)
{
    step("tap");
    const POINT point = {x, y};
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!live(i) || !PtInRect(&items_[i]->rect, point))
            continue;
        HWND hwnd = items_[i]->record.hwndCustom;
        const LPARAM at = MAKELPARAM(x - items_[i]->rect.left, y - items_[i]->rect.top);
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        if (IsWindow(hwnd))
            SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
        pump();
        return true;
    }
    return false;
}

bool Host::action()
{
    step("action");
    if (selected_ < 0 || !live(size_t(selected_)))
        return false;
    SendMessageW(items_[size_t(selected_)]->record.hwndCustom, WM_TODAYCUSTOM_ACTION, VK_RETURN, 0);
    pump();
    return true;
}

bool Host::select(size_t item, WPARAM key)
{
    step("select");
    bool taken = live(item) && give_selection(int(item), key);
    pump();
    return taken;
}

void Host::deselect()
{
    step("deselect");
    give_selection(-1, 0);
    pump();
}

LRESULT Host::took_selection(HWND hwnd)
{
    const int item = find_item(hwnd);
    if (item < 0)
        return FALSE;
    // An item asking on a tap has not got it yet; it arrives as if from the key above.
    return item == selected_ || give_selection(item, VK_DOWN);
}

// Moves the selection to `item` (-1: nobody): the holder loses it first, then the new item
// is offered it and may refuse. Both repaint, since they draw their own highlight.
bool Host::give_selection(int item, WPARAM key)
{
    if (item == selected_)
        return item >= 0;
    if (selected_ >= 0) {
        const size_t old = size_t(selected_);
        selected_ = -1;
        if (live(old)) {
            SendMessageW(items_[old]->record.hwndCustom, WM_TODAYCUSTOM_LOSTSELECTION, 0, 0);
            InvalidateRect(items_[old]->record.hwndCustom, nullptr, TRUE);
        }
        if (listener_)
            listener_->selection(old, false);
    }
    if (item < 0)
        return false;
    HWND hwnd = items_[size_t(item)]->record.hwndCustom;
    if (!SendMessageW(hwnd, WM_TODAYCUSTOM_RECEIVEDSELECTION, key, 0))
        return false;
    selected_ = item;
    InvalidateRect(hwnd, nullptr, TRUE);
    if (listener_)
        listener_->selection(size_t(item), true);
    return true;
}

}  // namespace sim::today

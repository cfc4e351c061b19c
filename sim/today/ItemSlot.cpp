// SPDX-License-Identifier: MIT
// Loading and unloading the host's items: the module, its record and its exports.
#include "sim/today/Host.h"

namespace sim::today {
namespace {

// The host allocates the record the item reads; on the device (32-bit) it is 632 bytes.
static_assert(sizeof(void*) != 4 || sizeof(TODAYLISTITEM) == 632, "TODAYLISTITEM layout");

void copy_text(WCHAR* out, size_t capacity, LPCWSTR text)
{
    size_t n = 0;
    for (; text && text[n] && n + 1 < capacity; ++n)
        out[n] = text[n];
    out[n] = 0;
}

template <class T>
T export_at(HMODULE module, int ordinal)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

// Stands in for the procedure of an item window whose module is gone, so that destroying
// the window does not call into unmapped code.
LRESULT CALLBACK orphan_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

DWORD Host::load(LPCWSTR dll_path, LPCWSTR name, BOOL enabled, size_t* index)
{
    step("load");
    if (!hwnd_)
        return ERROR_INVALID_WINDOW_HANDLE;
    if (!dll_path || !dll_path[0] || lstrlenW(dll_path) >= MAX_PATH)
        return ERROR_INVALID_PARAMETER;
    auto item = std::make_unique<Item>();
    item->path = dll_path;
    bool first = true;
    for (const auto& other : items_)
        first = first && !(other->loaded && other->path == item->path);
    if (probe_)
        probe_->before_load(dll_path, first);

    HMODULE module = LoadLibraryW(dll_path);
    if (!module)
        return GetLastError() ? GetLastError() : DWORD(ERROR_MOD_NOT_FOUND);
    auto init = export_at<PFNCUSTOMINITIALIZEITEM>(module, ORDINAL_INITIALIZEITEM);
    if (!init) {
        FreeLibrary(module);
        return ERROR_PROC_NOT_FOUND;
    }
    item->module = module;
    item->options = export_at<PFNCUSTOMOPTIONSDLGPROC>(module, ORDINAL_OPTIONSDIALOGPROC);
    item->loaded = true;

    TODAYLISTITEM& record = item->record;
    copy_text(record.szName, MAX_ITEMNAME, name);
    record.tlit = tlitCustom;
    record.dwOrder = DWORD(items_.size());
    record.fEnabled = enabled;
    record.fOptions = item->options != nullptr;
    copy_text(record.szDLLPath, MAX_PATH, dll_path);
    record.hinstDLL = reinterpret_cast<HINSTANCE>(module);
    record.dwSelectability = TODAY_SELECTABILITY_CUSTOMSELECTION;

    items_.push_back(std::move(item));
    const size_t at = items_.size() - 1;
    if (index)
        *index = at;
    record.hwndCustom = init(&record, hwnd_);
    if (listener_)
        listener_->loaded(at, record);
    if (record.hwndCustom) {
        layout();
        invalidate_all();
        pump();
    }
    return ERROR_SUCCESS;
}

std::vector<std::string> Host::unload(size_t item)
{
    return unload_item(item, true);
}

void Host::unload_all()
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->loaded)
            unload_item(i, false);
}

std::vector<std::string> Host::unload_item(size_t index, bool relayout)
{
    step("unload");
    std::vector<std::string> leftovers;
    if (index >= items_.size() || !items_[index]->loaded)
        return leftovers;
    Item& item = *items_[index];
    if (selected_ == int(index)) {
        selected_ = -1;
        if (listener_)
            listener_->selection(index, false);
    }
    // The item's last chance to drop its cache before its code goes.
    if (live(index))
        SendMessageW(item.record.hwndCustom, WM_TODAYCUSTOM_CLEARCACHE, reinterpret_cast<WPARAM>(&item.record), 0);
    release_module(item, leftovers);
    if (listener_)
        listener_->unloaded(index, leftovers);
    if (relayout && hwnd_) {
        layout();
        invalidate_all();
        pump();
    }
    return leftovers;
}

void Host::release_module(Item& item, std::vector<std::string>& leftovers)
{
    item.loaded = false;
    const bool last = module_users(item.module) == 0;
    FreeLibrary(item.module);
    if (last) {
        // Destroying item windows is the plug-in's job at unload; what it missed is reported
        // and then removed safely, for its procedure went with the module.
        for (const auto& other : items_) {
            HWND hwnd = other->record.hwndCustom;
            if (other->module != item.module || !hwnd || !IsWindow(hwnd))
                continue;
            leftovers.push_back("item window " + std::to_string(other->record.dwOrder) +
                                " still existed after its module was unloaded");
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&orphan_proc));
            DestroyWindow(hwnd);
        }
    }
    if (item.record.prgbCachedData || item.record.cbCachedData)
        leftovers.push_back("cached data of " + std::to_string(item.record.cbCachedData) + " bytes still set");
    if (probe_)
        probe_->after_unload(item.path.c_str(), last, leftovers);
}

int Host::module_users(HMODULE module) const
{
    int users = 0;
    for (const auto& item : items_)
        users += item->loaded && item->module == module;
    return users;
}

const TODAYLISTITEM* Host::record(size_t item) const
{
    return item < items_.size() ? &items_[item]->record : nullptr;
}

bool Host::is_loaded(size_t item) const
{
    return item < items_.size() && items_[item]->loaded;
}

HMODULE Host::module(size_t item) const
{
    return is_loaded(item) ? items_[item]->module : nullptr;
}

PFNCUSTOMOPTIONSDLGPROC Host::options_proc(size_t item) const
{
    return is_loaded(item) ? items_[item]->options : nullptr;
}

}  // namespace sim::today

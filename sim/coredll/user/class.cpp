// SPDX-License-Identifier: MIT
// Window classes and the process-wide atom table that names them.
#include <algorithm>
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/SimAcquire.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {
namespace {

// String atoms live in 0xC000-0xFFFF, as on the device; integer atoms below are names
// given with MAKEINTATOM and are never handed out here.
constexpr unsigned kFirstAtom = 0xC000;
constexpr unsigned kLastAtom = 0xFFFF;

// Largest cbWndExtra accepted; the device's own limit is not documented, this is generous.
constexpr int kMaxWndExtra = 1024;

constexpr UINT kSupportedClassStyles = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;

ATOM add_atom(const std::u16string& key)
{
    State& s = state();
    auto found = s.atoms.find(key);
    if (found != s.atoms.end()) {
        ++found->second.second;
        return found->second.first;
    }
    std::vector<ATOM> used;
    for (auto& entry : s.atoms)
        used.push_back(entry.second.first);
    std::sort(used.begin(), used.end());
    unsigned atom = kFirstAtom;
    for (ATOM u : used) {
        if (u != atom)
            break;
        ++atom;
    }
    if (atom > kLastAtom)
        return 0;
    s.atoms[key] = {static_cast<ATOM>(atom), 1u};
    return static_cast<ATOM>(atom);
}

void release_atom(const std::u16string& key)
{
    State& s = state();
    auto found = s.atoms.find(key);
    if (found != s.atoms.end() && --found->second.second == 0)
        s.atoms.erase(found);
}

ATOM fail_register(DWORD error, const std::string& why = std::string())
{
    SetLastError(error);
    if (!why.empty())
        report_violation("RegisterClassW", why);
    return 0;
}

}  // namespace

std::u16string fold_name(const WCHAR* name)
{
    std::u16string key;
    for (; name && *name; ++name) {
        char16_t c = *name;
        // Latin-1 letters fold like ASCII ones, 0xF7 (division sign) excepted.
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<char16_t>(c - 0x20);
        key.push_back(c);
    }
    return key;
}

WindowClass* find_class(const WCHAR* name_or_atom)
{
    if (!name_or_atom)
        return nullptr;
    State& s = state();
    if (IS_INTRESOURCE(name_or_atom)) {
        ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name_or_atom));
        for (auto& cls : s.classes)
            if (cls->atom == atom)
                return cls.get();
        return nullptr;
    }
    std::u16string key = fold_name(name_or_atom);
    for (auto& cls : s.classes)
        if (fold_name(cls->name.c_str()) == key)
            return cls.get();
    return nullptr;
}

}  // namespace sim::user

using namespace sim::user;

// RegisterClassW (coredll): menus, class extra bytes' contents and integer class names are
// not emulated; asking for them fails with a violation.
extern "C" ATOM WINAPI RegisterClassW(const WNDCLASSW* wc)
{
    if (!wc)
        return fail_register(ERROR_INVALID_PARAMETER, "null WNDCLASSW");
    if (!wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName))
        return fail_register(ERROR_INVALID_PARAMETER, "the class needs a string name");
    if (!wc->lpfnWndProc)
        return fail_register(ERROR_INVALID_PARAMETER, "null window procedure");
    if (wc->style & ~kSupportedClassStyles)
        return fail_register(ERROR_INVALID_PARAMETER, "unsupported class style " + std::to_string(wc->style & ~kSupportedClassStyles));
    if (wc->cbClsExtra < 0 || wc->cbWndExtra < 0 || wc->cbWndExtra > kMaxWndExtra)
        return fail_register(ERROR_INVALID_PARAMETER, "extra byte count out of range");
    if (wc->lpszMenuName)
        return fail_register(ERROR_INVALID_PARAMETER, "class menus are not supported");
    if (find_class(wc->lpszClassName))
        return fail_register(ERROR_CLASS_ALREADY_EXISTS);
    if (sim::acquire::injected_failure(sim::acquire::Kind::Class))
        return 0;

    auto cls = std::make_unique<WindowClass>();
    cls->name = wc->lpszClassName;
    cls->atom = add_atom(fold_name(wc->lpszClassName));
    if (cls->atom == 0)
        return fail_register(ERROR_NOT_ENOUGH_MEMORY);
    cls->style = wc->style;
    cls->proc = wc->lpfnWndProc;
    cls->wnd_extra = wc->cbWndExtra;
    cls->instance = wc->hInstance;
    cls->background = wc->hbrBackground;
    ATOM atom = cls->atom;
    state().classes.push_back(std::move(cls));
    return atom;
}

// UnregisterClassW (coredll): as on Windows CE, a null instance matches the class whatever
// instance registered it; a non-null one must be that instance. Deletes the class brush.
extern "C" BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE instance)
{
    if (!className) {
        SetLastError(ERROR_INVALID_PARAMETER);
        sim::report_violation("UnregisterClassW", "null class name");
        return FALSE;
    }
    WindowClass* cls = find_class(className);
    if (!cls || (instance && instance != cls->instance)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    // The class owns its background brush: the system deletes it with the class.
    if (cls->background)
        DeleteObject(cls->background);
    State& s = state();
    release_atom(fold_name(cls->name.c_str()));
    s.classes.erase(std::find_if(s.classes.begin(), s.classes.end(),
                                 [cls](const std::unique_ptr<WindowClass>& c) { return c.get() == cls; }));
    return TRUE;
}

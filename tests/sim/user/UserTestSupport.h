// SPDX-License-Identifier: MIT
// A fixture for window-manager tests: a test class whose procedure a test can script, and a
// log of procedure calls rendered as compact text ("P:WM_DESTROY/0" = window P, depth 0).
#ifndef LINKORY_TESTS_SIM_USER_USERTESTSUPPORT_H
#define LINKORY_TESTS_SIM_USER_USERTESTSUPPORT_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimUser.h"
#include "support/GdiLog.h"
#include "support/SimFixture.h"

// Returns true when it handled the message and set `result`; otherwise DefWindowProcW answers.
using Script = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT& result)>;

class UserFixture : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        current = this;
        observer = sim::user::add_message_observer([this](const sim::user::MessageCall& call) { Record(call); });
    }

    void TearDown() override
    {
        sim::user::remove_message_observer(observer);
        for (HWND hwnd : windows)
            if (IsWindow(hwnd))
                DestroyWindow(hwnd);
        script = nullptr;
        current = nullptr;
        SimFixture::TearDown();
    }

    // Registers the scripted class once per test; `style` and `brush` as in WNDCLASSW.
    ATOM RegisterTestClass(const WCHAR* name = TEXT("TestWnd"), UINT style = 0, HBRUSH brush = nullptr)
    {
        WNDCLASSW wc{};
        wc.style = style;
        wc.lpfnWndProc = &UserFixture::Proc;
        wc.hbrBackground = brush;
        wc.lpszClassName = name;
        return RegisterClassW(&wc);
    }

    // A window of the test class, named for the log by `role` (one letter).
    HWND Make(char role, DWORD style, HWND parent = nullptr, RECT r = RECT{0, 0, 100, 50},
              const WCHAR* cls = TEXT("TestWnd"))
    {
        pendingRole = role;
        HWND hwnd = CreateWindowExW(0, cls, TEXT("t"), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                    parent, nullptr, nullptr, nullptr);
        if (hwnd) {
            roles[hwnd] = role;
            windows.push_back(hwnd);
        }
        return hwnd;
    }

    // The log since the last call, one "R:MSG/depth" token per call (+d inside DefWindowProcW,
    // +p sent by BeginPaint); cleared on return.
    std::string Log()
    {
        std::string out;
        for (const Entry& e : entries) {
            if (!out.empty())
                out += ' ';
            out += e.role;
            out += ':' + Name(e.call.msg) + '/' + std::to_string(e.call.depth);
            if (e.call.from_def_window_proc)
                out += "+d";
            if (e.call.from_begin_paint)
                out += "+p";
        }
        entries.clear();
        return out;
    }

    struct Entry {
        char role;
        sim::user::MessageCall call;  // result filled in on exit
    };
    std::vector<Entry> entries;
    std::map<HWND, char> roles;
    std::vector<HWND> windows;
    Script script;
    char pendingRole = '?';
    int observer = 0;

    static inline UserFixture* current = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = 0;
        if (current && current->script && current->script(hwnd, msg, wParam, lParam, result))
            return result;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    void Record(const sim::user::MessageCall& call)
    {
        if (!call.exit) {
            // A window is named at its first message, which comes before CreateWindowExW returns.
            auto it = roles.emplace(call.hwnd, pendingRole).first;
            entries.push_back(Entry{it->second, call});
            open.push_back(entries.size() - 1);
            return;
        }
        if (!open.empty()) {
            entries[open.back()].call.result = call.result;
            open.pop_back();
        }
    }

    static std::string Name(UINT msg)
    {
#define NAMED(m) {m, #m}
        static const std::map<UINT, const char*> names = {
            NAMED(WM_CREATE), NAMED(WM_DESTROY), NAMED(WM_NCDESTROY), NAMED(WM_MOVE), NAMED(WM_SIZE),
            NAMED(WM_PAINT), NAMED(WM_ERASEBKGND), NAMED(WM_SHOWWINDOW), NAMED(WM_WINDOWPOSCHANGING),
            NAMED(WM_WINDOWPOSCHANGED), NAMED(WM_CLOSE)};
#undef NAMED
        auto it = names.find(msg);
        return it != names.end() ? it->second : "WM_" + std::to_string(msg);
    }

    std::vector<size_t> open;
};

#endif

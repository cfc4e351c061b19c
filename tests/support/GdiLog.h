// SPDX-License-Identifier: MIT
// The GDI calls the recorder saw on one window's device contexts (or on all), while recording.
#ifndef LINKORY_TESTS_SUPPORT_GDILOG_H
#define LINKORY_TESTS_SUPPORT_GDILOG_H

#include <string>
#include <vector>

#include "sim/coredll/SimGdi.h"

class GdiLog {
public:
    GdiLog() = default;
    explicit GdiLog(HWND owner, bool any = false) { Start(owner, any); }
    ~GdiLog() { Stop(); }
    GdiLog(const GdiLog&) = delete;
    GdiLog& operator=(const GdiLog&) = delete;

    // Clears the log and records the calls made for `owner`, or every call when `any`.
    void Start(HWND owner, bool any = false)
    {
        Stop();
        calls.clear();
        subscription = sim::gdi::subscribe([this, owner, any](const sim::gdi::GdiCall& call) {
            if (any || call.owner == owner)
                calls.push_back(call);
        });
    }
    void Stop()
    {
        if (subscription >= 0)
            sim::gdi::unsubscribe(subscription);
        subscription = -1;
    }

    std::vector<sim::gdi::GdiCall> Only(const char* api) const
    {
        std::vector<sim::gdi::GdiCall> out;
        for (const sim::gdi::GdiCall& call : calls)
            if (std::string(call.api) == api)
                out.push_back(call);
        return out;
    }
    std::vector<std::u16string> Texts() const
    {
        std::vector<std::u16string> out;
        for (const sim::gdi::GdiCall& call : Only("DrawTextW"))
            out.push_back(call.text);
        return out;
    }

    std::vector<sim::gdi::GdiCall> calls;

private:
    int subscription = -1;
};

// "left,top,right,bottom", for comparing rectangles in one expectation.
inline std::string Str(const RECT& r)
{
    return std::to_string(r.left) + ',' + std::to_string(r.top) + ',' + std::to_string(r.right) + ',' +
           std::to_string(r.bottom);
}

#endif  // LINKORY_TESTS_SUPPORT_GDILOG_H

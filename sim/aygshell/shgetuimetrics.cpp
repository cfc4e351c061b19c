// SPDX-License-Identifier: MIT
// SHGetUIMetrics of aygshell.dll over a settable Text Size and screen density.
#include <cstring>
#include <mutex>
#include <string>

#include "platform/aygshell.h"
#include "sim/aygshell/SimAygshell.h"
#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"

namespace sim::aygshell {
namespace {

// E_NOTIMPL from winerror.h: what a shell without the metric answers.
constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001L);

struct State {
    std::mutex lock;
    int pixels = 12;
    int dpi = 96;
    bool writes_nothing = false;
    uint64_t calls = 0;
};

State& state()
{
    static State s;
    return s;
}

const sim::ResetRegistration reset_registration("aygshell", &reset);

// The standard size is the 9-point system font; rounding to the nearest keeps 12 px at
// 96 DPI (and 24 px at 192 DPI) exactly 900 hundredths of a point and 100 percent.
DWORD metric_value(SHUIMETRIC metric, int pixels, int dpi)
{
    switch (metric) {
    case SHUIM_FONTSIZE_PIXEL:
        return static_cast<DWORD>(pixels);
    case SHUIM_FONTSIZE_POINT:
        return static_cast<DWORD>((pixels * 7200LL + dpi / 2) / dpi);
    default:
        return static_cast<DWORD>((pixels * 800LL + dpi / 2) / dpi);
    }
}

}  // namespace

void set_font_size_pixels(int pixels)
{
    if (pixels < 1) {
        sim::report_violation("sim::aygshell::set_font_size_pixels", "size " + std::to_string(pixels));
        return;
    }
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.pixels = pixels;
}

int font_size_pixels()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.pixels;
}

void set_dpi(int dpi)
{
    if (dpi < 1) {
        sim::report_violation("sim::aygshell::set_dpi", "density " + std::to_string(dpi));
        return;
    }
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.dpi = dpi;
}

void set_writes_nothing(bool on)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.writes_nothing = on;
}

uint64_t call_count()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.calls;
}

void reset()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.pixels = 12;
    s.dpi = 96;
    s.writes_nothing = false;
    s.calls = 0;
}

}  // namespace sim::aygshell

using namespace sim::aygshell;

// SHGetUIMetrics (aygshell.dll). A null buffer is a size query: *required gets 4 and the
// call succeeds; a buffer under 4 bytes fails with E_INVALIDARG after *required is set.
extern "C" HRESULT WINAPI SHGetUIMetrics(SHUIMETRIC metric, PVOID buffer, DWORD bufferSize, DWORD* required)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.calls;
    if (s.writes_nothing)
        return kNotImplemented;
    if (metric != SHUIM_FONTSIZE_POINT && metric != SHUIM_FONTSIZE_PIXEL && metric != SHUIM_FONTSIZE_PERCENTAGE) {
        sim::report_violation("SHGetUIMetrics", "unknown metric " + std::to_string(static_cast<int>(metric)));
        return E_INVALIDARG;
    }
    if (required)
        *required = sizeof(DWORD);
    if (!buffer)
        return S_OK;
    if (bufferSize < sizeof(DWORD))
        return E_INVALIDARG;
    DWORD value = metric_value(metric, s.pixels, s.dpi);
    std::memcpy(buffer, &value, sizeof(value));
    return S_OK;
}

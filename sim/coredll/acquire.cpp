// SPDX-License-Identifier: MIT
// One count of GDI and USER acquisitions, and the failure injected into it.
#include "sim/coredll/SimAcquire.h"

#include <mutex>

#include "platform/win32.h"
#include "sim/coredll/Sim.h"

namespace sim::acquire {
namespace {

struct Injection {
    std::mutex lock;
    unsigned long count = 0;
    unsigned long failures = 0;
    unsigned long fail_at = 0;  // acquisition number that fails; 0: injection off
    bool onwards = false;       // every acquisition from fail_at on
};

Injection& injection()
{
    static Injection* instance = new Injection;  // outlives every static that may paint
    return *instance;
}

void arm(unsigned long n, bool onwards)
{
    Injection& i = injection();
    std::lock_guard<std::mutex> guard(i.lock);
    i.fail_at = n == 0 ? 0 : i.count + n;
    i.onwards = onwards;
}

const bool registered = (register_reset("acquisitions", fail_off), true);

}  // namespace

const char* api_name(Kind kind)
{
    switch (kind) {
    case Kind::Font: return "CreateFontIndirectW";
    case Kind::Brush: return "CreateSolidBrush";
    case Kind::Icon: return "LoadImageW";
    case Kind::DeviceContext: return "GetDC";
    case Kind::Paint: return "BeginPaint";
    case Kind::Window: return "CreateWindowExW";
    case Kind::Class: return "RegisterClassW";
    }
    return "";
}

unsigned long acquisition_count()
{
    Injection& i = injection();
    std::lock_guard<std::mutex> guard(i.lock);
    return i.count;
}

unsigned long failure_count()
{
    Injection& i = injection();
    std::lock_guard<std::mutex> guard(i.lock);
    return i.failures;
}

void fail_nth(unsigned long n)
{
    arm(n, false);
}

void fail_from(unsigned long n)
{
    arm(n, true);
}

void fail_off()
{
    arm(0, false);
}

bool injected_failure(Kind)
{
    Injection& i = injection();
    {
        std::lock_guard<std::mutex> guard(i.lock);
        ++i.count;
        if (i.fail_at == 0 || i.count < i.fail_at)
            return false;
        if (!i.onwards)
            i.fail_at = 0;
        ++i.failures;
    }
    // Every one of these calls reports a device short of memory the same way.
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

}  // namespace sim::acquire

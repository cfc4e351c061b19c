// SPDX-License-Identifier: MIT
// MultiByteToWideChar for the system code page (Windows-1252) and UTF-8.
#include <cstdio>
#include <string>

#include "platform/win32.h"
#include "sim/common/Violations.h"
#include "sim/coredll/kernel/codepage.h"

namespace sim::kernel {
namespace {

constexpr DWORD kErrorInvalidFlags = 1004;  // ERROR_INVALID_FLAGS
constexpr UINT kCodePage1252 = 1252;
constexpr char16_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80-0x9F; the rest of the page equals Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Collects units into the caller's buffer, or only counts them when there is none.
struct Output {
    LPWSTR out;
    int capacity;
    int produced = 0;
    bool overflow = false;

    void put(char16_t unit)
    {
        if (capacity > 0) {
            if (produced >= capacity) {
                overflow = true;
                return;
            }
            out[produced] = unit;
        }
        ++produced;
    }
};

void decode_cp1252(const unsigned char* in, size_t length, Output& output)
{
    for (size_t i = 0; i < length && !output.overflow; ++i)
        output.put(cp1252_to_utf16(in[i]));
}

bool is_continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Decodes UTF-8, replacing each maximal ill-formed subsequence (overlong forms, encoded
// surrogates, values above U+10FFFF, truncated sequences) with one U+FFFD.
void decode_utf8(const unsigned char* in, size_t length, Output& output)
{
    size_t i = 0;
    while (i < length && !output.overflow) {
        unsigned char lead = in[i];
        if (lead < 0x80) {
            output.put(lead);
            ++i;
            continue;
        }
        int needed;
        unsigned long value;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1, value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2, value = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3, value = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            if (lead == 0xF4)
                high = 0x8F;
        } else {
            output.put(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        int got = 0;
        for (; got < needed && j < length; ++got, ++j) {
            unsigned char byte = in[j];
            bool ok = got == 0 ? (byte >= low && byte <= high) : is_continuation(byte);
            if (!ok)
                break;
            value = (value << 6) | (byte & 0x3F);
        }
        i = j;
        if (got < needed) {
            output.put(kReplacement);
        } else if (value >= 0x10000) {
            value -= 0x10000;
            output.put(static_cast<char16_t>(0xD800 + (value >> 10)));
            output.put(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        } else {
            output.put(static_cast<char16_t>(value));
        }
    }
}

int fail(DWORD error, const char* violation)
{
    if (violation)
        sim::report_violation("MultiByteToWideChar", violation);
    SetLastError(error);
    return 0;
}

}  // namespace

char16_t cp1252_to_utf16(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

}  // namespace sim::kernel

using namespace sim::kernel;

// MultiByteToWideChar (coredll): CP_ACP (Windows-1252 on the simulated device) and CP_UTF8.
// Ill-formed UTF-8 becomes U+FFFD; the device's other code pages are not emulated.
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR out, int outSize)
{
    bool utf8 = codePage == CP_UTF8;
    if (!utf8 && codePage != CP_ACP && codePage != kCodePage1252)
        return fail(ERROR_INVALID_PARAMETER, ("unsupported code page " + std::to_string(codePage)).c_str());
    // The UTF-8 converter takes no composition flags on Windows; the ANSI one only MB_PRECOMPOSED.
    if (flags & ~static_cast<DWORD>(utf8 ? 0 : MB_PRECOMPOSED)) {
        char what[48];
        std::snprintf(what, sizeof what, "unsupported flags 0x%X", static_cast<unsigned>(flags));
        return fail(kErrorInvalidFlags, what);
    }
    if (!text || bytes < -1 || outSize < 0 || (!out && outSize > 0))
        return fail(ERROR_INVALID_PARAMETER, "null text or output, or a negative size");
    if (bytes == 0)
        return fail(ERROR_INVALID_PARAMETER, nullptr);

    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    size_t length = bytes;
    if (bytes == -1) {
        length = 0;
        while (in[length])
            ++length;
        ++length;  // the terminator is converted too
    }
    Output output{out, outSize};
    if (utf8)
        decode_utf8(in, length, output);
    else
        decode_cp1252(in, length, output);
    if (output.overflow)
        return fail(ERROR_INSUFFICIENT_BUFFER, nullptr);
    return output.produced;
}

// SPDX-License-Identifier: MIT
// Length and comparison of wide strings.
//
// Case folding: _wcsicmp and _wcsnicmp fold A-Z only, as the C runtime does in the "C"
// locale, and order by the lower-cased code units. lstrcmpW and lstrcmpiW stand for the
// system's linguistic comparison: they also fold the Latin-1 letters (U+00C0-U+00DE but
// U+00D7, to U+00E0-U+00FE) and order by the folded units, and lstrcmpW then breaks a tie
// by putting a lower-case letter before its capital, as Windows sorts "a" before "A".
// Other scripts compare by code unit.
#include "platform/win32.h"
#include "sim/common/Violations.h"

namespace {

// The C runtime's error answer for a null argument (_NLSCMPERROR).
constexpr int kNlsCompareError = 0x7FFFFFFF;

char16_t fold_ascii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

char16_t fold_latin1(char16_t c)
{
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<char16_t>(c + 32);
    return fold_ascii(c);
}

template <char16_t (*Fold)(char16_t)>
int compare_folded(const WCHAR* a, const WCHAR* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        char16_t x = Fold(a[i]), y = Fold(b[i]);
        if (x != y)
            return static_cast<int>(x) - static_cast<int>(y);
        if (x == 0)
            break;
    }
    return 0;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// Null sorts before every string and equals another null, so a null never faults.
bool compare_nulls(LPCWSTR a, LPCWSTR b, int& result)
{
    if (a && b)
        return false;
    result = a ? 1 : b ? -1 : 0;
    return true;
}

}  // namespace

// lstrlenW (coredll): 0 for a null string.
int WINAPI lstrlenW(LPCWSTR text)
{
    if (!text)
        return 0;
    int length = 0;
    while (text[length])
        ++length;
    return length;
}

// lstrcmpW (coredll): -1, 0 or 1; case only decides between strings equal without it.
int WINAPI lstrcmpW(LPCWSTR a, LPCWSTR b)
{
    int result;
    if (compare_nulls(a, b, result))
        return result;
    result = sign(compare_folded<fold_latin1>(a, b, static_cast<size_t>(-1)));
    if (result != 0)
        return result;
    for (size_t i = 0; a[i]; ++i) {
        if (a[i] != b[i])  // same letter, different case: lower case first
            return a[i] > b[i] ? -1 : 1;
    }
    return 0;
}

// lstrcmpiW (coredll): -1, 0 or 1.
int WINAPI lstrcmpiW(LPCWSTR a, LPCWSTR b)
{
    int result;
    if (compare_nulls(a, b, result))
        return result;
    return sign(compare_folded<fold_latin1>(a, b, static_cast<size_t>(-1)));
}

// _wcsicmp (coredll): a null argument is reported and answered with _NLSCMPERROR.
int _wcsicmp(const WCHAR* a, const WCHAR* b)
{
    if (!a || !b) {
        sim::report_violation("_wcsicmp", "null string");
        SetLastError(ERROR_INVALID_PARAMETER);
        return kNlsCompareError;
    }
    return compare_folded<fold_ascii>(a, b, static_cast<size_t>(-1));
}

// _wcsnicmp (coredll): compares at most count units; nulls as for _wcsicmp.
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count)
{
    if (count == 0)
        return 0;
    if (!a || !b) {
        sim::report_violation("_wcsnicmp", "null string");
        SetLastError(ERROR_INVALID_PARAMETER);
        return kNlsCompareError;
    }
    return compare_folded<fold_ascii>(a, b, count);
}

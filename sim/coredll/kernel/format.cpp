// SPDX-License-Identifier: MIT
// The wide printf family (wsprintfW, _vsnwprintf and their variadic forms) with Microsoft
// semantics: in a wide format %s is a wide string and %S / %hs a narrow one.
//
// A conversion's arguments are read only once the whole conversion has been recognised,
// so a malformed one consumes nothing. %n never writes, and unknown conversions are
// printed as written; both are reported. Narrow text is converted from the system code
// page (Windows-1252). Floating point is not supported, as in the Win32 wsprintf.
#include <climits>
#include <cstdint>
#include <string>

#include "platform/win32.h"
#include "sim/common/Violations.h"
#include "sim/coredll/kernel/codepage.h"

namespace sim::kernel {
namespace {

// wsprintfW's fixed output limit, terminator included.
constexpr size_t kWsprintfLimit = 1024;

// Writes what fits into the caller's buffer and counts everything the format produces.
struct Sink {
    WCHAR* out;
    size_t capacity;
    size_t total = 0;

    void put(char16_t unit)
    {
        if (total < capacity)
            out[total] = unit;
        ++total;
    }
    void pad(char16_t unit, size_t count)
    {
        for (size_t i = total; i < capacity && i < total + count; ++i)
            out[i] = unit;
        total += count;
    }
};

enum class Size { Default, Short, Long, LongLong, Wide, Int32, Int64, Pointer };

struct Conversion {
    bool left = false, zero = false, plus = false, space = false, alt = false;
    bool width_star = false, precision_star = false;
    int width = 0;
    int precision = -1;  // -1: none given
    Size size = Size::Default;
    char16_t conversion = 0;
};

int parse_number(const WCHAR*& p)
{
    long long value = 0;
    while (*p >= u'0' && *p <= u'9') {
        value = value * 10 + (*p++ - u'0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return static_cast<int>(value);
}

// Parses the conversion after '%'; p ends past it. False when the conversion is unknown.
bool parse_conversion(const WCHAR*& p, Conversion& conv)
{
    for (;; ++p) {
        if (*p == u'-') conv.left = true;
        else if (*p == u'0') conv.zero = true;
        else if (*p == u'+') conv.plus = true;
        else if (*p == u' ') conv.space = true;
        else if (*p == u'#') conv.alt = true;
        else break;
    }
    if (*p == u'*')
        conv.width_star = true, ++p;
    else
        conv.width = parse_number(p);
    if (*p == u'.') {
        ++p;
        if (*p == u'*')
            conv.precision_star = true, ++p;
        else
            conv.precision = parse_number(p);
    }
    if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') conv.size = Size::Int64, p += 3;
    else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') conv.size = Size::Int32, p += 3;
    else if (p[0] == u'I') conv.size = Size::Pointer, ++p;
    else if (p[0] == u'l' && p[1] == u'l') conv.size = Size::LongLong, p += 2;
    else if (p[0] == u'l') conv.size = Size::Long, ++p;
    else if (p[0] == u'h') conv.size = Size::Short, ++p;
    else if (p[0] == u'w') conv.size = Size::Wide, ++p;
    if (*p == 0)
        return false;
    conv.conversion = *p++;
    switch (conv.conversion) {
    case u'd': case u'i': case u'u': case u'x': case u'X': case u'o':
        return conv.size != Size::Wide;
    case u'c': case u'C': case u's': case u'S':
        return conv.size == Size::Default || conv.size == Size::Short || conv.size == Size::Long ||
               conv.size == Size::Wide;
    case u'p': case u'%':
        return conv.size == Size::Default;
    case u'n':
        return true;
    default:
        return false;
    }
}

bool is_signed(char16_t conversion)
{
    return conversion == u'd' || conversion == u'i';
}

// Reads an integer argument the way the device's 32-bit ABI sizes it: long is 32 bits.
uint64_t read_integer(const Conversion& conv, va_list* args, bool& negative)
{
    bool sign = is_signed(conv.conversion);
    int64_t value;
    switch (conv.size) {
    case Size::LongLong:
    case Size::Int64:
        value = va_arg(*args, long long);
        if (!sign)
            return static_cast<uint64_t>(value);
        break;
    case Size::Pointer:
        value = sign ? static_cast<int64_t>(va_arg(*args, intptr_t)) : static_cast<int64_t>(va_arg(*args, uintptr_t));
        break;
    case Size::Short: {
        int raw = va_arg(*args, int);
        value = sign ? static_cast<short>(raw) : static_cast<unsigned short>(raw);
        break;
    }
    default: {
        int raw = va_arg(*args, int);
        value = sign ? raw : static_cast<int64_t>(static_cast<unsigned>(raw));
        break;
    }
    }
    negative = sign && value < 0;
    return negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

void emit_padded(Sink& sink, const Conversion& conv, const char16_t* prefix, size_t prefix_length, size_t zeros,
                 const char16_t* body, size_t body_length)
{
    size_t length = prefix_length + zeros + body_length;
    size_t fill = conv.width > 0 && static_cast<size_t>(conv.width) > length ? conv.width - length : 0;
    bool zero_fill = conv.zero && !conv.left;
    if (!conv.left && !zero_fill)
        sink.pad(u' ', fill);
    for (size_t i = 0; i < prefix_length; ++i)
        sink.put(prefix[i]);
    if (zero_fill)
        sink.pad(u'0', fill);
    sink.pad(u'0', zeros);
    for (size_t i = 0; i < body_length; ++i)
        sink.put(body[i]);
    if (conv.left)
        sink.pad(u' ', fill);
}

void format_integer(Sink& sink, Conversion conv, uint64_t magnitude, bool negative)
{
    const char* digits = conv.conversion == u'X' || conv.conversion == u'p' ? "0123456789ABCDEF" : "0123456789abcdef";
    unsigned base = conv.conversion == u'o' ? 8 : (conv.conversion == u'x' || conv.conversion == u'X' || conv.conversion == u'p') ? 16 : 10;
    char16_t body[24];
    size_t length = 0;
    for (uint64_t v = magnitude; v != 0; v /= base)
        body[sizeof body / sizeof body[0] - 1 - length++] = digits[v % base];
    const char16_t* start = body + sizeof body / sizeof body[0] - length;

    char16_t prefix[2];
    size_t prefix_length = 0;
    if (negative) prefix[prefix_length++] = u'-';
    else if (conv.plus && is_signed(conv.conversion)) prefix[prefix_length++] = u'+';
    else if (conv.space && is_signed(conv.conversion)) prefix[prefix_length++] = u' ';
    else if (conv.alt && magnitude != 0 && (conv.conversion == u'x' || conv.conversion == u'X')) {
        prefix[prefix_length++] = u'0';
        prefix[prefix_length++] = conv.conversion;
    }
    size_t minimum = conv.precision >= 0 ? static_cast<size_t>(conv.precision) : 1;
    if (conv.alt && conv.conversion == u'o' && minimum <= length)
        minimum = length + 1;  // octal's '#' guarantees one leading zero
    if (conv.precision >= 0)
        conv.zero = false;  // a precision turns off zero filling, as in C
    emit_padded(sink, conv, prefix, prefix_length, minimum > length ? minimum - length : 0, start, length);
}

void format_text(Sink& sink, const Conversion& conv, const void* text, bool narrow)
{
    static const char16_t kNull[] = u"(null)";
    if (!text) {
        text = kNull;
        narrow = false;
    }
    size_t limit = conv.precision >= 0 ? static_cast<size_t>(conv.precision) : SIZE_MAX;
    size_t length = 0;
    if (narrow) {
        const unsigned char* bytes = static_cast<const unsigned char*>(text);
        while (length < limit && bytes[length])
            ++length;
    } else {
        const WCHAR* units = static_cast<const WCHAR*>(text);
        while (length < limit && units[length])
            ++length;
    }
    size_t fill = conv.width > 0 && static_cast<size_t>(conv.width) > length ? conv.width - length : 0;
    if (!conv.left)
        sink.pad(conv.zero ? u'0' : u' ', fill);
    for (size_t i = 0; i < length; ++i)
        sink.put(narrow ? cp1252_to_utf16(static_cast<const unsigned char*>(text)[i]) : static_cast<const WCHAR*>(text)[i]);
    if (conv.left)
        sink.pad(u' ', fill);
}

std::string quote(const WCHAR* from, const WCHAR* to)
{
    std::string text = "\"";
    for (const WCHAR* p = from; p < to; ++p)
        text += *p >= 0x20 && *p < 0x7F ? static_cast<char>(*p) : '?';
    return text + "\"";
}

// Formats into the sink; reports misuse under the API's name.
void format(const char* api, Sink& sink, const WCHAR* format, va_list* args)
{
    for (const WCHAR* p = format; *p;) {
        if (*p != u'%') {
            sink.put(*p++);
            continue;
        }
        const WCHAR* start = p++;
        Conversion conv;
        if (!parse_conversion(p, conv)) {
            sim::report_violation(api, "unknown conversion " + quote(start, p));
            for (const WCHAR* q = start; q < p; ++q)
                sink.put(*q);
            continue;
        }
        if (conv.width_star) {
            conv.width = va_arg(*args, int);
            if (conv.width < 0) {
                conv.left = true;
                conv.width = conv.width == INT_MIN ? INT_MAX : -conv.width;
            }
        }
        if (conv.precision_star) {
            conv.precision = va_arg(*args, int);
            if (conv.precision < 0)
                conv.precision = -1;
        }
        bool negative = false;
        switch (conv.conversion) {
        case u'%':
            sink.put(u'%');
            break;
        case u'n':
            (void)va_arg(*args, void*);
            sim::report_violation(api, "%n is never honoured");
            break;
        case u'p':
            conv.precision = static_cast<int>(2 * sizeof(void*));
            format_integer(sink, conv, reinterpret_cast<uintptr_t>(va_arg(*args, void*)), false);
            break;
        case u'c':
        case u'C': {
            bool narrow = conv.size == Size::Short || (conv.conversion == u'C' && conv.size == Size::Default);
            int raw = va_arg(*args, int);
            char16_t unit = narrow ? cp1252_to_utf16(static_cast<unsigned char>(raw)) : static_cast<char16_t>(raw);
            Conversion plain = conv;
            plain.precision = -1;
            emit_padded(sink, plain, nullptr, 0, 0, &unit, 1);
            break;
        }
        case u's':
        case u'S': {
            bool narrow = conv.size == Size::Short || (conv.conversion == u'S' && conv.size == Size::Default);
            format_text(sink, conv, va_arg(*args, const void*), narrow);
            break;
        }
        default:
            uint64_t magnitude = read_integer(conv, args, negative);
            format_integer(sink, conv, magnitude, negative);
            break;
        }
    }
}

}  // namespace
}  // namespace sim::kernel

using namespace sim::kernel;

// _vsnwprintf (coredll): at most count units; terminated only when the text is shorter
// than count; -1 when it had to be cut. A null buffer with count 0 asks for the length.
int _vsnwprintf(WCHAR* out, size_t count, const WCHAR* format, va_list args)
{
    if (!format || (!out && count != 0)) {
        sim::report_violation("_vsnwprintf", "null format or buffer");
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Sink sink{out, count};
    va_list copy;
    va_copy(copy, args);
    sim::kernel::format("_vsnwprintf", sink, format, &copy);
    va_end(copy);
    if (!out)
        return sink.total > INT_MAX ? -1 : static_cast<int>(sink.total);
    if (sink.total < count) {
        out[sink.total] = 0;
        return static_cast<int>(sink.total);
    }
    return sink.total == count && count <= INT_MAX ? static_cast<int>(count) : -1;
}

// _snwprintf (coredll)
int _snwprintf(WCHAR* out, size_t count, const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = _vsnwprintf(out, count, format, args);
    va_end(args);
    return result;
}

// wvsprintfW (coredll): output cut to 1023 units plus the terminator, as Win32's; the
// result is the number of units stored.
int WINAPI wvsprintfW(LPWSTR out, LPCWSTR format, va_list args)
{
    if (!format || !out) {
        sim::report_violation("wvsprintfW", "null format or buffer");
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Sink sink{out, kWsprintfLimit - 1};
    va_list copy;
    va_copy(copy, args);
    sim::kernel::format("wsprintfW", sink, format, &copy);
    va_end(copy);
    size_t stored = sink.total < sink.capacity ? sink.total : sink.capacity;
    out[stored] = 0;
    return static_cast<int>(stored);
}

// wsprintfW (coredll)
int WINAPI wsprintfW(LPWSTR out, LPCWSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int result = wvsprintfW(out, format, args);
    va_end(args);
    return result;
}

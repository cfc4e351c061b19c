// SPDX-License-Identifier: MIT
// The wide printf family: conversions, flags, sizes, buffer limits and refused directives.
#include <climits>
#include <string>

#include "platform/win32.h"
#include "support/SimFixture.h"

namespace {

using FormatTest = SimFixture;

std::u16string Fmt(const WCHAR* format, ...)
{
    WCHAR buffer[2048];
    va_list args;
    va_start(args, format);
    int length = _vsnwprintf(buffer, 2048, format, args);
    va_end(args);
    return length < 0 ? u"<cut>" : std::u16string(buffer, length);
}

struct Case {
    const char* what;
    const char16_t* expected;
    std::u16string actual;
};

void CheckAll(const Case* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(cases[i].actual, std::u16string(cases[i].expected));
    }
}

TEST_F(FormatTest, Integers)
{
    const Case cases[] = {
        {"zero", u"0", Fmt(u"%d", 0)},
        {"negative", u"-5", Fmt(u"%i", -5)},
        {"smallest int", u"-2147483648", Fmt(u"%d", INT_MIN)},
        {"unsigned wraps", u"4294967295", Fmt(u"%u", -1)},
        {"hex", u"ff FF", Fmt(u"%x %X", 255, 255)},
        {"octal", u"10", Fmt(u"%o", 8)},
        {"alternate hex", u"0xff 0XFF", Fmt(u"%#x %#X", 255, 255)},
        {"alternate hex of zero", u"0", Fmt(u"%#x", 0)},
        {"alternate octal", u"010 0", Fmt(u"%#o %#o", 8, 0)},
        {"width", u"   42", Fmt(u"%5d", 42)},
        {"left", u"42   |", Fmt(u"%-5d|", 42)},
        {"zero fill after sign", u"-0042", Fmt(u"%05d", -42)},
        {"zero fill after prefix", u"0x00ff", Fmt(u"%#06x", 255)},
        {"plus and space", u"+5  5 -5", Fmt(u"%+d % d %+d", 5, 5, -5)},
        {"plus ignored when unsigned", u"5", Fmt(u"%+u", 5)},
        {"precision", u"007", Fmt(u"%.3d", 7)},
        {"precision zero of zero", u"[]", Fmt(u"[%.0d]", 0)},
        {"precision disables zero fill", u"     007", Fmt(u"%08.3d", 7)},
        {"star width", u"   42", Fmt(u"%*d", 5, 42)},
        {"negative star width", u"42   |", Fmt(u"%*d|", -5, 42)},
        {"star precision", u"007", Fmt(u"%.*d", 3, 7)},
        {"long is 32 bits", u"-1 4294967295", Fmt(u"%ld %lu", (LONG)-1, (DWORD)0xFFFFFFFF)},
        {"64 bits", u"-1 1099511627776", Fmt(u"%I64d %lld", -1LL, 1LL << 40)},
        {"64-bit hex", u"123456789abc", Fmt(u"%I64x", 0x123456789abcULL)},
        {"short", u"-1 1", Fmt(u"%hd %hu", 65535, 65537)},
        {"pointer-sized", u"18446744073709551615", Fmt(u"%Iu", SIZE_MAX)},
        {"fixed 32", u"7", Fmt(u"%I32d", 7)},
        {"pointer", u"0000000000001234", Fmt(u"%p", reinterpret_cast<void*>(0x1234))},
        {"percent", u"100%", Fmt(u"100%%")},
        {"address line", u"IP: 10.0.0.255", Fmt(u"%s: %u.%u.%u.%u", u"IP", 10, 0, 0, 255)},
    };
    CheckAll(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(FormatTest, TextAndCharacters)
{
    const WCHAR unterminated[3] = {u'x', u'y', u'z'};
    const Case cases[] = {
        {"wide %s", u"wide", Fmt(u"%s", u"wide")},
        {"wide %ls %ws", u"a b", Fmt(u"%ls %ws", u"a", u"b")},
        {"narrow %hs %S", u"n m", Fmt(u"%hs %S", "n", "m")},
        {"wide %lS", u"w", Fmt(u"%lS", u"w")},
        {"narrow is Windows-1252", u"\u20AC\u00E9", Fmt(u"%hs", "\x80\xE9")},
        {"null string", u"(null)", Fmt(u"%s", static_cast<const WCHAR*>(nullptr))},
        {"null narrow string", u"(null)", Fmt(u"%hs", static_cast<const char*>(nullptr))},
        {"null string cut", u"(nu", Fmt(u"%.3s", static_cast<const WCHAR*>(nullptr))},
        {"width", u"   ab|ab   |", Fmt(u"%5s|%-5s|", u"ab", u"ab")},
        {"precision stops reading", u"xy", Fmt(u"%.2s", unterminated)},
        {"narrow precision", u"ab", Fmt(u"%.2hs", "abc")},
        {"star precision negative", u"abc", Fmt(u"%.*s", -1, u"abc")},
        {"wide char", u"Z\u20AC", Fmt(u"%c%lc", u'Z', 0x20AC)},
        {"narrow char", u"a\u20AC", Fmt(u"%C%hc", 'a', 0x80)},
        {"char width", u"  c", Fmt(u"%3c", u'c')},
        {"empty label value", u"Type: ()", Fmt(u"%s: (%s)", u"Type", u"")},
    };
    CheckAll(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(FormatTest, RefusedDirectivesConsumeNoExtraArguments)
{
    int written = 12345;
    EXPECT_EQ(Fmt(u"%d%n%d", 1, &written, 2), u"12");
    EXPECT_EQ(written, 12345);
    ExpectViolation("_vsnwprintf: %n is never honoured");

    struct Unknown {
        const char16_t* format;
        const char16_t* expected;
        const char* violation;
    } unknown[] = {
        {u"%f %d", u"%f 7", "unknown conversion \"%f\""},
        {u"%*.*f %d", u"%*.*f 7", "unknown conversion \"%*.*f\""},
        {u"%wd %d", u"%wd 7", "unknown conversion \"%wd\""},
        {u"%hp %d", u"%hp 7", "unknown conversion \"%hp\""},
        {u"%d %", u"7 %", "unknown conversion \"%\""},
    };
    for (const Unknown& u : unknown) {
        SCOPED_TRACE(std::string(u.violation));
        EXPECT_EQ(Fmt(u.format, 7, 8, 9), u.expected);
        ExpectViolation(u.violation);
    }
}

TEST_F(FormatTest, CountedOutputLengthRules)
{
    struct Limit {
        size_t count;
        int result;
        const char16_t* stored;
        bool terminated;
    } limits[] = {
        {10, 5, u"hello", true},   // shorter than count
        {5, 5, u"hello", false},   // exactly count: no terminator
        {3, -1, u"hel", false},    // longer: cut, no terminator
        {0, -1, u"", false},
    };
    for (const Limit& l : limits) {
        SCOPED_TRACE(l.count);
        WCHAR buffer[16];
        for (WCHAR& unit : buffer)
            unit = u'#';
        EXPECT_EQ(_snwprintf(buffer, l.count, u"%s", u"hello"), l.result);
        std::u16string stored(l.stored);
        EXPECT_EQ(std::u16string(buffer, stored.size()), stored);
        EXPECT_EQ(buffer[stored.size()], l.terminated ? u'\0' : u'#');
        EXPECT_EQ(buffer[l.count + 1], u'#') << "nothing written past count";
    }
    EXPECT_EQ(_snwprintf(nullptr, 0, u"%d-%s", 12, u"ab"), 5) << "length query";
}

TEST_F(FormatTest, WsprintfStopsAt1024UnitsWithTerminator)
{
    WCHAR buffer[1100];
    for (WCHAR& unit : buffer)
        unit = u'#';
    EXPECT_EQ(wsprintfW(buffer, u"%2000d", 1), 1023);
    EXPECT_EQ(buffer[1022], u' ');
    EXPECT_EQ(buffer[1023], u'\0');
    EXPECT_EQ(buffer[1024], u'#');

    EXPECT_EQ(wsprintfW(buffer, u"Active Connections: %u", 3u), 21);
    EXPECT_EQ(std::u16string(buffer), u"Active Connections: 3");
    EXPECT_EQ(wsprintfW(buffer, u"%s/%s", u"Cellular", static_cast<const WCHAR*>(nullptr)), 15);
    EXPECT_EQ(std::u16string(buffer), u"Cellular/(null)");

    wsprintfW(buffer, u"%q");
    ExpectViolation("wsprintfW: unknown conversion");
    EXPECT_EQ(wsprintfW(buffer, nullptr), -1);
    ExpectViolation("wvsprintfW: null format");
}

}  // namespace

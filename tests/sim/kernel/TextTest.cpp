// SPDX-License-Identifier: MIT
// Wide-string length and comparison, and multi-byte conversion.
#include <string>

#include "platform/win32.h"
#include "support/SimFixture.h"

namespace {

using TextTest = SimFixture;

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

TEST_F(TextTest, ComparisonFoldingAndOrder)
{
    struct Case {
        const char16_t* a;
        const char16_t* b;
        int wcsicmp, lstrcmpi, lstrcmp;  // signs
    } cases[] = {
        {u"Main", u"MAIN", 0, 0, -1},            // lower case sorts first
        {u"a", u"A", 0, 0, -1},
        {u"A", u"b", -1, -1, -1},                // case-insensitive before case
        {u"a_", u"aB", -1, -1, -1},              // runtime folds to lower case: '_' < 'b'
        {u"abc", u"abcd", -1, -1, -1},
        {u"\u00C4rger", u"\u00E4rger", -1, 0, 1},  // Latin-1 folds only linguistically
        {u"\u0416", u"\u0436", -1, -1, -1},      // other scripts by code unit
        {u"", u"", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::u16string(c.a) + u" / " + c.b));
        EXPECT_EQ(Sign(_wcsicmp(c.a, c.b)), c.wcsicmp);
        EXPECT_EQ(Sign(_wcsicmp(c.b, c.a)), -c.wcsicmp);
        EXPECT_EQ(lstrcmpiW(c.a, c.b), c.lstrcmpi);
        EXPECT_EQ(lstrcmpW(c.a, c.b), c.lstrcmp);
        EXPECT_EQ(lstrcmpW(c.b, c.a), -c.lstrcmp);
    }
    EXPECT_EQ(_wcsnicmp(u"ConnTypeX", u"CONNTYPEy", 8), 0);
    EXPECT_NE(_wcsnicmp(u"ConnTypeX", u"CONNTYPEy", 9), 0);
    EXPECT_EQ(_wcsnicmp(u"ab", u"AB", 100), 0) << "stops at the terminator";
}

TEST_F(TextTest, NullStrings)
{
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(u"four"), 4);
    EXPECT_EQ(lstrcmpW(nullptr, nullptr), 0);
    EXPECT_EQ(lstrcmpW(nullptr, u""), -1);
    EXPECT_EQ(lstrcmpiW(u"", nullptr), 1);
    EXPECT_EQ(_wcsnicmp(nullptr, nullptr, 0), 0) << "nothing to compare";

    EXPECT_EQ(_wcsicmp(nullptr, u"a"), 0x7FFFFFFF);
    ExpectViolation("_wcsicmp: null string");
    EXPECT_EQ(_wcsnicmp(u"a", nullptr, 1), 0x7FFFFFFF);
    ExpectViolation("_wcsnicmp: null string");
}

std::u16string Convert(UINT codePage, const std::string& bytes)
{
    WCHAR out[64];
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out, 64);
    return std::u16string(out, n > 0 ? n : 0);
}

TEST_F(TextTest, MultiByteDecoding)
{
    struct Case {
        const char* what;
        UINT codePage;
        std::string bytes;
        std::u16string expected;
    } cases[] = {
        {"ASCII", CP_ACP, "Main", u"Main"},
        {"1252 high controls", CP_ACP, "\x80\x8A\x9F", u"\u20AC\u0160\u0178"},
        {"1252 undefined bytes", CP_ACP, "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
        {"1252 Latin-1 half", CP_ACP, "\xA0\xE9\xFF", u"\u00A0\u00E9\u00FF"},
        {"UTF-8 two and three bytes", CP_UTF8, "\xC3\xA9\xE2\x82\xAC", u"\u00E9\u20AC"},
        {"UTF-8 four bytes", CP_UTF8, "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"overlong", CP_UTF8, "\xC0\x80", u"\uFFFD\uFFFD"},
        {"encoded surrogate", CP_UTF8, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", CP_UTF8, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"cut sequence", CP_UTF8, "\xE2\x82" "A\xE2\x82", u"\uFFFD" u"A\uFFFD"},
        {"stray continuation", CP_UTF8, "a\x80" "b", u"a\uFFFD" u"b"},
        {"embedded zero", CP_UTF8, std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Convert(c.codePage, c.bytes), c.expected);
    }
    WCHAR out[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abc", -1, out, 4), 4) << "terminator included";
    EXPECT_EQ(out[3], u'\0');
}

TEST_F(TextTest, MultiByteLengthRules)
{
    WCHAR out[8];
    for (WCHAR& unit : out)
        unit = u'#';
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "hello", -1, nullptr, 0), 6) << "size query";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0), 2);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "hello", 5, out, 5), 5) << "exact fit";
    EXPECT_EQ(out[5], u'#');

    struct Failure {
        const char* what;
        UINT codePage;
        DWORD flags;
        const char* text;
        int bytes;
        int outSize;
        DWORD error;
        const char* violation;  // null: a plain failure
    } failures[] = {
        {"too small", CP_ACP, 0, "hello", -1, 5, ERROR_INSUFFICIENT_BUFFER, nullptr},
        {"pair does not fit", CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, 1, ERROR_INSUFFICIENT_BUFFER, nullptr},
        {"no bytes", CP_ACP, 0, "x", 0, 8, ERROR_INVALID_PARAMETER, nullptr},
        {"null text", CP_ACP, 0, nullptr, 3, 8, ERROR_INVALID_PARAMETER, "null text"},
        {"negative size", CP_ACP, 0, "x", -2, 8, ERROR_INVALID_PARAMETER, "negative size"},
        {"other code page", 437, 0, "x", 1, 8, ERROR_INVALID_PARAMETER, "unsupported code page 437"},
        {"flags with UTF-8", CP_UTF8, MB_PRECOMPOSED, "x", 1, 8, 1004, "unsupported flags 0x1"},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.what);
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(f.codePage, f.flags, f.text, f.bytes, out, f.outSize), 0);
        EXPECT_EQ(GetLastError(), f.error);
        if (f.violation)
            ExpectViolation(f.violation);
    }
}

}  // namespace

// SPDX-License-Identifier: MIT
// Tests of CSafeString: storage growth, pieces, trimming, numbers, formatting, failures.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "support/SafeObjArray.h"
#include "support/SafeString.h"
#include "support/SimFixture.h"

namespace {

class SafeStringTest : public SimFixture {};

std::u16string TextOf(const CSafeString& s)
{
    return s.GetBuffer() ? std::u16string(s.GetBuffer(), s.GetLength()) : u"(no storage)";
}

TEST_F(SafeStringTest, CapacityGrowsInStepsOf256Bytes)
{
    unsigned long before = sim::kernel::heap_allocation_count();
    CSafeString none(TEXT(""), -1);
    EXPECT_EQ(none.GetCapacity(), 0);
    EXPECT_EQ(none.Assign(nullptr, -1) | none.Assign(nullptr, 3) | none.Assign(TEXT("abc"), 0) |
                  none.Assign(TEXT(""), -1), 0u);
    EXPECT_EQ(none.Append(nullptr, -1) | none.Append(TEXT("abc"), 0), 0u);
    EXPECT_EQ(none.GetBuffer(), nullptr);
    EXPECT_EQ(sim::kernel::heap_allocation_count(), before);

    std::u16string text(127, u'x');
    size_t bytes = sim::kernel::heap_stats().live_bytes;
    CSafeString a(text.c_str(), 126), b(text.c_str(), 127), c(TEXT("x"), -1), d(TEXT("x"), -1);
    EXPECT_EQ(c.Append(text.c_str(), 126) | d.Append(text.c_str(), 127), 0u);
    EXPECT_EQ(a.GetCapacity(), 256);
    EXPECT_EQ(b.GetCapacity(), 512);
    EXPECT_EQ(c.GetCapacity(), 256);
    EXPECT_EQ(d.GetCapacity(), 512);
    EXPECT_EQ(sim::kernel::heap_stats().live_bytes - bytes, 2u * (257 + 513)) << "a byte past each capacity";

    CSafeString grown;
    for (int i = 1; i <= 128; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(grown.AppendChar(static_cast<WCHAR>(u'a' + i % 26)), 0u);
        EXPECT_EQ(grown.GetCapacity(), i < 128 ? 256 : 512);
        EXPECT_EQ(grown.GetLength(), i);
        EXPECT_EQ(grown.GetBuffer()[i], 0);
    }
    // Emptying keeps the storage for the next line.
    grown.Empty();
    EXPECT_EQ(grown.Append(TEXT("yz"), 1), 0u);
    EXPECT_EQ(grown.GetCapacity(), 512);
    EXPECT_EQ(TextOf(grown), u"y");
}

TEST_F(SafeStringTest, AssignMultiByteConvertsTheSystemCodePage)
{
    // Room is asked for one unit past the converted text and its terminator: 125 bytes
    // fit the first 256-byte step, 126 take the next.
    const std::string k125(125, 'm'), k126(126, 'm');
    const struct {
        const char* text;
        int bytes;
        const char16_t* expected;  // null: no storage
        int capacity;
    } cases[] = {
        {nullptr, -1, nullptr, 0},       {"abc", -1, u"abc", 256},
        {"abc\x80", 4, u"abc\u20ac", 256}, {"abcdef", 1, u"a", 256},
        {"", -1, u"", 256},              {k125.c_str(), -1, nullptr, 256},
        {k126.c_str(), -1, nullptr, 512}, {"abc", 0, u"", 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
        CSafeString s;
        EXPECT_EQ(s.AssignMultiByte(c.text, c.bytes), 0u);
        EXPECT_EQ(s.GetCapacity(), c.capacity);
        EXPECT_EQ(s.GetBuffer() ? s.GetBuffer()[s.GetLength()] : 0, 0);
        if (c.expected)
            EXPECT_EQ(TextOf(s), c.expected);
        else if (c.text)
            EXPECT_EQ(TextOf(s), std::u16string(strlen(c.text), u'm'));
        else
            EXPECT_EQ(s.GetBuffer(), nullptr);
    }
    // It replaces the text; a failed allocation leaves the string empty.
    CSafeString s(TEXT("longer text"), -1);
    EXPECT_EQ(s.AssignMultiByte("ab", -1), 0u);
    EXPECT_EQ(TextOf(s), u"ab");
    EXPECT_EQ(s.AssignMultiByte(nullptr, -1), 0u);
    EXPECT_EQ(TextOf(s), u"");
    CSafeString fresh(TEXT("old"), -1);
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(fresh.AssignMultiByte(std::string(200, 'm').c_str(), -1), 8u);
    sim::kernel::heap_fail_off();
    EXPECT_EQ(fresh.GetLength(), 0);
}

TEST_F(SafeStringTest, ReserveRefusesCapacitiesOfIntMaxBeforeAskingTheHeap)
{
    // 1073741695 units need 2147483392 bytes, the largest capacity below INT_MAX: the heap
    // is asked (and refuses a block that large). From one unit more on, the capacity would
    // reach INT_MAX, and twice the count overflows an int at the top of the range.
    struct Case {
        int units;
        DWORD result;
        unsigned long attempts;
    };
    const Case kCases[] = {{1073741695, 8, 1}, {1073741696, 8, 0}, {INT_MAX - 1, 8, 0}, {INT_MAX, 8, 0},
                           {-1, 87, 0}, {INT_MIN, 87, 0}, {0, 0, 1}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.units);
        CSafeString s;
        unsigned long before = sim::kernel::heap_allocation_count();
        EXPECT_EQ(s.Reserve(c.units), c.result);
        EXPECT_EQ(sim::kernel::heap_allocation_count() - before, c.attempts);
        EXPECT_EQ(s.GetCapacity(), c.result ? 0 : 256);
    }
    // A block that already holds the count is kept without a new allocation.
    CSafeString held(TEXT("x"), -1);
    unsigned long before = sim::kernel::heap_allocation_count();
    EXPECT_EQ(held.Reserve(128), 0u);
    EXPECT_EQ(held.Reserve(129), 0u);
    EXPECT_EQ(held.GetCapacity(), 512);
    EXPECT_EQ(sim::kernel::heap_allocation_count() - before, 1u);
}

TEST_F(SafeStringTest, StorageDecidesEqualityWithEmptyText)
{
    CSafeString s;
    EXPECT_FALSE(s.Equals(TEXT(""), FALSE));
    EXPECT_FALSE(s.StartsWith(TEXT("x"), FALSE));
    EXPECT_EQ(s.GetAt(0), 0);
    s.Assign(TEXT("x"), -1);
    s.Assign(nullptr, -1);
    EXPECT_TRUE(s.Equals(TEXT(""), FALSE));
    s.Assign(TEXT("hello"), -1);
    EXPECT_FALSE(s.StartsWith(TEXT(""), FALSE) || s.StartsWith(nullptr, FALSE));
    const WCHAR at[] = {s.GetAt(-1), s.GetAt(0), s.GetAt(4), s.GetAt(5)};  // outside the text: 0
    EXPECT_EQ(std::u16string(at, 4), std::u16string(u"\0ho\0", 4));
    EXPECT_TRUE(s.StartsWith(TEXT("HE"), FALSE));
    EXPECT_FALSE(s.StartsWith(TEXT("hE"), TRUE));
    EXPECT_FALSE(s.StartsWith(TEXT("hello!"), FALSE));
    EXPECT_TRUE(s.Equals(TEXT("HELLO"), FALSE));
    EXPECT_FALSE(s.Equals(TEXT("hell"), TRUE));
    EXPECT_FALSE(s.Equals(nullptr, FALSE));
    EXPECT_TRUE(s.Equals(TEXT("hello"), TRUE));
    EXPECT_FALSE(s.Equals(TEXT("hellO"), TRUE)) << "the last unit differs";
    EXPECT_FALSE(s.Equals(TEXT("hello!"), TRUE));
    EXPECT_TRUE(s.StartsWith(TEXT("hello"), TRUE));
}

TEST_F(SafeStringTest, MidCutsPieces)
{
    const struct {
        int start, count;
        const char16_t* expected;  // null: an empty piece without storage
    } cases[] = {
        {2, -1, u"llo"}, {1, 100, u"ello"}, {0, 0, nullptr}, {5, -1, nullptr},
        {9, 1, nullptr}, {-1, 2, u"he"},   {0, -1, u"hello"}, {4, 1, u"o"},
    };
    CSafeString s(TEXT("hello"), -1);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Mid(" << c.start << ", " << c.count << ")");
        CSafeString* piece = s.Mid(c.start, c.count);
        ASSERT_NE(piece, nullptr);
        if (c.expected)
            EXPECT_EQ(TextOf(*piece), c.expected);
        else
            EXPECT_EQ(piece->GetBuffer(), nullptr);
        delete piece;
    }
}

TEST_F(SafeStringTest, TrimRemovesSpacesAndTabsOnly)
{
    const struct {
        const char16_t* text;
        const char16_t* expected;
    } cases[] = {
        {u" \t a b \t ", u"a b"}, {u" \t \t", u""}, {u"x", u"x"},
        {u"\tx\r", u"x\r"},       {u"  y", u"y"},   {u"z  ", u"z"},  {u"\t", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
        CSafeString s(c.text, -1);
        int capacity = s.GetCapacity();
        s.Trim();
        EXPECT_EQ(TextOf(s), c.expected);
        EXPECT_EQ(s.GetCapacity(), capacity);
    }
    CSafeString none;
    none.Trim();
    EXPECT_EQ(none.GetBuffer(), nullptr);
    std::u16string filled = u"  " + std::u16string(124, u'z');  // fills the first block
    none.Assign(filled.c_str(), -1);
    none.Trim();
    EXPECT_EQ(TextOf(none), filled.substr(2));
    none.Empty();
    none.Trim();
    EXPECT_EQ(TextOf(none), u"");
}

TEST_F(SafeStringTest, ToNumberAcceptsDigitsOnly)
{
    const struct {
        const char16_t* text;
        DWORD error;
        int value;
    } cases[] = {
        {u"123", 0, 123}, {u"007", 0, 7},  {u"12a", 13, 0}, {u"-5", 13, 0},
        {u" 5", 13, 0},   {u"5 ", 13, 0},  {u"4294967297", 0, 1}, {u"4294967295", 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
        CSafeString s(c.text, -1);
        int value = 99;
        EXPECT_EQ(s.ToNumber(&value), c.error);
        EXPECT_EQ(value, c.value);
    }
    CSafeString none;
    int untouched = 42;
    EXPECT_EQ(none.ToNumber(&untouched), 87u);
    EXPECT_EQ(untouched, 42);
    CSafeString emptied(TEXT("1"), -1);
    emptied.Empty();
    EXPECT_EQ(emptied.ToNumber(&untouched), 0u);
    EXPECT_EQ(untouched, 0);
    // A number ends at a 0 unit even inside the given length.
    const WCHAR embedded[] = {'4', '2', 0, '9'};
    EXPECT_EQ(CSafeString::ParseNumber(embedded, 4, &untouched), 0u);
    EXPECT_EQ(untouched, 42);
    EXPECT_EQ(CSafeString::ParseNumber(embedded, 1, &untouched), 0u);
    EXPECT_EQ(untouched, 4);
    EXPECT_EQ(CSafeString::ParseNumber(TEXT("908"), -1, &untouched), 0u);
    EXPECT_EQ(untouched, 908);
    EXPECT_EQ(CSafeString::ParseNumber(TEXT("1"), -1, nullptr), 87u);
}

std::u16string Pieces(CSafeObjArray* array)
{
    std::u16string joined;
    CSafeObjArray owner(FALSE, TRUE);  // the pieces are the caller's: they outlive the array
    for (int i = 0; i < array->GetCount(); ++i) {
        joined += TextOf(*static_cast<CSafeString*>(array->GetAt(i))) + u"|";
        owner.Add(array->GetAt(i));
    }
    delete array;
    return joined;
}

TEST_F(SafeStringTest, SplitDropsEmptyPieces)
{
    CSafeString s(TEXT("a,,b,"), -1);
    EXPECT_EQ(Pieces(s.Split(TEXT(","))), u"a|b|");
    CSafeString words(TEXT(" \"x  y "), -1);  // Split leaves quotes alone
    EXPECT_EQ(Pieces(words.Split(nullptr)), u"\"x|y|");
    EXPECT_EQ(Pieces(words.Split(TEXT(""))), u" \"x  y |");
    EXPECT_EQ(Pieces(CSafeString::SplitText(TEXT("one \"two three\""), -1, nullptr, TRUE)),
              u"one|\"two three\"|");
    // Any negative length is the whole text; an empty one gives no piece, or one empty whole.
    EXPECT_EQ(Pieces(CSafeString::SplitText(TEXT("a b"), -2, TEXT(""), FALSE)), u"a b|");
    EXPECT_EQ(Pieces(CSafeString::SplitText(TEXT("a b"), 0, TEXT(""), FALSE)), u"(no storage)|");
    EXPECT_EQ(Pieces(CSafeString::SplitText(TEXT("a b"), 0, nullptr, FALSE)), u"");
    EXPECT_EQ(CSafeString::SplitText(nullptr, 3, nullptr, FALSE), nullptr);
    CSafeString none;
    EXPECT_EQ(none.Split(TEXT(",")), nullptr);
}

TEST_F(SafeStringTest, AppendFormatRetriesWithLargerBuffers)
{
    // Formatting allocates its buffer, the string its storage: one extra per retry.
    for (auto [width, allocations] : {std::pair<int, unsigned long>{510, 2}, {511, 3}, {32766, 128}}) {
        SCOPED_TRACE(width);
        unsigned long before = sim::kernel::heap_stats().allocations;
        CSafeString s;
        ASSERT_EQ(s.AppendFormat(TEXT("%*s"), width, TEXT("")), 0u);
        EXPECT_EQ(s.GetLength(), width);
        EXPECT_EQ(sim::kernel::heap_stats().allocations - before, allocations);
    }
    CSafeString s(TEXT("n="), -1);
    ASSERT_EQ(s.AppendFormat(TEXT("%s%04X"), TEXT("x"), 0x40au) | s.AppendFormat(TEXT("")), 0u);
    EXPECT_EQ(TextOf(s), u"n=x040A");
    EXPECT_EQ(s.AppendFormat(nullptr), 87u);
    // Growth is bounded: text that never fits ends the retries with an error.
    EXPECT_EQ(s.AppendFormat(TEXT("%*s"), 32767, TEXT("")), 87u);
    EXPECT_EQ(TextOf(s), u"n=x040A");
}

TEST_F(SafeStringTest, CopyToCutsAndTerminates)
{
    WCHAR out[8] = {u'#', u'#', u'#', u'#', u'#', u'#'};
    CSafeString s(TEXT("hello"), -1);
    EXPECT_EQ(s.CopyTo(out, 5), 0u);
    EXPECT_EQ(std::u16string(out, 6), std::u16string(u"hell\0#", 6));
    EXPECT_EQ(s.CopyTo(out, 0) | s.CopyTo(nullptr, 8), 0u);
    EXPECT_EQ(out[0], u'h');
    EXPECT_EQ(s.CopyTo(out, 1), 0u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(s.CopyTo(out, 6), 0u);
    EXPECT_EQ(std::u16string(out), u"hello");
    CSafeString none;
    EXPECT_EQ(none.CopyTo(out, 8), 0u);
    EXPECT_EQ(out[0], 0);
}

TEST_F(SafeStringTest, AllocationFailureLeavesTextIntactOrEmpty)
{
    CSafeString s(TEXT("old"), -1);
    std::u16string longer(200, u'y');
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(s.Append(longer.c_str(), -1), 8u);
    EXPECT_EQ(TextOf(s), u"old");
    // A length past what an int can add is refused before the heap is asked.
    EXPECT_EQ(s.Append(TEXT("y"), INT_MAX - 3), 8u);
    EXPECT_EQ(TextOf(s), u"old");
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(s.AppendChar(u'!'), 0u) << "the block has room: no allocation";
    EXPECT_EQ(TextOf(s), u"old!");
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(s.Assign(longer.c_str(), -1), 8u);
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.Assign(TEXT("y"), INT_MAX), 8u);

    // Mid hands out no piece rather than one that silently lost its text; AppendFormat
    // fails for its own buffer and for the string's storage alike.
    s.Assign(TEXT("hello"), -1);
    for (unsigned long n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        sim::kernel::heap_fail_nth(n);
        EXPECT_EQ(s.Mid(1, 3), nullptr);
        sim::kernel::heap_fail_nth(n);
        EXPECT_EQ(s.AppendFormat(TEXT("%s"), longer.c_str()), 8u);
    }
    sim::kernel::heap_fail_off();
    EXPECT_EQ(TextOf(s), u"hello");

    // Split either succeeds whole or gives nothing, at every failing allocation.
    for (const auto& [separators, whole] : {std::pair<const WCHAR*, const char16_t*>{nullptr, u"a|b|c|"},
                                           {TEXT(""), u"a b c|"}}) {
        for (unsigned long n = 1;; ++n) {
            SCOPED_TRACE(testing::Message() << "allocation " << n << ", " << (separators ? "no" : "default")
                                            << " separators");
            unsigned long before = sim::kernel::heap_allocation_count();
            sim::kernel::heap_fail_nth(n);
            CSafeObjArray* pieces = CSafeString::SplitText(TEXT("a b c"), -1, separators, FALSE);
            bool injected = sim::kernel::heap_allocation_count() - before >= n;
            sim::kernel::heap_fail_off();
            if (!injected) {
                EXPECT_EQ(Pieces(pieces), whole);
                break;
            }
            EXPECT_EQ(pieces, nullptr);
        }
    }
}

}  // namespace

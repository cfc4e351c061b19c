// SPDX-License-Identifier: MIT
// Tests of numbered lines, text lookup and the section lookup of the language table.
#include <gtest/gtest.h>

#include "intl/IntlEmptySection.h"
#include "intl/IntlEntry.h"
#include "intl/IntlSection.h"
#include "intl/IntlTable.h"
#include "support/SimFixture.h"
#include "unit/intl/LanguageFiles.h"

namespace {

class IntlSectionTest : public SimFixture {};

TEST_F(IntlSectionTest, ParseLineAcceptsOnlyNumberEqualsText)
{
    const struct {
        const char16_t* line;
        DWORD result;
        const char16_t* entry;  // as "id=text|", empty when nothing is added
    } cases[] = {
        {u"5=Type", 0, u"5=Type|"},
        {u" 5 \t=  Type\t ", 0, u"5=Type|"},
        {u"7=a=b", 0, u"7=a=b|"},
        {u"007=x", 0, u"7=x|"},
        {u"6=", 0, u"6=(null)|"},
        {u"6= \t ", 0, u"6=(null)|"},
        {u"4294967297=wraps", 0, u"1=wraps|"},
        {u"=x", 87, u""},
        {u" =x", 87, u""},
        {u"+5=x", 87, u""},
        {u"-5=x", 87, u""},
        {u"5a=x", 87, u""},
        {u"5 5=x", 87, u""},
        {u"no equals", 87, u""},
        {u"12", 87, u""},
        {u"", 87, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line #" << (&c - cases));
        CIntlSection section;
        EXPECT_EQ(section.ParseLine(c.line), c.result);
        EXPECT_EQ(Dump(section), c.entry);
    }
    CIntlSection section;
    EXPECT_EQ(section.ParseLine(nullptr), 87u);
    // The line ends at its first 0 unit.
    const WCHAR embedded[] = {'3', '=', 'a', 0, 'b', 0};
    EXPECT_EQ(section.ParseLine(embedded), 0u);
    EXPECT_EQ(std::u16string(section.GetText(3, TEXT("default"))), u"a");
    // A null slot, which only the array's own Add can make, is passed over.
    ASSERT_EQ(section.Add(static_cast<CSafeString*>(nullptr)), 0u);
    EXPECT_EQ(std::u16string(section.GetText(4, TEXT("default"))), u"default");
}

TEST_F(IntlSectionTest, FindSectionMatchesWholeNamesRegardlessOfCase)
{
    TempFolder folder;
    folder.WriteLanguage("names.intl", "[main]\n1=[first]\n[Main]\n1=second\n2=only second\n[Mainly]\n[]\n1=nameless");
    CIntlTable table;
    ASSERT_EQ(table.LoadFile(folder.WidePathOf("names.intl").c_str()), 0u);
    ASSERT_EQ(table.GetSectionCount(), 4);
    const WCHAR* fallback = TEXT("fallback");

    CIntlSection* main = table.FindSection(TEXT("MAIN"));
    EXPECT_EQ(main, table.GetSection(0));
    EXPECT_EQ(std::u16string(main->GetText(1, fallback)), u"[first]") << "a text in brackets is no section";
    EXPECT_EQ(main->GetText(2, fallback), fallback);
    EXPECT_EQ(table.FindSection(TEXT("Mainly")), table.GetSection(2));

    // Neither a prefix nor the nameless section is ever found; the last error stays.
    SetLastError(1234);
    EXPECT_EQ(table.FindSection(TEXT("Mai")), CIntlEmptySection::Get());
    EXPECT_EQ(table.FindSection(TEXT("")), CIntlEmptySection::Get());
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(table.FindSection(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), 87u);
    // The empty section answers with the very default pointer, even for defined numbers.
    EXPECT_EQ(CIntlEmptySection::Get()->GetText(1, fallback), fallback);
}

TEST_F(IntlSectionTest, DestroyingThroughEitherBaseDestroysTheSection)
{
    size_t blocks = sim::kernel::heap_stats().live_blocks;
    CIntlSection* viaName = new (std::nothrow) CIntlSection();
    CIntlSection* viaEntries = new (std::nothrow) CIntlSection();
    for (CIntlSection* section : {viaName, viaEntries}) {
        ASSERT_EQ(section->Assign(TEXT("Main"), -1), 0u);
        ASSERT_EQ(section->ParseLine(TEXT("1=x")), 0u);
    }
    delete static_cast<CSafeString*>(viaName);
    delete static_cast<CSafeObjArray*>(viaEntries);
    EXPECT_EQ(sim::kernel::heap_stats().live_blocks, blocks);
}

}  // namespace

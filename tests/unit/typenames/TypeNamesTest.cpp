// SPDX-License-Identifier: MIT
// Tests of CTypeNames: default names, translated names, empty texts, long texts.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "connections/TypeNames.h"
#include "intl/IntlTable.h"
#include "support/SimFixture.h"
#include "support/TestFiles.h"

namespace {

class TypeNamesTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        table = new (std::nothrow) CIntlTable();
        ASSERT_NE(table, nullptr);
    }

    void TearDown() override
    {
        delete table;
        SimFixture::TearDown();
    }

    // Attaches to a table loaded from a "ConnType" section holding `lines`.
    void LoadTypes(const std::string& lines)
    {
        folder.WriteLanguage("types.intl", "[ConnType]\n" + lines);
        ASSERT_EQ(table->LoadFile(folder.WidePathOf("types.intl").c_str()), 0u);
        ASSERT_EQ(names.Attach(table), 0u);
    }

    std::u16string Name(DWORD type, DWORD subtype)
    {
        const WCHAR* name = names.GetName(type, subtype);
        return name ? std::u16string(name) : u"(null)";
    }

    TempFolder folder;
    CIntlTable* table = nullptr;
    CTypeNames names;
};

TEST_F(TypeNamesTest, DefaultNamesJoinTypeAndListedSubtype)
{
    const struct {
        DWORD type, subtype;
        const char16_t* expected;
    } cases[] = {
        {1, 2, u"Cellular/GPRS"},   {1, 10, u"Cellular/3G/HSDPA"}, {1, 11, u"Cellular"},
        {1, 0, u"Cellular"},        {2, 2, u"Network card/WiFi"},  {3, 1, u"Bluetooth"},
        {4, 1, u"Modem/CSD"},       {4, 2, u"Modem"},              {4, 3, u"Modem/Null Modem"},
        {4, 9, u"Modem/Dyn. Port"}, {5, 2, u"VPN/PPTP"},           {6, 5, u"Proxy/SOCKS5"},
        {7, 3, u"PC/Modem link"},   {7, 4, u"PC"},                 {0, 1, u"(Unknown)"},
        {8, 1, u"(Unknown)"},       {0xFFFFFFFF, 2, u"(Unknown)"},
    };
    // Never attached: the defaults of the empty section.
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << ", subtype " << c.subtype);
        EXPECT_EQ(Name(c.type, c.subtype), c.expected);
    }
    EXPECT_EQ(names.Attach(nullptr), 87u);
    EXPECT_EQ(Name(2, 1), u"Network card/Ethernet");
}

TEST_F(TypeNamesTest, EveryCodeReadsItsNumber)
{
    // Each type's number is 100 times the type, its listed subtypes follow it; the modem's
    // subtypes from 3 on take 402 on. Every number gets its own text here.
    const int kLastSubtype[] = {-1, 10, 2, 0, 9, 2, 5, 3};  // per type; 4 skips 2
    std::string lines;
    for (int n : {100, 200, 300, 400, 500, 600, 700, 800})
        for (int k = 0; k <= 10; ++k)
            lines += std::to_string(n + k) + "=#" + std::to_string(n + k) + "\n";
    LoadTypes(lines);
    for (DWORD type = 0; type <= 8; ++type) {
        for (DWORD subtype = 0; subtype <= 11; ++subtype) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", subtype " << subtype);
            std::string expected = "#800";
            if (type >= 1 && type <= 7) {
                expected = "#" + std::to_string(100 * type);
                bool listed = subtype >= 1 && static_cast<int>(subtype) <= kLastSubtype[type] &&
                              !(type == 4 && subtype == 2);
                if (listed)
                    expected += "/#" + std::to_string(100 * type + subtype - (type == 4 && subtype >= 3));
            }
            EXPECT_EQ(Name(type, subtype), Wide(expected));
        }
    }
}

TEST_F(TypeNamesTest, EmptyTextsFallBack)
{
    LoadTypes("100=\n202=\n800=Unbekannt");
    EXPECT_EQ(Name(1, 2), u"Unbekannt");  // no type text: the unknown text, whatever the subtype
    EXPECT_EQ(Name(2, 2), u"Network card");  // no subtype text: the type alone
    EXPECT_EQ(Name(9, 0), u"Unbekannt");

    CIntlTable silent;
    folder.WriteLanguage("silent.intl", "[ConnType]\n100=\n800=");
    ASSERT_EQ(silent.LoadFile(folder.WidePathOf("silent.intl").c_str()), 0u);
    CTypeNames quiet;
    quiet.Attach(&silent);
    EXPECT_EQ(quiet.GetName(1, 2), nullptr);
    EXPECT_EQ(quiet.GetName(0, 0), nullptr);
}

TEST_F(TypeNamesTest, CombinedTextsShareOneBufferCutToFit)
{
    const WCHAR* first = names.GetName(1, 2);
    const WCHAR* second = names.GetName(2, 1);
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::u16string(second), u"Network card/Ethernet");

    std::string longType(400, 'T');
    std::string longSubtype(400, 'S');
    LoadTypes("100=" + longType + "\n101=" + longSubtype);
    std::u16string joined = Name(1, 1);
    EXPECT_EQ(joined.size(), 511u);
    EXPECT_EQ(joined, Wide(longType + "/" + std::string(110, 'S')));
    // The section pointer behind the buffer survived: lookups still work.
    EXPECT_EQ(Name(2, 2), u"Network card/WiFi");
}

}  // namespace

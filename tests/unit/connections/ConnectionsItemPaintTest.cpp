// SPDX-License-Identifier: MIT
// CConnectionsItem: the header and detail lines it draws, their fonts, places and texts.
#include <gtest/gtest.h>

#include "unit/connections/ItemFixture.h"

namespace {

const GUID kNowhere = {0x0BADF00D, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

class ConnectionsPaint : public ItemFixture {
protected:
    // Makes the item, expands it, brings in the model and paints.
    std::vector<sim::gdi::GdiCall> Show(const cm::Model& model, bool expanded = true)
    {
        cm::set_model(model);
        Make(300);
        if (expanded)
            item->OnAction(0);
        item->OnQueryRefreshCache(&host->Record());
        return Paint();
    }

    static cm::Model TwoDescribed()
    {
        cm::Model model;
        model.destinations = {{cm::kDestInternet, u"The Internet"}, {cm::kDestWork, u"Work"}};
        model.connections = {
            Connected(u"GPRS line", {cm::Address::ipv4(10, 0, 0, 5), cm::Address::ipv4(192, 168, 1, 1)}),
            WithStatus(Connected(u"Dropped"), CONNMGR_STATUS_DISCONNECTED),
            Connected(u"Office", {cm::Address::ipv4(172, 16, 0, 9)}, CM_CONNTYPE_NIC, CM_CONNSUBTYPE_NIC_WIFI,
                      cm::kDestWork)};
        return model;
    }
};

}  // namespace

TEST_F(ConnectionsPaint, NoConnectionIsOneLineInTheNormalFont)
{
    std::vector<sim::gdi::GdiCall> drawn = Show(cm::Model{}, false);
    std::vector<sim::gdi::GdiCall> text = Only(drawn, "DrawTextW");
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].text, u"No active connections");
    EXPECT_EQ(text[0].format, 0u);
    EXPECT_EQ(text[0].font_height, -12);
    EXPECT_EQ(text[0].font_weight, 400);
    EXPECT_EQ(text[0].rect.left, 28);
    EXPECT_EQ(text[0].rect.top, 3);
    EXPECT_EQ(text[0].rect.right, 238);
    EXPECT_EQ(text[0].rect.bottom, 298);
    EXPECT_TRUE(Only(drawn, "DrawFrameControl").empty()) << "no toggle box";
    EXPECT_EQ(PolledHeight(), 20u);
}

TEST_F(ConnectionsPaint, ExpandedBlocksListEachConnectedConnection)
{
    std::vector<sim::gdi::GdiCall> text = Only(Show(TwoDescribed()), "DrawTextW");
    struct Line {
        const char16_t* text;
        LONG top, height, weight;
    };
    // Header, then per block: 3 down, bold description, three small lines, a quarter-line gap.
    const Line kLines[] = {{u"Active Connections: 2", 3, -12, 700},
                           {u"GPRS line", 18, -12, 700},
                           {u"IP Address: 10.0.0.5", 30, -10, 400},
                           {u"Type: Cellular/GPRS", 40, -10, 400},
                           {u"Connected to: The Internet", 50, -10, 400},
                           {u"Office", 66, -12, 700},
                           {u"IP Address: 172.16.0.9", 78, -10, 400},
                           {u"Type: Network card/WiFi", 88, -10, 400},
                           {u"Connected to: Work", 98, -10, 400}};
    ASSERT_EQ(text.size(), std::size(kLines));
    for (size_t i = 0; i < text.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(text[i].text, kLines[i].text);
        EXPECT_EQ(text[i].rect.top, kLines[i].top);
        EXPECT_EQ(text[i].rect.left, 28);
        EXPECT_EQ(text[i].font_height, kLines[i].height);
        EXPECT_EQ(text[i].font_weight, kLines[i].weight);
    }
    EXPECT_EQ(PolledHeight(), 112u);
}

TEST_F(ConnectionsPaint, MissingDetailsHaveTheirOwnLines)
{
    cm::Model model;
    std::array<uint8_t, 16> v6{};
    v6[0] = 0xFE, v6[1] = 0x80, v6[15] = 1;
    model.connections = {Connected(nullptr, {}, 9, 0, kNowhere),
                         Connected(u"Six", {cm::Address::ipv6(v6)}, CM_CONNTYPE_BLUETOOTH, 1)};
    std::vector<sim::gdi::GdiCall> text = Only(Show(model), "DrawTextW");
    const std::u16string kLines[] = {u"Active Connections: 2", u"IP Address: (none)", u"Type: (Unknown)",
                                     u"Connected to: (unknown)",
                                     // The first address is read as four bytes whatever its family.
                                     u"Six", u"IP Address: 0.0.0.0", u"Type: Bluetooth", u"Connected to: (unknown)"};
    ASSERT_EQ(text.size(), std::size(kLines));
    for (size_t i = 0; i < text.size(); ++i)
        EXPECT_EQ(text[i].text, kLines[i]) << i;
    EXPECT_EQ(text[1].rect.top, 18) << "without description the block starts with the address";
    EXPECT_EQ(text[4].rect.top, 18 + 30 + 3 + 3);
}

TEST_F(ConnectionsPaint, ShellFontSizeSetsTheFonts)
{
    struct Case {
        int size;  // 0: the shell writes nothing
        LONG normal, small, gap;
    };
    const Case kCases[] = {{0, 12, 10, 3}, {11, 11, 10, 2}, {9, 9, 10, 2}, {24, 24, 22, 6}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.size);
        if (c.size)
            sim::aygshell::set_font_size_pixels(c.size);
        sim::aygshell::set_writes_nothing(c.size == 0);
        std::vector<sim::gdi::GdiCall> text = Only(Show(TwoDescribed()), "DrawTextW");
        ASSERT_EQ(text.size(), 9u);
        EXPECT_EQ(text[0].font_height, -c.normal);
        EXPECT_EQ(text[1].font_height, -c.normal);
        EXPECT_EQ(text[2].font_height, -c.small);
        EXPECT_EQ(text[5].rect.top - text[4].rect.top, c.small + c.gap + 3);
        delete item;
        item = nullptr;
    }
}

TEST_F(ConnectionsPaint, HeaderFormatTakesTheCountAndNothingElse)
{
    struct Case {
        const char* format;
        const char16_t* shown;
    };
    const char16_t* kDefault = u"Active Connections: 2";
    const Case kCases[] = {
        {"Aktiv: %u", u"Aktiv: 2"},
        {"%-4u|", u"2   |"},
        {"%05d von 100%%", u"00002 von 100%"},
        {"%+.3i", u"+002"},
        {"%s", kDefault},
        {"%n%u", kDefault},
        {"%u and %u", kDefault},
        {"no count at all", kDefault},
        {"100%%", kDefault},
        {"%lu", kDefault},
        {"%I64u", kDefault},
        {"%*u", kDefault},
        {"%x", kDefault},
        {"%u%", kDefault},
        {"%", kDefault},
        // Long results are cut to the line, 63 characters and the terminator.
        {"%070u", u"000000000000000000000000000000000000000000000000000000000000000"},
        {"Verbindungen, die gerade aktiv sind und Daten übertragen können: %u",
         u"Verbindungen, die gerade aktiv sind und Daten übertragen können"},
    };
    cm::Model model;
    model.connections = {Connected(u"one"), Connected(u"two")};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.format);
        UseLanguage(std::string("[Main]\n2=") + c.format + "\n");
        std::vector<std::u16string> text = Texts(Show(model, false));
        ASSERT_EQ(text.size(), 1u);
        EXPECT_EQ(text[0], c.shown);
        EXPECT_LE(text[0].size(), 63u);
        delete item;
        item = nullptr;
        delete table;
        table = nullptr;
    }
}

TEST_F(ConnectionsPaint, LongLinesAreCutAndEmptyTextsShowTheDefaults)
{
    const std::string kLong(80, 'L');
    UseLanguage("[Main]\n1=\n2=\n3=" + kLong + "\n4=\n5=\n6=\n7=\n[ConnType]\n100=\n800=\n");
    cm::Model model;
    model.destinations = {{cm::kDestWork, std::u16string(127, u'W')}};
    model.connections = {Connected(u"one", {}, CM_CONNTYPE_CELLULAR, CM_CONNSUBTYPE_CELLULAR_GPRS, cm::kDestWork),
                         Connected(nullptr, {}, CM_CONNTYPE_NIC, 0, kNowhere)};
    std::vector<std::u16string> text = Texts(Show(model));
    const std::u16string kLabel(63, u'L');
    const std::u16string kLines[] = {u"Active Connections: 2", u"one", kLabel, u"Type: (Unknown)",
                                     u"Connected to: " + std::u16string(63 - 14, u'W'), kLabel,
                                     u"Type: Network card", u"Connected to: (unknown)"};
    ASSERT_EQ(text.size(), std::size(kLines));
    for (size_t i = 0; i < text.size(); ++i)
        EXPECT_EQ(text[i], kLines[i]) << i;

    cm::set_model(cm::Model{});
    item->OnQueryRefreshCache(&host->Record());
    text = Texts(Paint());
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0], u"No active connections");
}

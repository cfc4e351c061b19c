// SPDX-License-Identifier: MIT
// CConnectionsItem: the header and detail lines it draws, their fonts, places and texts.
#include <gtest/gtest.h>

#include "unit/connections/ItemFixture.h"

namespace {

const GUID kNowhere = {0x0BADF00D, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

class ConnectionsPaint : public ItemFixture {
protected:
    // Makes the item, expands it, brings in the model and paints into `log`.
    void Show(const cm::Model& model, bool expanded = true)
    {
        cm::set_model(model);
        Make(300);
        if (expanded)
            item->OnAction(0);
        item->OnQueryRefreshCache(&host->Record());
        Paint();
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

    // "text @top font/weight" for each line drawn, all of them starting at x = 28.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> out;
        for (const sim::gdi::GdiCall& call : log.Only("DrawTextW")) {
            EXPECT_EQ(call.rect.left, 28);
            out.push_back(std::string(call.text.begin(), call.text.end()) + " @" + std::to_string(call.rect.top) +
                          " " + std::to_string(call.font_height) + "/" + std::to_string(call.font_weight));
        }
        return out;
    }
};

}  // namespace

TEST_F(ConnectionsPaint, NoConnectionIsOneLineInTheNormalFont)
{
    host->SetColor(TODAYCOLOR_TEXT, RGB(1, 2, 3));
    Show(cm::Model{}, false);
    ASSERT_EQ(log.Only("DrawTextW").size(), 1u);
    EXPECT_EQ(log.Only("DrawTextW")[0].color, RGB(1, 2, 3)) << "the host's text colour";
    EXPECT_EQ(log.Only("DrawTextW")[0].bk_mode, TRANSPARENT);
    EXPECT_EQ(Lines(), std::vector<std::string>{"No active connections @3 -12/400"});
    EXPECT_EQ(Str(log.Only("DrawTextW")[0].rect), "28,3,238,298");
    EXPECT_EQ(log.Only("DrawTextW")[0].format, 0u);
    EXPECT_TRUE(log.Only("DrawFrameControl").empty()) << "no toggle box";
    EXPECT_EQ(PolledHeight(), 20u);
}

TEST_F(ConnectionsPaint, TheToggleBoxGoesWithTheLastConnection)
{
    Show(TwoDescribed(), false);
    ASSERT_EQ(log.Only("DrawFrameControl").size(), 1u);
    cm::set_model(cm::Model{});
    item->OnQueryRefreshCache(&host->Record());
    host->ClearRequests();
    // Where the box was, a tap now asks for the selection instead of expanding the item.
    item->OnLButtonDown(232, 6);
    ASSERT_EQ(host->Requests().size(), 1u);
    EXPECT_EQ(host->Requests()[0].msg, static_cast<UINT>(TODAYM_TOOKSELECTION));
}

TEST_F(ConnectionsPaint, ExpandedBlocksListEachConnectedConnection)
{
    Show(TwoDescribed());
    // Header, then per block: 3 down, bold description, three small lines, a quarter-line gap.
    const std::vector<std::string> kLines = {
        "Active Connections: 2 @3 -12/700",      "GPRS line @18 -12/700",
        "IP Address: 10.0.0.5 @30 -10/400",      "Type: Cellular/GPRS @40 -10/400",
        "Connected to: The Internet @50 -10/400", "Office @66 -12/700",
        "IP Address: 172.16.0.9 @78 -10/400",    "Type: Network card/WiFi @88 -10/400",
        "Connected to: Work @98 -10/400"};
    EXPECT_EQ(Lines(), kLines);
    EXPECT_EQ(PolledHeight(), 112u);
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
        Show(TwoDescribed());
        std::vector<sim::gdi::GdiCall> text = log.Only("DrawTextW");
        ASSERT_EQ(text.size(), 9u);
        EXPECT_EQ(text[0].font_height, -c.normal);
        EXPECT_EQ(text[1].font_height, -c.normal);
        EXPECT_EQ(text[2].font_height, -c.small);
        EXPECT_EQ(text[5].rect.top - text[4].rect.top, c.small + c.gap + 3);
        Forget();
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
        {"%9u|", u"        2|"},
        {"%.09u", u"000000002"},
        {"% #u", u"2"},
        {"%s", kDefault},
        {"%n%u", kDefault},
        {"%u and %u", kDefault},
        {"no count at all", kDefault},
        {"100%%", kDefault},
        {"%lu", kDefault},
        {"%I64u", kDefault},
        {"%*u", kDefault},
        {"%.*u", kDefault},
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
        Show(model, false);
        EXPECT_EQ(log.Texts(), std::vector<std::u16string>{c.shown});
        Forget();
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
    Show(model);
    const std::u16string kLabel(63, u'L');
    const std::vector<std::u16string> kLines = {u"Active Connections: 2", u"one", kLabel, u"Type: (Unknown)",
                                                u"Connected to: " + std::u16string(63 - 14, u'W'), kLabel,
                                                u"Type: Network card", u"Connected to: (unknown)"};
    EXPECT_EQ(log.Texts(), kLines);

    cm::set_model(cm::Model{});
    item->OnQueryRefreshCache(&host->Record());
    Paint();
    EXPECT_EQ(log.Texts(), std::vector<std::u16string>{u"No active connections"});
}

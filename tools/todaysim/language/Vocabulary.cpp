// SPDX-License-Identifier: MIT
// The plug-in's texts and connection type numbers, for the template and the check.
#include "tools/todaysim/language/Vocabulary.h"

namespace todaysim::vocabulary {

const char16_t kMain[] = u"Main";
const char16_t kConnType[] = u"ConnType";

const std::vector<Text>& texts()
{
    static const std::vector<Text> kTexts = {
        {kMain, 1, u"No active connections"},
        {kMain, 2, u"Active Connections: %u"},
        {kMain, 3, u"IP Address"},
        {kMain, 4, u"none"},
        {kMain, 5, u"Type"},
        {kMain, 6, u"Connected to"},
        {kMain, 7, u"unknown"},
        {kConnType, 100, u"Cellular"},
        {kConnType, 101, u"CSD"},
        {kConnType, 102, u"GPRS"},
        {kConnType, 103, u"1xRTT"},
        {kConnType, 104, u"1xEVDO"},
        {kConnType, 105, u"1xEVDV"},
        {kConnType, 106, u"EDGE"},
        {kConnType, 107, u"3G/UMTS"},
        {kConnType, 108, u"Voice"},
        {kConnType, 109, u"Voice/PTT"},
        {kConnType, 110, u"3G/HSDPA"},
        {kConnType, 200, u"Network card"},
        {kConnType, 201, u"Ethernet"},
        {kConnType, 202, u"WiFi"},
        {kConnType, 300, u"Bluetooth"},
        {kConnType, 400, u"Modem"},
        {kConnType, 401, u"CSD"},
        {kConnType, 402, u"Null Modem"},
        {kConnType, 403, u"Ext Modem"},
        {kConnType, 404, u"Int Modem"},
        {kConnType, 405, u"PCMCIA Modem"},
        {kConnType, 406, u"Infrared"},
        {kConnType, 407, u"Dynamic"},
        {kConnType, 408, u"Dyn. Port"},
        {kConnType, 500, u"VPN"},
        {kConnType, 501, u"L2TP"},
        {kConnType, 502, u"PPTP"},
        {kConnType, 600, u"Proxy"},
        {kConnType, 601, u"Direct"},
        {kConnType, 602, u"HTTP"},
        {kConnType, 603, u"WAP"},
        {kConnType, 604, u"SOCKS4"},
        {kConnType, 605, u"SOCKS5"},
        {kConnType, 700, u"PC"},
        {kConnType, 701, u"Passthrough"},
        {kConnType, 702, u"Infrared"},
        {kConnType, 703, u"Modem link"},
        {kConnType, 800, u"(Unknown)"},
    };
    return kTexts;
}

const Text* find(const std::u16string& section, int number)
{
    for (const Text& text : texts())
        if (text.number == number && section == text.section)
            return &text;
    return nullptr;
}

const std::vector<TypeRow>& type_rows()
{
    // The modem's subtypes skip 2: subtypes 3 to 9 take 402 to 408.
    static const std::vector<TypeRow> kRows = [] {
        std::vector<TypeRow> rows;
        const struct {
            uint32_t type;
            uint32_t subtypes;
        } kTypes[] = {{1, 10}, {2, 2}, {3, 0}, {4, 9}, {5, 2}, {6, 5}, {7, 3}};
        for (const auto& t : kTypes) {
            rows.push_back({t.type, 0, static_cast<int>(t.type) * 100});
            int number = static_cast<int>(t.type) * 100;
            for (uint32_t sub = 1; sub <= t.subtypes; ++sub)
                if (!(t.type == 4 && sub == 2))
                    rows.push_back({t.type, sub, ++number});
        }
        rows.push_back({kUnknownTypeCode, 0, kUnknownType});
        return rows;
    }();
    return kRows;
}

bool same_name(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return false;
    auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

}  // namespace todaysim::vocabulary

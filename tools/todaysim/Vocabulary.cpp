// SPDX-License-Identifier: MIT
// The plug-in's texts and connection type numbers, for the template and the check.
#include "tools/todaysim/Vocabulary.h"

namespace todaysim::vocabulary {

const char16_t kMain[] = u"Main";
const char16_t kConnType[] = u"ConnType";

const std::vector<Text>& texts()
{
    static const std::vector<Text> kTexts = {
        {kMain, 1, u"No active connections", "header while no connection is up"},
        {kMain, 2, u"Active Connections: %u", "header while connections are up; %u is their number"},
        {kMain, 3, u"IP Address", "label of the address line"},
        {kMain, 4, u"none", "in parentheses when a connection has no address"},
        {kMain, 5, u"Type", "label of the type line"},
        {kMain, 6, u"Connected to", "label of the destination line"},
        {kMain, 7, u"unknown", "in parentheses when the destination is unknown"},
        {kConnType, 100, u"Cellular", "type"},
        {kConnType, 101, u"CSD", "subtype"},
        {kConnType, 102, u"GPRS", "subtype"},
        {kConnType, 103, u"1xRTT", "subtype"},
        {kConnType, 104, u"1xEVDO", "subtype"},
        {kConnType, 105, u"1xEVDV", "subtype"},
        {kConnType, 106, u"EDGE", "subtype"},
        {kConnType, 107, u"3G/UMTS", "subtype"},
        {kConnType, 108, u"Voice", "subtype"},
        {kConnType, 109, u"Voice/PTT", "subtype"},
        {kConnType, 110, u"3G/HSDPA", "subtype"},
        {kConnType, 200, u"Network card", "type"},
        {kConnType, 201, u"Ethernet", "subtype"},
        {kConnType, 202, u"WiFi", "subtype"},
        {kConnType, 300, u"Bluetooth", "type"},
        {kConnType, 400, u"Modem", "type"},
        {kConnType, 401, u"CSD", "subtype"},
        {kConnType, 402, u"Null Modem", "subtype"},
        {kConnType, 403, u"Ext Modem", "subtype"},
        {kConnType, 404, u"Int Modem", "subtype"},
        {kConnType, 405, u"PCMCIA Modem", "subtype"},
        {kConnType, 406, u"Infrared", "subtype"},
        {kConnType, 407, u"Dynamic", "subtype"},
        {kConnType, 408, u"Dyn. Port", "subtype"},
        {kConnType, 500, u"VPN", "type"},
        {kConnType, 501, u"L2TP", "subtype"},
        {kConnType, 502, u"PPTP", "subtype"},
        {kConnType, 600, u"Proxy", "type"},
        {kConnType, 601, u"Direct", "subtype"},
        {kConnType, 602, u"HTTP", "subtype"},
        {kConnType, 603, u"WAP", "subtype"},
        {kConnType, 604, u"SOCKS4", "subtype"},
        {kConnType, 605, u"SOCKS5", "subtype"},
        {kConnType, 700, u"PC", "type"},
        {kConnType, 701, u"Passthrough", "subtype"},
        {kConnType, 702, u"Infrared", "subtype"},
        {kConnType, 703, u"Modem link", "subtype"},
        {kConnType, 800, u"(Unknown)", "any other type"},
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

// SPDX-License-Identifier: MIT
// The device the sweeps and the soak run on, and the texts the item must show for it.
#include "reliability/Story.h"

namespace reliability {
namespace cm = sim::cellcore;

namespace {

const GUID kOffice = {0x5A1ED0C3, 0x2B7C, 0x4E11, {0x9A, 0x3F, 0x10, 0x22, 0x33, 0x44, 0x55, 0x66}};
const std::u16string kFirst = u"Leitung A " + std::u16string(90, u'a');
const std::u16string kSecond = u"WLAN " + std::u16string(95, u'b');
const std::u16string kIdle = u"Modem " + std::u16string(94, u'c');

struct Words {
    std::u16string header, none, ip, noAddress, type, connectedTo, unknown, cellular, card, wifi;
};

const Words& WordsOf(Language language)
{
    static const Words english = {u"Active Connections: 3", u"No active connections", u"IP Address", u"none", u"Type",
                                  u"Connected to", u"unknown", u"Cellular", u"Network card", u"WiFi"};
    static const Words german = {u"Aktive Verbindungen: 3", u"Keine aktiven Verbindungen", u"IP-Adresse", u"keine",
                                 u"Typ", u"Verbunden mit", u"unbekannt", u"Mobilfunk", u"Netzwerkkarte", u"WLAN"};
    return language == Language::German ? german : english;
}

std::string Narrow(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

}  // namespace

cm::Model ThreeConnected()
{
    cm::Model model;
    model.destinations = {{cm::kDestInternet, u"Internet", false}, {kOffice, u"Office", true}};
    cm::Connection first;
    first.description = kFirst;
    first.type = CM_CONNTYPE_CELLULAR;
    first.subtype = CM_CONNSUBTYPE_CELLULAR_GPRS;
    first.status = CONNMGR_STATUS_CONNECTED;
    first.addresses = {cm::Address::ipv4(10, 0, 0, 5)};
    first.destination = cm::kDestInternet;
    cm::Connection second = first;
    second.description = kSecond;
    second.type = CM_CONNTYPE_NIC;
    second.subtype = 2;  // WiFi
    second.addresses = {cm::Address::ipv4(192, 168, 1, 20), cm::Address::ipv4(1, 1, 1, 1)};
    second.destination = kOffice;
    cm::Connection bare;
    bare.type = CM_CONNTYPE_BLUETOOTH;
    bare.subtype = 1;
    bare.status = CONNMGR_STATUS_CONNECTED;
    bare.destination = cm::kDestInternet;
    cm::Connection idle = first;
    idle.description = kIdle;
    idle.status = CONNMGR_STATUS_DISCONNECTED;
    model.connections = {first, idle, second, bare};
    return model;
}

std::u16string GermanFile()
{
    return u"[Main]\r\n1=Keine aktiven Verbindungen\r\n2=Aktive Verbindungen: %u\r\n3=IP-Adresse\r\n"
           u"4=keine\r\n5=Typ\r\n6=Verbunden mit\r\n7=unbekannt\r\n"
           u"[ConnType]\r\n100=Mobilfunk\r\n102=GPRS\r\n200=Netzwerkkarte\r\n202=WLAN\r\n";
}

std::vector<std::u16string> ExpandedTexts(Language language)
{
    const Words& w = WordsOf(language);
    return {w.header,
            kFirst,
            w.ip + u": 10.0.0.5",
            w.type + u": " + w.cellular + u"/GPRS",
            w.connectedTo + u": Internet",
            kSecond,
            w.ip + u": 192.168.1.20",
            w.type + u": " + w.card + u"/" + w.wifi,
            w.connectedTo + u": Office",
            w.ip + u": (" + w.noAddress + u")",
            w.type + u": Bluetooth",
            w.connectedTo + u": Internet"};
}

std::u16string NoConnectionText(Language language)
{
    return WordsOf(language).none;
}

Language LanguageOf(const std::vector<std::u16string>& texts)
{
    const Words& german = WordsOf(Language::German);
    if (!texts.empty() && (texts[0] == german.header || texts[0] == german.none))
        return Language::German;
    return Language::English;
}

::testing::AssertionResult ShowsThreeConnected(const std::vector<std::u16string>& texts, Language language,
                                               bool degraded)
{
    const Words& w = WordsOf(language);
    std::vector<std::u16string> expected = ExpandedTexts(language);
    bool matches = texts.size() == expected.size();
    for (size_t i = 0; matches && i < texts.size(); ++i) {
        bool unknownDestination = texts[i] == w.connectedTo + u": (" + w.unknown + u")" &&
                                  expected[i].rfind(w.connectedTo, 0) == 0;
        matches = texts[i] == expected[i] || (degraded && unknownDestination);
    }
    if (matches || (degraded && texts == std::vector<std::u16string>{w.none}))
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "painted:";
    for (const std::u16string& text : texts)
        failure << "\n  " << Narrow(text);
    failure << "\nexpected" << (degraded ? " (or a degraded form of)" : "") << ":";
    for (const std::u16string& text : expected)
        failure << "\n  " << Narrow(text);
    return failure;
}

}  // namespace reliability

// SPDX-License-Identifier: MIT
// The text forms a scenario uses for GUIDs, addresses, statuses and step names.
#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/connmgr.h"
#include "tools/todaysim/scenario/Scenario.h"

namespace todaysim {
namespace {

struct StatusName {
    uint32_t value;
    const char* name;
};

const StatusName kStatusNames[] = {
    {CONNMGR_STATUS_UNKNOWN, "unknown"},
    {CONNMGR_STATUS_CONNECTED, "connected"},
    {CONNMGR_STATUS_SUSPENDED, "suspended"},
    {CONNMGR_STATUS_DISCONNECTED, "disconnected"},
    {CONNMGR_STATUS_CONNECTIONFAILED, "connectionfailed"},
    {CONNMGR_STATUS_CONNECTIONCANCELED, "connectioncanceled"},
    {CONNMGR_STATUS_CONNECTIONDISABLED, "connectiondisabled"},
    {CONNMGR_STATUS_NOPATHTODESTINATION, "nopathtodestination"},
    {CONNMGR_STATUS_WAITINGFORPATH, "waitingforpath"},
    {CONNMGR_STATUS_WAITINGFORPHONE, "waitingforphone"},
    {CONNMGR_STATUS_PHONEOFF, "phoneoff"},
    {CONNMGR_STATUS_EXCLUSIVECONFLICT, "exclusiveconflict"},
    {CONNMGR_STATUS_NORESOURCES, "noresources"},
    {CONNMGR_STATUS_CONNECTIONLINKFAILED, "connectionlinkfailed"},
    {CONNMGR_STATUS_AUTHENTICATIONFAILED, "authenticationfailed"},
    {CONNMGR_STATUS_NOPATHWITHPROPERTY, "nopathwithproperty"},
    {CONNMGR_STATUS_WAITINGCONNECTION, "waitingconnection"},
    {CONNMGR_STATUS_WAITINGFORRESOURCE, "waitingforresource"},
    {CONNMGR_STATUS_WAITINGFORNETWORK, "waitingfornetwork"},
    {CONNMGR_STATUS_WAITINGDISCONNECTION, "waitingdisconnection"},
    {CONNMGR_STATUS_WAITINGCONNECTIONABORT, "waitingconnectionabort"},
};

// Connection types and their subtypes by the names of their constants, lower case without
// the prefix: CM_CONNTYPE_CELLULAR "cellular", CM_CONNSUBTYPE_CELLULAR_GPRS "gprs".
struct TypeNames {
    uint32_t type;
    const char* name;
    std::vector<const char*> subtypes;  // index: the subtype's number; 0 is "unknown" for all
};

const TypeNames kTypeNames[] = {
    {CM_CONNTYPE_UNKNOWN, "unknown", {"unknown"}},
    {CM_CONNTYPE_CELLULAR, "cellular",
     {"unknown", "csd", "gprs", "1xrtt", "1xevdo", "1xevdv", "edge", "umts", "voice", "ptt", "hsdpa"}},
    {CM_CONNTYPE_NIC, "nic", {"unknown", "ethernet", "wifi"}},
    {CM_CONNTYPE_BLUETOOTH, "bluetooth", {"unknown", "ras", "pan"}},
    {CM_CONNTYPE_UNIMODEM, "unimodem",
     {"unknown", "csd", "oob_csd", "null_modem", "external_modem", "internal_modem", "pcmcia_modem", "ircomm_modem",
      "dynamic_modem", "dynamic_port"}},
    {CM_CONNTYPE_VPN, "vpn", {"unknown", "l2tp", "pptp"}},
    {CM_CONNTYPE_PROXY, "proxy", {"unknown", "null", "http", "wap", "socks4", "socks5"}},
    {CM_CONNTYPE_PC, "pc", {"unknown", "desktoppassthrough", "ir", "modem_link"}},
};

const char* const kStepNames[] = {"poll", "tap", "action", "select", "deselect",
                                  "connections", "destinations", "query_fails",
                                  "enum_fails_at", "png", "gdi_fails_from", "heap_fails_from"};

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads `count` hex digits at text[pos]; false if any is not a digit.
bool read_hex(const std::string& text, size_t pos, size_t count, uint32_t& out)
{
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        int digit = hex_digit(text[pos + i]);
        if (digit < 0)
            return false;
        out = out * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

}  // namespace

const char* step_name(StepKind kind)
{
    return kStepNames[static_cast<int>(kind)];
}

bool parse_guid(const std::string& text, GUID& guid)
{
    // 8-4-4-4-12 hex digits, braces optional but balanced.
    std::string body = text;
    if (!body.empty() && body.front() == '{') {
        if (body.size() < 2 || body.back() != '}')
            return false;
        body = body.substr(1, body.size() - 2);
    }
    if (body.size() != 36 || body[8] != '-' || body[13] != '-' || body[18] != '-' || body[23] != '-')
        return false;
    uint32_t d1, d2, d3, d4a;
    if (!read_hex(body, 0, 8, d1) || !read_hex(body, 9, 4, d2) || !read_hex(body, 14, 4, d3) ||
        !read_hex(body, 19, 4, d4a))
        return false;
    guid.Data1 = d1;
    guid.Data2 = static_cast<WORD>(d2);
    guid.Data3 = static_cast<WORD>(d3);
    guid.Data4[0] = static_cast<BYTE>(d4a >> 8);
    guid.Data4[1] = static_cast<BYTE>(d4a);
    for (int i = 0; i < 6; ++i) {
        uint32_t byte;
        if (!read_hex(body, 24 + 2 * i, 2, byte))
            return false;
        guid.Data4[2 + i] = static_cast<BYTE>(byte);
    }
    return true;
}

std::string format_guid(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

bool parse_address(const std::string& text, Address& address)
{
    Address parsed;
    if (inet_pton(AF_INET, text.c_str(), parsed.bytes.data()) == 1) {
        parsed.ipv6 = false;
    } else if (inet_pton(AF_INET6, text.c_str(), parsed.bytes.data()) == 1) {
        parsed.ipv6 = true;
    } else {
        return false;
    }
    address = parsed;
    return true;
}

std::string status_name(uint32_t status)
{
    for (const StatusName& entry : kStatusNames)
        if (entry.value == status)
            return entry.name;
    return std::string();
}

bool parse_status_name(const std::string& name, uint32_t& status)
{
    for (const StatusName& entry : kStatusNames) {
        if (name == entry.name) {
            status = entry.value;
            return true;
        }
    }
    return false;
}

bool parse_type_name(const std::string& name, uint32_t& type)
{
    for (const TypeNames& entry : kTypeNames) {
        if (name == entry.name) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

bool parse_subtype_name(uint32_t type, const std::string& name, uint32_t& subtype)
{
    for (const TypeNames& entry : kTypeNames)
        for (size_t i = 0; entry.type == type && i < entry.subtypes.size(); ++i)
            if (name == entry.subtypes[i]) {
                subtype = static_cast<uint32_t>(i);
                return true;
            }
    return false;
}

std::string subtype_names(uint32_t type)
{
    std::string names;
    for (const TypeNames& entry : kTypeNames)
        for (size_t i = 0; entry.type == type && i < entry.subtypes.size(); ++i)
            names += (names.empty() ? "\"" : ", \"") + std::string(entry.subtypes[i]) + "\"";
    return names;
}

}  // namespace todaysim

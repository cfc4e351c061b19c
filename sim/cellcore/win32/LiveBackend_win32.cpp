// SPDX-License-Identifier: MIT
// The live backend on Win32: this machine's network adapters, from GetAdaptersAddresses.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <cstring>
#include <vector>

#include "sim/cellcore/Backend.h"

namespace sim::cellcore {
namespace {

// Interface types from ipifcons.h; the WWAN ones are missing from older headers.
constexpr IFTYPE kIfWwanPp = 243;
constexpr IFTYPE kIfWwanPp2 = 244;

std::u16string widen(const wchar_t* text)
{
    std::u16string out;
    for (; text && *text; ++text)
        out.push_back(static_cast<char16_t>(*text));
    return out;
}

bool mentions(const wchar_t* text, const wchar_t* word)
{
    const size_t length = std::wcslen(word);
    for (; text && *text; ++text)
        if (_wcsnicmp(text, word, length) == 0)
            return true;
    return false;
}

void classify(const IP_ADAPTER_ADDRESSES& adapter, Connection& c)
{
    auto set = [&](DWORD type, DWORD subtype) {
        c.type = type;
        c.subtype = subtype;
    };
    const IFTYPE type = adapter.IfType;
    if (type == IF_TYPE_PPP || type == kIfWwanPp || type == kIfWwanPp2)
        set(CM_CONNTYPE_CELLULAR, CM_CONNSUBTYPE_UNKNOWN);
    else if (type == IF_TYPE_TUNNEL || type == IF_TYPE_PROP_VIRTUAL)
        set(CM_CONNTYPE_VPN, CM_CONNSUBTYPE_UNKNOWN);
    // Bluetooth networking shows up as an Ethernet adapter named after it.
    else if (mentions(adapter.Description, L"Bluetooth"))
        set(CM_CONNTYPE_BLUETOOTH, CM_CONNSUBTYPE_UNKNOWN);
    else if (type == IF_TYPE_IEEE80211)
        set(CM_CONNTYPE_NIC, CM_CONNSUBTYPE_NIC_WIFI);
    else if (type == IF_TYPE_ETHERNET_CSMACD)
        set(CM_CONNTYPE_NIC, CM_CONNSUBTYPE_NIC_ETHERNET);
    else
        set(CM_CONNTYPE_UNKNOWN, CM_CONNSUBTYPE_UNKNOWN);
}

bool link_local(const IP_ADAPTER_UNICAST_ADDRESS* a)
{
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->Address.lpSockaddr);
    return in6->sin6_addr.s6_addr[0] == 0xFE && (in6->sin6_addr.s6_addr[1] & 0xC0) == 0x80;
}

// The first IPv4 address; without one, an IPv6 address, not link-local if there is a wider one.
void pick_address(const IP_ADAPTER_ADDRESSES& adapter, Connection& c)
{
    const IP_ADAPTER_UNICAST_ADDRESS* ipv6 = nullptr;
    for (auto* a = adapter.FirstUnicastAddress; a; a = a->Next) {
        const sockaddr* address = a->Address.lpSockaddr;
        if (!address)
            continue;
        if (address->sa_family == AF_INET) {
            const auto* b = reinterpret_cast<const uint8_t*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
            c.addresses.push_back(Address::ipv4(b[0], b[1], b[2], b[3]));
            return;
        }
        if (address->sa_family == AF_INET6 && (!ipv6 || (link_local(ipv6) && !link_local(a))))
            ipv6 = a;
    }
    if (ipv6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(ipv6->Address.lpSockaddr);
        std::array<uint8_t, 16> bytes;
        std::memcpy(bytes.data(), &in6->sin6_addr, 16);
        c.addresses.push_back(Address::ipv6(bytes, in6->sin6_scope_id));
    }
}

std::vector<unsigned char> read_adapters()
{
    const ULONG flags = GAA_FLAG_INCLUDE_GATEWAYS | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                        GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    // Adapters may come and go between the size query and the read; a few rounds settle it.
    for (int round = 0; round < 4; ++round) {
        buffer.assign(size, 0);
        ULONG result = GetAdaptersAddresses(AF_UNSPEC, flags, nullptr,
                                            reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
        if (result == NO_ERROR)
            return buffer;
        if (result != ERROR_BUFFER_OVERFLOW)
            break;
    }
    return {};
}

}  // namespace

std::vector<Destination> LiveBackend::destinations()
{
    return {Destination{kDestInternet, u"The Internet", false}, Destination{kDestWork, u"Work", false}};
}

std::vector<Connection> LiveBackend::connections()
{
    std::vector<Connection> out;
    std::vector<unsigned char> buffer = read_adapters();
    if (buffer.empty())
        return out;
    for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK)
            continue;
        Connection c;
        c.description = widen(a->FriendlyName);
        if (a->Description && a->Description[0])
            c.adapter_name = widen(a->Description);
        classify(*a, c);
        c.status = a->OperStatus == IfOperStatusUp ? CONNMGR_STATUS_CONNECTED : CONNMGR_STATUS_DISCONNECTED;
        pick_address(*a, c);
        c.destination = a->FirstGatewayAddress ? kDestInternet : kDestWork;
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace sim::cellcore

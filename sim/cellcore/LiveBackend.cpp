// SPDX-License-Identifier: MIT
// The live backend: this machine's network interfaces shown as the device's connections.
#include "sim/cellcore/Backend.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sim::cellcore {
namespace {

// ARPHRD_* link types from <linux/if_arp.h>.
constexpr unsigned kArpEther = 1;
constexpr unsigned kArpPpp = 512;
constexpr unsigned kArpTunnel = 768;
constexpr unsigned kArpTunnel6 = 769;
constexpr unsigned kArpSit = 776;
constexpr unsigned kArpIpGre = 778;
constexpr unsigned kArpIp6Gre = 823;
constexpr unsigned kArpNone = 65534;

// Routing-table flags from <linux/route.h>.
constexpr unsigned long kRouteUp = 0x0001;
constexpr unsigned long kRouteReject = 0x0200;

// Drivers of mobile-broadband modems, whose links are cellular data connections.
const char* const kCellularDrivers[] = {"qmi_wwan", "cdc_mbim", "huawei_cdc_ncm", "sierra_net", "hso"};
// Drivers of USB networking with a host or a phone: the device's desktop pass-through.
const char* const kUsbNetDrivers[] = {"rndis_host", "cdc_ether", "cdc_eem", "cdc_ncm", "cdc_subset", "ipheth"};

template <size_t N>
bool one_of(const std::string& value, const char* const (&list)[N])
{
    return std::find_if(std::begin(list), std::end(list), [&](const char* item) { return value == item; }) !=
           std::end(list);
}

bool starts_with(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

void classify(const InterfaceInfo& info, Connection& c)
{
    auto set = [&](DWORD type, DWORD subtype) {
        c.type = type;
        c.subtype = subtype;
    };
    // Checked before the tunnel types: raw-IP modems report no link layer at all.
    if (info.arp_type == kArpPpp || info.devtype == "wwan" || one_of(info.driver, kCellularDrivers))
        set(CM_CONNTYPE_CELLULAR, CM_CONNSUBTYPE_UNKNOWN);
    else if (info.tun || info.devtype == "wireguard" || info.arp_type == kArpNone || info.arp_type == kArpTunnel ||
             info.arp_type == kArpTunnel6 || info.arp_type == kArpSit || info.arp_type == kArpIpGre ||
             info.arp_type == kArpIp6Gre)
        set(CM_CONNTYPE_VPN, CM_CONNSUBTYPE_UNKNOWN);
    else if (info.devtype == "bluetooth" || starts_with(info.name, "bnep"))
        set(CM_CONNTYPE_BLUETOOTH, CM_CONNSUBTYPE_UNKNOWN);
    else if (info.wireless || info.devtype == "wlan")
        set(CM_CONNTYPE_NIC, CM_CONNSUBTYPE_NIC_WIFI);
    else if (one_of(info.driver, kUsbNetDrivers))
        set(CM_CONNTYPE_PC, CM_CONNSUBTYPE_PC_DESKTOPPASSTHROUGH);
    else if (info.arp_type == kArpEther)
        set(CM_CONNTYPE_NIC, CM_CONNSUBTYPE_NIC_ETHERNET);
    else
        set(CM_CONNTYPE_UNKNOWN, CM_CONNSUBTYPE_UNKNOWN);
}

// Interface names are bytes; decode them as UTF-8, with U+FFFD for anything malformed.
std::u16string widen(const std::string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : 99;
        char32_t cp = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        bool ok = extra != 99 && i + extra < text.size();
        for (size_t k = 1; ok && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += extra + 1;
    }
    return out;
}

// A link-local IPv6 address says little about the connection; show a wider one when there is one.
const Address& best_ipv6(const std::vector<Address>& list)
{
    for (const Address& a : list)
        if (!(a.bytes[0] == 0xFE && (a.bytes[1] & 0xC0) == 0x80))
            return a;
    return list.front();
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

void read_sysfs(InterfaceInfo& info)
{
    const std::string dir = "/sys/class/net/" + info.name + "/";
    info.arp_type = static_cast<unsigned>(std::strtoul(read_file(dir + "type").c_str(), nullptr, 10));
    std::istringstream uevent(read_file(dir + "uevent"));
    for (std::string line; std::getline(uevent, line);)
        if (starts_with(line, "DEVTYPE="))
            info.devtype = line.substr(8);
    char target[512];
    ssize_t length = readlink((dir + "device/driver").c_str(), target, sizeof(target) - 1);
    if (length > 0) {
        std::string link(target, static_cast<size_t>(length));
        info.driver = link.substr(link.find_last_of('/') + 1);
    }
    info.wireless = exists(dir + "wireless") || exists(dir + "phy80211");
    info.tun = exists(dir + "tun_flags");
}

InterfaceInfo& entry_for(std::vector<InterfaceInfo>& list, const char* name)
{
    for (InterfaceInfo& info : list)
        if (info.name == name)
            return info;
    list.emplace_back();
    list.back().name = name;
    return list.back();
}

}  // namespace

std::optional<Connection> map_interface(const InterfaceInfo& info)
{
    if (info.loopback)
        return std::nullopt;
    Connection c;
    c.description = widen(info.name);
    if (!info.driver.empty())
        c.adapter_name = widen(info.driver);
    classify(info, c);
    c.status = info.up && info.running ? CONNMGR_STATUS_CONNECTED : CONNMGR_STATUS_DISCONNECTED;
    if (!info.ipv4.empty())
        c.addresses.push_back(info.ipv4.front());
    else if (!info.ipv6.empty())
        c.addresses.push_back(best_ipv6(info.ipv6));
    c.destination = info.default_route ? kDestInternet : kDestWork;
    return c;
}

std::set<std::string> default_route_interfaces(std::string_view ipv4_routes, std::string_view ipv6_routes)
{
    std::set<std::string> names;
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ..., after one heading line.
    std::istringstream v4{std::string(ipv4_routes)};
    std::string line;
    std::getline(v4, line);
    while (std::getline(v4, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refcnt, use, metric, mask;
        if (!(fields >> iface >> destination >> gateway >> flags >> refcnt >> use >> metric >> mask))
            continue;
        unsigned long bits = std::strtoul(flags.c_str(), nullptr, 16);
        if (destination == "00000000" && mask == "00000000" && (bits & kRouteUp) && !(bits & kRouteReject))
            names.insert(iface);
    }
    // Destination prefix-length source source-length next-hop metric refcnt use flags iface.
    std::istringstream v6{std::string(ipv6_routes)};
    while (std::getline(v6, line)) {
        std::istringstream fields(line);
        std::string destination, length, source, source_length, next_hop, metric, refcnt, use, flags, iface;
        if (!(fields >> destination >> length >> source >> source_length >> next_hop >> metric >> refcnt >> use >>
              flags >> iface))
            continue;
        unsigned long bits = std::strtoul(flags.c_str(), nullptr, 16);
        if (destination == std::string(32, '0') && length == "00" && (bits & kRouteUp) && !(bits & kRouteReject))
            names.insert(iface);
    }
    return names;
}

std::vector<InterfaceInfo> read_interfaces()
{
    std::vector<InterfaceInfo> list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0)
        return list;
    for (ifaddrs* ifa = all; ifa; ifa = ifa->ifa_next) {
        InterfaceInfo& info = entry_for(list, ifa->ifa_name);
        info.up = (ifa->ifa_flags & IFF_UP) != 0;
        info.running = (ifa->ifa_flags & IFF_RUNNING) != 0;
        info.loopback = (ifa->ifa_flags & IFF_LOOPBACK) != 0;
        if (!ifa->ifa_addr)
            continue;
        if (ifa->ifa_addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
            const auto* b = reinterpret_cast<const uint8_t*>(&in->sin_addr.s_addr);
            info.ipv4.push_back(Address::ipv4(b[0], b[1], b[2], b[3]));
        } else if (ifa->ifa_addr->sa_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(ifa->ifa_addr);
            std::array<uint8_t, 16> bytes;
            std::memcpy(bytes.data(), &in6->sin6_addr, 16);
            info.ipv6.push_back(Address::ipv6(bytes, in6->sin6_scope_id));
        }
    }
    freeifaddrs(all);
    std::set<std::string> routed = default_route_interfaces(read_file("/proc/net/route"), read_file("/proc/net/ipv6_route"));
    for (InterfaceInfo& info : list) {
        read_sysfs(info);
        info.default_route = routed.count(info.name) != 0;
    }
    return list;
}

std::vector<Destination> LiveBackend::destinations()
{
    return {Destination{kDestInternet, u"The Internet", false}, Destination{kDestWork, u"Work", false}};
}

std::vector<Connection> LiveBackend::connections()
{
    std::vector<Connection> out;
    for (const InterfaceInfo& info : read_interfaces())
        if (std::optional<Connection> c = map_interface(info))
            out.push_back(std::move(*c));
    return out;
}

}  // namespace sim::cellcore

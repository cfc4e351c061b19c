// SPDX-License-Identifier: MIT
// The live backend: how interfaces map to connections, and this machine's own interfaces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/connmgr.h"
#include "sim/cellcore/Backend.h"
#include "support/SimFixture.h"

namespace {

using namespace sim::cellcore;

InterfaceInfo iface(const char* name, unsigned arp_type, const char* devtype = "", const char* driver = "",
                    bool wireless = false, bool tun = false)
{
    InterfaceInfo info;
    info.name = name;
    info.arp_type = arp_type;
    info.devtype = devtype;
    info.driver = driver;
    info.wireless = wireless;
    info.tun = tun;
    info.up = info.running = true;
    return info;
}

TEST(LiveBackendMapping, InterfaceKindsBecomeConnectionTypes)
{
    struct Case {
        InterfaceInfo info;
        DWORD type, subtype;
    } cases[] = {
        {iface("wlan0", 1, "", "", true), 2, 2},
        {iface("wlp2s0", 1, "wlan"), 2, 2},
        {iface("enp3s0", 1, "", "e1000e"), 2, 1},
        {iface("ppp0", 512), 1, 0},
        {iface("wwan0", 65534, "", "qmi_wwan"), 1, 0},  // raw-ip modem, no link layer
        {iface("tap0", 1, "", "", false, true), 5, 0},
        {iface("wg0", 65534, "wireguard"), 5, 0},
        {iface("gre1", 778), 5, 0},
        {iface("bnep0", 1), 3, 0},
        {iface("pan1", 1, "bluetooth"), 3, 0},
        {iface("usb0", 1, "", "rndis_host"), 7, 1},
        {iface("enx001122", 1, "", "cdc_ncm"), 7, 1},
        {iface("ib0", 32), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.info.name);
        std::optional<Connection> mapped = map_interface(c.info);
        ASSERT_TRUE(mapped.has_value());
        EXPECT_EQ(mapped->type, c.type);
        EXPECT_EQ(mapped->subtype, c.subtype);
        EXPECT_EQ(mapped->description, std::u16string(c.info.name.begin(), c.info.name.end()));
    }
    EXPECT_EQ(*map_interface(iface("enp3s0", 1, "", "e1000e"))->adapter_name, u"e1000e");
    EXPECT_FALSE(map_interface(iface("ppp0", 512))->adapter_name.has_value());
    // Names are bytes: UTF-8 decodes, anything else becomes a replacement character.
    EXPECT_EQ(*map_interface(iface("caf\xc3\xa9\xff", 1))->description, u"caf\u00e9\uFFFD");

    InterfaceInfo lo = iface("lo", 772);
    lo.loopback = true;
    EXPECT_FALSE(map_interface(lo).has_value());
}

TEST(LiveBackendMapping, StateAddressAndDestination)
{
    std::array<uint8_t, 16> link_local{0xfe, 0x80};
    link_local[15] = 1;
    std::array<uint8_t, 16> global{0x20, 0x01, 0x0d, 0xb8};
    global[15] = 2;

    InterfaceInfo info = iface("eth0", 1);
    info.ipv6 = {Address::ipv6(link_local, 4), Address::ipv6(global)};
    info.ipv4 = {Address::ipv4(192, 0, 2, 2), Address::ipv4(192, 0, 2, 3)};
    info.default_route = true;
    Connection c = *map_interface(info);
    EXPECT_EQ(c.status, DWORD(CONNMGR_STATUS_CONNECTED));
    ASSERT_EQ(c.addresses.size(), 1u);
    EXPECT_EQ(c.addresses[0].bytes[3], 2) << "the first IPv4 address wins over IPv6";
    EXPECT_TRUE(same_guid(c.destination, kDestInternet));

    info.ipv4.clear();
    info.running = false;
    info.default_route = false;
    c = *map_interface(info);
    EXPECT_EQ(c.status, DWORD(CONNMGR_STATUS_DISCONNECTED)) << "up but without carrier";
    ASSERT_EQ(c.addresses.size(), 1u);
    EXPECT_EQ(c.addresses[0].family, Address::Family::IPv6);
    EXPECT_EQ(c.addresses[0].bytes[0], 0x20) << "a routable IPv6 address is preferred to link-local";
    EXPECT_TRUE(same_guid(c.destination, kDestWork));

    info.ipv6.resize(1);
    info.up = false;
    c = *map_interface(info);
    EXPECT_EQ(c.status, DWORD(CONNMGR_STATUS_DISCONNECTED));
    EXPECT_EQ(c.addresses[0].scope_id, 4u) << "link-local is still better than nothing";

    info.ipv6.clear();
    EXPECT_TRUE(map_interface(info)->addresses.empty());
}

TEST(LiveBackendMapping, DefaultRoutesFromTheRoutingTables)
{
    const char* v4 =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
        "eth1\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "eth2\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
        "garbage\n";
    const char* v6 =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     wlan0\n"
        "fd000000000000000000000000000000 40 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth3\n"
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
    EXPECT_EQ(default_route_interfaces(v4, v6), (std::set<std::string>{"eth0", "wlan0"}));
    EXPECT_TRUE(default_route_interfaces("", "").empty());
}

class LiveBackendOnThisMachine : public SimFixture {};

TEST_F(LiveBackendOnThisMachine, ShowsEveryInterfaceButLoopback)
{
    use_live_backend();
    std::vector<InterfaceInfo> interfaces = read_interfaces();
    Model model = current_model();

    ASSERT_EQ(model.destinations.size(), 2u);
    EXPECT_EQ(model.destinations[0].description, u"The Internet");
    EXPECT_EQ(model.destinations[1].description, u"Work");

    size_t expected = 0;
    for (const InterfaceInfo& info : interfaces) {
        SCOPED_TRACE(info.name);
        std::u16string name(info.name.begin(), info.name.end());
        const Connection* found = nullptr;
        for (const Connection& c : model.connections)
            if (c.description == name)
                found = &c;
        if (info.loopback) {
            EXPECT_EQ(found, nullptr);
            continue;
        }
        ++expected;
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->status == CONNMGR_STATUS_CONNECTED, info.up && info.running);
        EXPECT_EQ(same_guid(found->destination, kDestInternet), info.default_route);
        EXPECT_EQ(found->addresses.empty(), info.ipv4.empty() && info.ipv6.empty());
    }
    EXPECT_EQ(model.connections.size(), expected);

    // The same machine through the device's call: one record per connection.
    DWORD size = 0;
    HRESULT first = ConnMgrQueryDetailedStatus(nullptr, &size);
    if (model.connections.empty()) {
        EXPECT_EQ(first, S_OK);
        return;
    }
    ASSERT_EQ(first, static_cast<HRESULT>(0x8007007A));
    std::vector<unsigned long long> storage(size / 8 + 64);  // room for an interface appearing
    size = static_cast<DWORD>(storage.size() * 8);
    auto* records = reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(storage.data());
    ASSERT_EQ(ConnMgrQueryDetailedStatus(records, &size), S_OK);
    size_t count = 0;
    for (auto* r = records; r; r = r->pNext)
        ++count;
    EXPECT_EQ(count, model.connections.size());
}

}  // namespace

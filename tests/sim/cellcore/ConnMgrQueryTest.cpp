// SPDX-License-Identifier: MIT
// ConnMgrQueryDetailedStatus: the size protocol and the record chain as a caller walks it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/connmgr.h"
#include "sim/cellcore/SimConnMgr.h"
#include "support/SimFixture.h"

namespace {

using namespace sim::cellcore;

constexpr HRESULT kMoreRoom = static_cast<HRESULT>(0x8007007A);

// 8-byte aligned storage, as LocalAlloc hands out; filled with a marker to see what is written.
std::vector<unsigned long long> make_buffer(size_t bytes)
{
    return std::vector<unsigned long long>((bytes + 7) / 8 + 1, 0xCDCDCDCDCDCDCDCDull);
}

Model three_connections()
{
    Model m;
    Connection gprs;
    gprs.description = u"My ISP";
    gprs.adapter_name = u"Cellular Line";
    gprs.type = CM_CONNTYPE_CELLULAR;
    gprs.subtype = CM_CONNSUBTYPE_CELLULAR_GPRS;
    gprs.status = CONNMGR_STATUS_CONNECTED;
    gprs.addresses = {Address::ipv4(10, 0, 0, 5), Address::ipv4(192, 168, 1, 7)};
    gprs.destination = kDestInternet;
    gprs.flags = 0x2;
    gprs.signal_quality = 200;
    Connection bare;  // no description, no adapter, no address
    bare.type = CM_CONNTYPE_NIC;
    bare.subtype = CM_CONNSUBTYPE_NIC_ETHERNET;
    bare.status = CONNMGR_STATUS_WAITINGCONNECTION;
    bare.destination = kDestWork;
    Connection v6;
    v6.description = std::u16string(300, u'x');  // connection names are not cut
    v6.type = CM_CONNTYPE_NIC;
    v6.subtype = CM_CONNSUBTYPE_NIC_WIFI;
    v6.status = CONNMGR_STATUS_CONNECTED;
    v6.addresses = {Address::ipv6({0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x42}, 3)};
    m.connections = {gprs, bare, v6};
    return m;
}

DWORD needed_size()
{
    DWORD size = 0;
    EXPECT_EQ(ConnMgrQueryDetailedStatus(nullptr, &size), kMoreRoom);
    return size;
}

class ConnMgrQuery : public SimFixture {};

TEST_F(ConnMgrQuery, AsksForExactlyTheRoomItNeeds)
{
    set_model(three_connections());
    const DWORD needed = needed_size();
    ASSERT_GT(needed, 3 * sizeof(CONNMGR_CONNECTION_DETAILED_STATUS));
    EXPECT_EQ(needed_size(), needed) << "the same model must ask for the same size";

    struct Case {
        const char* name;
        DWORD offered;
        HRESULT result;
        DWORD size_after;
    } cases[] = {
        {"one byte short", needed - 1, kMoreRoom, needed},
        {"nothing offered", 0, kMoreRoom, needed},
        {"exact", needed, S_OK, needed},
        {"larger", needed + 64, S_OK, needed + 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto storage = make_buffer(needed + 64);
        auto* buffer = reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(storage.data());
        DWORD size = c.offered;
        EXPECT_EQ(ConnMgrQueryDetailedStatus(buffer, &size), c.result);
        EXPECT_EQ(size, c.size_after);
        const auto* bytes = reinterpret_cast<const unsigned char*>(storage.data());
        if (FAILED(c.result)) {
            EXPECT_EQ(bytes[0], 0xCD) << "a refused buffer must stay untouched";
        }
        for (size_t i = needed; i < needed + 64; ++i)
            ASSERT_EQ(bytes[i], 0xCD) << "written past the needed size at byte " << i;
    }

    EXPECT_EQ(ConnMgrQueryDetailedStatus(nullptr, nullptr), E_INVALIDARG);
}

TEST_F(ConnMgrQuery, ChainLivesInsideTheBuffer)
{
    set_model(three_connections());
    const DWORD needed = needed_size();
    auto storage = make_buffer(needed);
    auto* first = reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(storage.data());
    DWORD size = needed;
    ASSERT_EQ(ConnMgrQueryDetailedStatus(first, &size), S_OK);

    const auto* begin = reinterpret_cast<const unsigned char*>(first);
    auto inside = [&](const void* p, size_t bytes) {
        auto* b = static_cast<const unsigned char*>(p);
        return b >= begin && b + bytes <= begin + needed;
    };
    std::vector<const CONNMGR_CONNECTION_DETAILED_STATUS*> records;
    for (auto* r = first; r; r = r->pNext) {
        ASSERT_TRUE(inside(r, sizeof(*r)));
        ASSERT_EQ(reinterpret_cast<uintptr_t>(r) % alignof(CONNMGR_CONNECTION_DETAILED_STATUS), 0u);
        ASSERT_LT(records.size(), 3u) << "chain does not end";
        records.push_back(r);
    }
    ASSERT_EQ(records.size(), 3u);
    for (auto* r : records)
        EXPECT_EQ(r->dwVer, 1u);

    // A connected GPRS link with two IPv4 addresses: the first one's bytes at 8..11.
    const auto& gprs = *records[0];
    EXPECT_EQ((std::vector<DWORD>{gprs.dwType, gprs.dwSubtype, gprs.dwConnectionStatus, gprs.dwFlags,
                                  gprs.dwSignalQuality}),
              (std::vector<DWORD>{CM_CONNTYPE_CELLULAR, CM_CONNSUBTYPE_CELLULAR_GPRS, CONNMGR_STATUS_CONNECTED, 2,
                                  200}));
    EXPECT_TRUE(same_guid(gprs.guidDestNet, kDestInternet));
    EXPECT_EQ(gprs.dwParams & 0xFFF, 0xDFFu) << "everything but the connect time is valid";
    ASSERT_TRUE(inside(gprs.szDescription, 14) && inside(gprs.szAdapterName, 28));
    EXPECT_EQ(std::u16string(gprs.szDescription), u"My ISP");
    EXPECT_EQ(std::u16string(gprs.szAdapterName), u"Cellular Line");
    ASSERT_NE(gprs.pIPAddr, nullptr);
    ASSERT_TRUE(inside(gprs.pIPAddr, 4 + 2 * 128));
    const auto* ip = reinterpret_cast<const unsigned char*>(gprs.pIPAddr);
    EXPECT_EQ(gprs.pIPAddr->cIPAddr, 2u);
    EXPECT_EQ(ip[4] | ip[5] << 8, CONNMGR_AF_INET);
    EXPECT_EQ(std::vector<int>(ip + 8, ip + 12), (std::vector<int>{10, 0, 0, 5}));
    EXPECT_EQ(std::vector<int>(ip + 136, ip + 140), (std::vector<int>{192, 168, 1, 7}));

    // Nothing optional present: null pointers and the matching bits clear.
    const auto& bare = *records[1];
    EXPECT_EQ((std::vector<const void*>{bare.szDescription, bare.szAdapterName, bare.pIPAddr}),
              (std::vector<const void*>{nullptr, nullptr, nullptr}));
    EXPECT_EQ(bare.dwParams & 0xCC0, 0u);
    EXPECT_EQ(bare.dwConnectionStatus, DWORD(CONNMGR_STATUS_WAITINGCONNECTION));
    EXPECT_TRUE(same_guid(bare.guidDestNet, kDestWork));

    // An IPv6 entry laid out as a sockaddr_in6; the long name arrives whole.
    const auto& v6 = *records[2];
    ASSERT_TRUE(inside(v6.szDescription, 301 * 2));
    EXPECT_EQ(std::u16string(v6.szDescription), std::u16string(300, u'x'));
    ASSERT_NE(v6.pIPAddr, nullptr);
    const auto* ip6 = reinterpret_cast<const unsigned char*>(v6.pIPAddr) + 4;
    EXPECT_EQ(v6.pIPAddr->cIPAddr, 1u);
    EXPECT_EQ(ip6[0] | ip6[1] << 8, CONNMGR_AF_INET6);
    EXPECT_EQ((std::vector<int>{ip6[8], ip6[9], ip6[23]}), (std::vector<int>{0x20, 0x01, 0x42}));
    uint32_t scope = 0;
    std::memcpy(&scope, ip6 + 24, 4);
    EXPECT_EQ(scope, 3u);
}

TEST_F(ConnMgrQuery, NoConnectionsLeavesNoStaleChain)
{
    set_model(three_connections());
    const DWORD needed = needed_size();
    auto storage = make_buffer(needed);
    auto* buffer = reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(storage.data());
    DWORD size = needed;
    ASSERT_EQ(ConnMgrQueryDetailedStatus(buffer, &size), S_OK);
    ASSERT_NE(buffer->pNext, nullptr);

    // The caller reuses its buffer after every connection went away.
    set_model(Model{});
    EXPECT_EQ(ConnMgrQueryDetailedStatus(buffer, &size), S_OK);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buffer->pNext, nullptr);
    EXPECT_NE(buffer->dwConnectionStatus, DWORD(CONNMGR_STATUS_CONNECTED));
    EXPECT_EQ(buffer->dwParams, 0u);

    DWORD none = 0;
    EXPECT_EQ(ConnMgrQueryDetailedStatus(nullptr, &none), S_OK);
    EXPECT_EQ(none, 0u);
}

TEST_F(ConnMgrQuery, RefusesAMisalignedBuffer)
{
    set_model(three_connections());
    const DWORD needed = needed_size();
    auto storage = make_buffer(needed + 8);
    auto* shifted = reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(
        reinterpret_cast<unsigned char*>(storage.data()) + 2);
    DWORD size = needed;
    EXPECT_EQ(ConnMgrQueryDetailedStatus(shifted, &size), E_INVALIDARG);
    ExpectViolation("not aligned");
}

}  // namespace

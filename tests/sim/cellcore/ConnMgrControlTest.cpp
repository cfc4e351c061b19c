// SPDX-License-Identifier: MIT
// ConnMgrEnumDestinations, and the injected failures and counters the simulation offers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/connmgr.h"
#include "sim/cellcore/SimConnMgr.h"
#include "support/SimFixture.h"

namespace {

using namespace sim::cellcore;

class ConnMgrControl : public SimFixture {};

CONNMGR_DESTINATION_INFO marked_info()
{
    CONNMGR_DESTINATION_INFO info;
    std::memset(&info, 0xCD, sizeof(info));
    return info;
}

Model one_connection_three_destinations()
{
    Model m;
    m.destinations = {{kDestInternet, u"The Internet", false}, {kDestWork, u"Work", true}, {kDestWork, u"Again", false}};
    Connection c;
    c.status = CONNMGR_STATUS_CONNECTED;
    m.connections = {c};
    return m;
}

TEST_F(ConnMgrControl, EnumeratesEveryDestinationThenFails)
{
    set_model(one_connection_three_destinations());
    const char16_t* names[] = {u"The Internet", u"Work", u"Again"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        CONNMGR_DESTINATION_INFO info = marked_info();
        ASSERT_EQ(ConnMgrEnumDestinations(i, &info), S_OK);
        EXPECT_EQ(std::u16string(info.szDescription), names[i]);
        EXPECT_EQ(info.fSecure, i == 1 ? TRUE : FALSE);
        // The whole record is written: no marker bytes survive after the text.
        size_t length = std::char_traits<char16_t>::length(names[i]);
        for (size_t k = length; k < CONNMGR_MAX_DESC; ++k)
            ASSERT_EQ(info.szDescription[k], 0) << "at " << k;
    }
    CONNMGR_DESTINATION_INFO info = marked_info();
    EXPECT_EQ(ConnMgrEnumDestinations(3, &info), E_FAIL);
    EXPECT_EQ(ConnMgrEnumDestinations(1000, &info), E_FAIL);
    EXPECT_EQ(ConnMgrEnumDestinations(-1, &info), E_INVALIDARG);
    EXPECT_EQ(ConnMgrEnumDestinations(0, nullptr), E_INVALIDARG);
}

TEST_F(ConnMgrControl, DescriptionsAreCutTo127Characters)
{
    for (size_t length : {126u, 127u, 128u, 400u}) {
        SCOPED_TRACE(length);
        std::u16string text;
        for (size_t i = 0; i < length; ++i)
            text.push_back(static_cast<char16_t>(u'A' + i % 26));
        Model m;
        m.destinations = {{kDestInternet, text, false}};
        set_model(m);
        CONNMGR_DESTINATION_INFO info = marked_info();
        ASSERT_EQ(ConnMgrEnumDestinations(0, &info), S_OK);
        EXPECT_EQ(std::u16string(info.szDescription), text.substr(0, 127));
        EXPECT_EQ(info.szDescription[CONNMGR_MAX_DESC - 1], 0);
        EXPECT_EQ(info.fSecure, FALSE);
    }
}

TEST_F(ConnMgrControl, InjectedFailures)
{
    set_model(one_connection_three_destinations());
    CONNMGR_DESTINATION_INFO info = marked_info();

    fail_enumeration_from(1);
    EXPECT_EQ(ConnMgrEnumDestinations(0, &info), S_OK);
    EXPECT_EQ(ConnMgrEnumDestinations(1, &info), E_FAIL);
    EXPECT_EQ(ConnMgrEnumDestinations(2, &info), E_FAIL);
    stop_failing_enumeration();
    EXPECT_EQ(ConnMgrEnumDestinations(2, &info), S_OK);

    alignas(8) unsigned char buffer[1024];
    std::memset(buffer, 0xCD, sizeof(buffer));
    auto* records = reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(buffer);
    for (HRESULT failure : {E_ACCESSDENIED, E_FAIL, E_OUTOFMEMORY}) {
        SCOPED_TRACE(failure);
        fail_queries(failure);
        DWORD size = sizeof(buffer);
        EXPECT_EQ(ConnMgrQueryDetailedStatus(records, &size), failure);
        EXPECT_EQ(size, sizeof(buffer));
        EXPECT_EQ(ConnMgrQueryDetailedStatus(nullptr, &size), failure) << "not even a size is handed out";
        EXPECT_EQ(size, sizeof(buffer));
        EXPECT_EQ(buffer[0], 0xCD);
    }
    stop_failing_queries();
    DWORD size = sizeof(buffer);
    EXPECT_EQ(ConnMgrQueryDetailedStatus(records, &size), S_OK);
    EXPECT_EQ(records->dwConnectionStatus, DWORD(CONNMGR_STATUS_CONNECTED));

    // A success cannot be injected as a failure.
    fail_queries(S_FALSE);
    ExpectViolation("fail_queries");
    EXPECT_EQ(ConnMgrQueryDetailedStatus(records, &size), S_OK);
}

TEST_F(ConnMgrControl, CountsCallsAndResetsToAFreshBoot)
{
    set_model(one_connection_three_destinations());
    fail_queries(E_FAIL);
    fail_enumeration_from(0);
    CONNMGR_DESTINATION_INFO info;
    DWORD size = 0;
    for (int i = 0; i < 3; ++i)
        ConnMgrEnumDestinations(i, &info);
    ConnMgrQueryDetailedStatus(nullptr, &size);
    ConnMgrQueryDetailedStatus(nullptr, nullptr);
    EXPECT_EQ(call_counts().enum_destinations, 3u);
    EXPECT_EQ(call_counts().query_detailed_status, 2u);
    reset_call_counts();
    EXPECT_EQ(call_counts().enum_destinations, 0u);

    use_live_backend();
    sim::reset_for_tests();
    EXPECT_FALSE(live_backend_active());
    EXPECT_EQ(ConnMgrEnumDestinations(0, &info), E_FAIL) << "a fresh device has no destinations";
    size = 0;
    EXPECT_EQ(ConnMgrQueryDetailedStatus(nullptr, &size), S_OK) << "and no connections, and fails nothing";
    EXPECT_EQ(call_counts().query_detailed_status, 1u);
}

}  // namespace
